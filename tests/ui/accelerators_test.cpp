// Alt+letter must reach one control: on each page (and each tab of it) no two
// controls, labels, tabs or menu titles that can be reached together share a letter.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>

#include <map>

#include "main_window.h"
#include "ui_support.h"

namespace vendora::test {
namespace {

// The letter after a single "&", lower case; 0 when the text has none.
QChar Accelerator(const QString& text) {
  for (int i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    return text[i + 1].toLower();
  }
  return QChar();
}

// Every accelerator reachable in the window as it shows now: the menu titles and the
// visible buttons, buddied labels, group boxes and tabs.
std::multimap<QChar, QString> Reachable(MainWindow& w) {
  std::multimap<QChar, QString> found;
  auto add = [&](const QString& text) {
    if (const QChar c = Accelerator(text); !c.isNull()) found.emplace(c, text);
  };
  for (QAction* menu : w.menuBar()->actions()) add(menu->text());
  for (QWidget* widget : w.findChildren<QWidget*>()) {
    if (!widget->isVisibleTo(&w)) continue;
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) add(button->text());
    else if (auto* label = qobject_cast<QLabel*>(widget); label && label->buddy()) add(label->text());
    else if (auto* group = qobject_cast<QGroupBox*>(widget)) add(group->title());
    else if (auto* bar = qobject_cast<QTabBar*>(widget))
      for (int i = 0; i < bar->count(); ++i) add(bar->tabText(i));
  }
  return found;
}

TEST(Accelerators, NoTwoReachableControlsShareALetter) {
  DesktopFixture f;
  f.AddShop("Laden");
  MainWindow& w = f.Window();
  w.show();
  for (int page = 0; page < w.Sheet()->count(); ++page) {
    w.Sheet()->setCurrentIndex(page);
    // Each inner tab in turn: only the shown one's controls can be reached.
    QTabWidget* inner = nullptr;
    for (QTabWidget* tabs : w.Sheet()->widget(page)->findChildren<QTabWidget*>()) inner = tabs;
    const int tabCount = inner ? inner->count() : 1;
    for (int tab = 0; tab < tabCount; ++tab) {
      if (inner) inner->setCurrentIndex(tab);
      const std::multimap<QChar, QString> found = Reachable(w);
      for (auto it = found.begin(); it != found.end();) {
        const auto [first, last] = found.equal_range(it->first);
        QStringList texts;
        for (auto t = first; t != last; ++t) texts << t->second;
        EXPECT_EQ(texts.size(), 1) << "page " << page << ", tab " << tab << ": Alt+" << QString(it->first).toStdString()
                                   << " for " << texts.join(" | ").toStdString();
        it = last;
      }
    }
  }
}

}  // namespace
}  // namespace vendora::test
