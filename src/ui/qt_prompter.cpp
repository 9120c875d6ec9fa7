#include "qt_prompter.h"

#include <QMessageBox>
#include <QPushButton>

#include "common/program_text.h"
#include "ui_text.h"

namespace vendora {

namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Stop: return QMessageBox::Critical;
    case MessageIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

Answer QtPrompter::Ask(const MessageRequest& request) {
  QMessageBox box(parent_);
  box.setIcon(BoxIcon(request.icon));
  box.setWindowTitle(Q(request.title.empty() ? texts::kWindowTitle : std::string_view(request.title)));
  // The texts use "\r\n" in places; a message box shows both as one line end.
  QString text = Q(request.text);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  box.setText(text);
  if (!request.details.empty()) box.setDetailedText(Q(request.details));

  struct Choice {
    Answer answer;
    QPushButton* button;
  };
  std::vector<Choice> choices;
  auto add = [&](Answer answer, const char* caption, QMessageBox::ButtonRole role) {
    choices.push_back({answer, box.addButton(QString::fromUtf8(caption), role)});
  };
  switch (request.buttons) {
    case MessageButtons::Ok: add(Answer::Ok, "OK", QMessageBox::AcceptRole); break;
    case MessageButtons::OkCancel:
      add(Answer::Ok, "OK", QMessageBox::AcceptRole);
      add(Answer::Cancel, "Abbrechen", QMessageBox::RejectRole);
      break;
    case MessageButtons::YesNo:
      add(Answer::Yes, "&Ja", QMessageBox::YesRole);
      add(Answer::No, "&Nein", QMessageBox::NoRole);
      break;
    case MessageButtons::YesNoCancel:
      add(Answer::Yes, "&Ja", QMessageBox::YesRole);
      add(Answer::No, "&Nein", QMessageBox::NoRole);
      add(Answer::Cancel, "Abbrechen", QMessageBox::RejectRole);
      break;
  }
  for (const Choice& c : choices) {
    if (c.answer == request.defaultAnswer) box.setDefaultButton(c.button);
  }
  // Escape answers as the box's way out: Cancel where offered, else No, else OK.
  box.setEscapeButton(choices.back().button);
  box.exec();
  for (const Choice& c : choices)
    if (box.clickedButton() == c.button) return c.answer;
  return choices.back().answer;
}

}  // namespace vendora
