// The core's questions as message boxes: text, title, icon, buttons, the preselected
// button, and the answer of the button pressed.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "qt_prompter.h"
#include "ui_text.h"

namespace vendora::test {
namespace {

struct Seen {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttons;
  QString preselected;
};

// Answers the next message box by pressing the button with `press` as its text.
Answer AskAndPress(const MessageRequest& request, const QString& press, Seen& seen) {
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen = {box->windowTitle(), box->text(), box->icon(), {}, box->defaultButton() ? box->defaultButton()->text() : ""};
    QAbstractButton* target = nullptr;
    for (QAbstractButton* b : box->buttons()) {
      seen.buttons << b->text();
      if (b->text() == press) target = b;
    }
    seen.buttons.sort();  // the box orders them as the platform does
    ASSERT_NE(target, nullptr);
    target->click();
  });
  QtPrompter prompter;
  return prompter.Ask(request);
}

TEST(QtPrompter, ShowsTheRequestAndAnswersWithTheButtonPressed) {
  struct Case {
    MessageRequest request;
    QStringList buttons;
    QString preselected, press;
    QMessageBox::Icon icon;
    Answer answer;
    std::string shown;
  };
  const Case cases[] = {
      {{"Soll die Protokolldatei wirklich entfernt werden?", MessageButtons::YesNo, MessageIcon::Question, Answer::No, {}},
       {"&Ja", "&Nein"}, "&Nein", "&Ja", QMessageBox::Question, Answer::Yes,
       "Soll die Protokolldatei wirklich entfernt werden?"},
      {{"Änderungen an dem Protokoll speichern?", MessageButtons::YesNoCancel, MessageIcon::Question, Answer::No, {}},
       {"&Ja", "&Nein", "Abbrechen"}, "&Nein", "Abbrechen", QMessageBox::Question, Answer::Cancel,
       "Änderungen an dem Protokoll speichern?"},
      {{"Ungültiger FTP Host-Port.\r\n\r\nVerifizierung fortsetzen?", MessageButtons::OkCancel, MessageIcon::Warning,
        Answer::Ok, {}},
       {"Abbrechen", "OK"}, "OK", "OK", QMessageBox::Warning, Answer::Ok,
       "Ungültiger FTP Host-Port.\n\nVerifizierung fortsetzen?"},
      {{"Es können nur Zahlen eingegeben werden.\n", MessageButtons::Ok, MessageIcon::Stop, Answer::Ok,
        "Vendora - Fehlermeldung..."},
       {"OK"}, "OK", "OK", QMessageBox::Critical, Answer::Ok,
       "Es können nur Zahlen eingegeben werden.\n"},
  };
  for (const Case& c : cases) {
    Seen seen;
    EXPECT_EQ(AskAndPress(c.request, c.press, seen), c.answer) << c.request.text;
    EXPECT_EQ(seen.buttons, c.buttons) << c.request.text;
    EXPECT_EQ(seen.preselected, c.preselected) << c.request.text;
    EXPECT_EQ(seen.icon, c.icon) << c.request.text;
    EXPECT_EQ(U(seen.text), c.shown) << c.request.text;
    EXPECT_EQ(seen.title, c.request.title.empty() ? QStringLiteral("Tolm! Vendora") : Q(c.request.title));
  }
}

}  // namespace
}  // namespace vendora::test
