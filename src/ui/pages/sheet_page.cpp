#include "pages/sheet_page.h"

#include <QTabWidget>
#include <QVBoxLayout>

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

PlaceholderPage::PlaceholderPage(UiContext& context, QString caption, const QStringList& tabs, QWidget* parent)
    : SheetPage(context, std::move(caption), parent) {
  tabs_ = new QTabWidget(this);
  for (const QString& tab : tabs) tabs_->addTab(new QWidget(tabs_), tab);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
}

}  // namespace vendora
