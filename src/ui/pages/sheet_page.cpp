#include "pages/sheet_page.h"

#include "common/prompter.h"
#include "ui_context.h"

namespace vendora {

SheetPage::SheetPage(UiContext& context, QString caption, QWidget* parent)
    : QWidget(parent), context_(context), caption_(std::move(caption)) {}

bool SheetPage::AskToSaveChanges(std::string_view question, const std::function<bool()>& save,
                                 const std::function<void()>& discard) {
  switch (context_.prompter.AskYesNoCancel(std::string(question))) {
    case Answer::Yes: return save();
    case Answer::No: discard(); return true;
    default: return false;
  }
}

}  // namespace vendora
