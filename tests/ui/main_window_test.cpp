// The main window: pages in order, the menu, the list shortcuts, the title, the
// leave-page questions, and a screenshot of every page.
#include <QAction>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <gtest/gtest.h>

#include "app/program_folder.h"
#include "app/settings.h"
#include "controls/form_controls.h"
#include "desktop_program.h"
#include "controls/list_shortcuts.h"
#include "pages/company_page.h"
#include "pages/server_page.h"
#include "qt_translations.h"
#include "shopdb/default_rows.h"
#include "ui_support.h"
#include "ui_text.h"

namespace vendora::test {
namespace {

QAction* MenuAction(QMenuBar* bar, const QStringList& path) {
  QList<QAction*> actions = bar->actions();
  QAction* found = nullptr;
  for (const QString& text : path) {
    found = nullptr;
    for (QAction* a : actions)
      if (a->text() == text) found = a;
    if (!found) return nullptr;
    if (found->menu()) actions = found->menu()->actions();
  }
  return found;
}

TEST(MainWindow, MenuSelectsPageAndTab) {
  DesktopFixture f;
  f.AddShop("Laden");
  MainWindow& w = f.Window();
  const QStringList captions = {" Shop-Information ", " Darstellung ", " Handel ", " Katalog ",
                                " Server-Einstellungen ", " Veröffentlichen "};
  ASSERT_EQ(w.Sheet()->count(), 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(w.Sheet()->tabText(i), captions[i]);

  struct Case {
    QStringList path;
    int page, tab;
  };
  const Case cases[] = {
      {{"&Projekt", "&Veröffentlichen"}, 5, -1},
      {{"&Projekt", "&Handel", "&Rabatt"}, 2, 3},
      {{"&Projekt", "&Darstellung", "&Textinformation"}, 1, 2},
      {{"&Projekt", "&Serverkonfiguration", "&FTP-Server"}, 4, 1},
      {{"&Projekt", "K&atalog", "P&roduktlinien-Zuweisung"}, 3, 4},
      {{"&Projekt", "&Handel", "Bestellung&sbearbeitung"}, 2, 0},
      {{"&Projekt", "&Darstellung", "&Bildersatz"}, 1, 0},
      {{"&Projekt", "&Serverkonfiguration", "&Webserver"}, 4, 0},
      {{"&Projekt", "&Shop-Information"}, 0, -1},
      {{"&Projekt", "&Handel", "&Rabatt"}, 2, 3},  // the page was shown before
  };
  for (const Case& c : cases) {
    QAction* action = MenuAction(w.menuBar(), c.path);
    ASSERT_NE(action, nullptr) << c.path.join(" > ").toStdString();
    action->trigger();
    EXPECT_EQ(w.Sheet()->currentIndex(), c.page) << c.path.join(" > ").toStdString();
    if (c.tab >= 0) {
      QTabWidget* tabs = w.Page(c.page)->Tabs();
      ASSERT_NE(tabs, nullptr);
      EXPECT_EQ(tabs->currentIndex(), c.tab);
      EXPECT_TRUE(tabs->currentWidget()->isVisible()) << "the tab's controls are shown";
    }
  }
  // The command numbers of the menu, and one that is not there.
  EXPECT_TRUE(w.RunCommand(31));
  EXPECT_EQ(w.Server()->Tabs()->currentIndex(), 1);
  EXPECT_FALSE(w.RunCommand(33));
  EXPECT_NE(MenuAction(w.menuBar(), {"&Projekt", "Mi&nimieren"}), nullptr);
  EXPECT_NE(MenuAction(w.menuBar(), {"&Projekt", "&Beenden"}), nullptr);
}

TEST(MainWindow, TitleFollowsTheOpenShop) {
  DesktopFixture f;
  MainWindow& w = f.Window();
  EXPECT_EQ(w.windowTitle(), "Tolm! Vendora");
  // Without other pages to edit until a shop is open.
  EXPECT_FALSE(w.Sheet()->isTabEnabled(4));
  f.AddShop("Laden");
  EXPECT_EQ(w.windowTitle(), "Tolm! Vendora - Laden.mdb");
  EXPECT_TRUE(w.Sheet()->isTabEnabled(4));
  CompanyPage* company = w.Company();
  qobject_cast<QLineEdit*>(company->Fields().Editor("StoreName"))->setText("Gartenwelt Krause");
  ASSERT_TRUE(company->Save());
  EXPECT_EQ(w.windowTitle(), "Tolm! Vendora - Gartenwelt Krause");
  f.prompter.Queue(Answer::Yes);
  company->ShopList()->setCurrentRow(0);
  company->RemoveShop();
  EXPECT_EQ(w.windowTitle(), "Tolm! Vendora");
}

TEST(MainWindow, ShortcutsActOnTheFocusedList) {
  DesktopFixture f;
  f.AddShop("Laden");
  MainWindow& w = f.Window();
  w.activateWindow();
  CompanyPage* company = w.Company();

  // The shop list: Ctrl+N is "Neuer Shop...", Ctrl+D "Entfernen..." (answered No).
  company->ShopList()->setFocus();
  f.dialogs.shopNames.push_back(std::nullopt);
  QTest::keyClick(company->ShopList(), Qt::Key_N, Qt::ControlModifier);
  EXPECT_TRUE(f.dialogs.shopNames.empty()) << "the name was asked for";
  QTest::keyClick(company->ShopList(), Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(f.prompter.Texts(), std::vector<std::string>{"Wollen Sie wirklich 'Laden' aus der Shop-Liste entfernen?"});
  EXPECT_EQ(f.manager.Shops().size(), 1u);

  // Focus outside a list: nothing happens.
  f.prompter.Clear();
  auto* name = qobject_cast<QLineEdit*>(company->Fields().Editor("City"));
  name->setFocus();
  QTest::keyClick(name, Qt::Key_D, Qt::ControlModifier);
  EXPECT_TRUE(f.prompter.Texts().empty());

  // A list with all four buttons gets each command; a disabled button ignores it.
  auto* list = new QListWidget(company);
  QPushButton* buttons[4];
  int clicks[4] = {};
  for (int i = 0; i < 4; ++i) {
    buttons[i] = new QPushButton(company);
    QObject::connect(buttons[i], &QPushButton::clicked, [&clicks, i] { ++clicks[i]; });
  }
  BindListButtons(list, {buttons[0], buttons[1], buttons[2], buttons[3]});
  list->show();
  list->setFocus();
  for (Qt::Key key : {Qt::Key_N, Qt::Key_D, Qt::Key_Up, Qt::Key_Down, Qt::Key_Down})
    QTest::keyClick(list, key, Qt::ControlModifier);
  buttons[0]->setEnabled(false);
  QTest::keyClick(list, Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ((std::vector<int>(clicks, clicks + 4)), (std::vector<int>{1, 1, 1, 2}));
}

TEST(MainWindow, LeavingAPageWithChangesAsksFirst) {
  DesktopFixture f;
  f.AddShop("Laden");
  MainWindow& w = f.Window();
  ASSERT_TRUE(w.RunCommand(31));
  auto* host = qobject_cast<QLineEdit*>(w.Server()->FtpServerFields().Editor("HostName"));
  host->setText("ftp.gartenwelt.example");
  const std::string question = "Möchten Sie die Änderungen im Dialog Server-Einstellungen speichern?\n";

  f.prompter.Queue(Answer::Cancel);
  EXPECT_FALSE(w.RunCommand(32));
  EXPECT_EQ(w.Sheet()->currentIndex(), 4);
  EXPECT_EQ(f.prompter.Texts(), std::vector<std::string>{question});

  f.prompter.Queue(Answer::Yes);
  EXPECT_TRUE(w.RunCommand(16));
  EXPECT_EQ(w.Sheet()->currentIndex(), 0);
  EXPECT_EQ(ReadSettingsRow<FtpServerRow>(f.Db()).HostName, "ftp.gartenwelt.example");

  // The company page asks its own question, and No throws the change away.
  auto* city = qobject_cast<QLineEdit*>(w.Company()->Fields().Editor("City"));
  city->setText("Hannover");
  f.prompter.Clear();
  f.prompter.Queue(Answer::No);
  EXPECT_TRUE(w.RunCommand(32));
  EXPECT_EQ(f.prompter.Texts(),
            std::vector<std::string>{"Sollen die in diesem Dialog von Ihnen vorgenommenen Änderungen gespeichert werden?"});
  EXPECT_EQ(city->text(), "");
  EXPECT_FALSE(w.Company()->HasUnsavedChanges());
}

TEST(DesktopProgram, OpensTheRememberedShopAndSavesTheSettingsAtTheEnd) {
  TempDir temp;
  setenv("VENDORA_HOME", (temp / "program").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (temp / "config").c_str(), 1);
  std::vector<std::string> shops;
  for (const char* name : {"Erster", "Zweiter"}) {
    shops.push_back((temp / (std::string(name) + ".mdb")).string());
    CreateShopFile(shops.back());
  }
  AppSettings stored;
  stored.shops = shops;
  stored.current = 1;
  ASSERT_TRUE(SaveAppSettings(SettingsFilePath(), 1031, stored));

  std::string title;
  const int code = RunDesktopProgram([&](MainWindow& w) {
    title = U(w.windowTitle());
    w.Company()->ShopList()->setCurrentRow(0);  // the merchant opens the other shop
    QTimer::singleShot(0, &w, &QWidget::close);
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(title, "Tolm! Vendora - Zweiter.mdb");
  const AppSettings saved = LoadAppSettings(SettingsFilePath(), 1031);
  EXPECT_EQ(saved.shops, shops);
  EXPECT_EQ(saved.current, 0);
  unsetenv("VENDORA_HOME");
  unsetenv("XDG_CONFIG_HOME");
}

// With no shop listed the window offers a first one instead of a sheet of greyed pages.
TEST(MainWindow, FirstStartOffersANewOrTheDemoShop) {
  DesktopFixture f;
  MainWindow& w = f.Window();
  ASSERT_TRUE(w.Welcome()->isVisible());
  EXPECT_FALSE(w.Sheet()->isVisible());
  EXPECT_EQ(w.NewShopOffer()->text(), "Neuen Shop anlegen");
  EXPECT_EQ(w.DemoShopOffer()->text(), "Demo-Shop anlegen");
  EXPECT_EQ(w.AddShopOffer()->text(), "Vorhandenen Shop hinzufügen...");
  Screenshot(&w, "first_start");

  // Cancelling the name leaves the offer; a name makes the shop and shows the sheet.
  f.dialogs.shopNames = {std::nullopt, std::string("Laden")};
  w.NewShopOffer()->click();
  EXPECT_TRUE(w.Welcome()->isVisible());
  w.NewShopOffer()->click();
  EXPECT_TRUE(w.Sheet()->isVisible());
  EXPECT_FALSE(w.Welcome()->isVisible());
  EXPECT_EQ(w.windowTitle(), "Tolm! Vendora - Laden.mdb");

  // Removing the last shop brings the offer back.
  f.prompter.Queue(Answer::Yes);
  w.Company()->ShopList()->setCurrentRow(0);
  w.Company()->RemoveShop();
  EXPECT_TRUE(w.Welcome()->isVisible());

  // The demo shop is made in the program folder, listed, chosen and open.
  w.DemoShopOffer()->click();
  const std::filesystem::path demo = f.manager.ProgramFolder() / "Demoshop" / "Demoshop.mdb";
  EXPECT_EQ(f.manager.Shops(), std::vector<std::string>{demo.string()});
  EXPECT_EQ(f.manager.CurrentIndex(), 0);
  ASSERT_TRUE(f.manager.IsShopOpen());
  EXPECT_TRUE(w.Sheet()->isVisible());
  EXPECT_TRUE(w.Sheet()->isTabEnabled(MainWindow::kPublish));
  EXPECT_EQ(w.windowTitle(), "Tolm! Vendora - Gartenwelt Sonnenschein");

  // Made again only when the merchant agrees.
  f.prompter.Clear();
  f.prompter.Queue(Answer::No);
  EXPECT_FALSE(w.CreateDemoShop());
  EXPECT_EQ(f.prompter.Texts().size(), 1u);
  EXPECT_NE(f.prompter.Texts()[0].find("bereits einen Demo-Shop"), std::string::npos) << f.prompter.Texts()[0];
}

// A file standing where the demo folder must go: a German sentence naming the path.
TEST(MainWindow, DemoShopThatCannotBeMadeSaysWhyInGerman) {
  DesktopFixture f;
  MainWindow& w = f.Window();
  std::filesystem::create_directories(f.manager.ProgramFolder());
  WriteFileBytes(f.manager.ProgramFolder() / "Demoshop", "x");
  EXPECT_FALSE(w.CreateDemoShop());
  EXPECT_EQ(f.prompter.Texts(),
            std::vector<std::string>{"Der Demo-Shop konnte nicht angelegt werden: Der Ordner '" +
                                     (f.manager.ProgramFolder() / "Demoshop").string() +
                                     "' konnte nicht angelegt werden (ein Teil des Pfades ist kein Ordner)."});
  EXPECT_TRUE(f.manager.Shops().empty());
  EXPECT_TRUE(w.Welcome()->isVisible());
}

// Qt's own buttons and menus speak German beside the program's texts, also when the
// session's locale is not German.
TEST(QtTranslations, StandardButtonsAndMenusAreGerman) {
  for (const char* locale : {"de_DE", "C"}) {
    QTranslator* translator = InstallQtTranslations(*QCoreApplication::instance(), QLocale(QString::fromUtf8(locale)));
    ASSERT_NE(translator, nullptr) << "qtbase_de.qm is missing (qt6-translations-l10n)";
    QDialogButtonBox buttons(QDialogButtonBox::Open | QDialogButtonBox::Cancel | QDialogButtonBox::Save);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), "Abbrechen") << locale;
    EXPECT_EQ(buttons.button(QDialogButtonBox::Open)->text(), "Öffnen") << locale;
    EXPECT_EQ(buttons.button(QDialogButtonBox::Save)->text(), "Speichern") << locale;
    QLineEdit edit;
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList entries;
    for (QAction* action : menu->actions())
      if (!action->isSeparator()) entries << action->text().section(QLatin1Char('\t'), 0, 0);
    EXPECT_TRUE(entries.contains("&Rückgängig")) << entries.join(", ").toStdString();
    EXPECT_TRUE(entries.contains("Alles auswählen")) << entries.join(", ").toStdString();
    QCoreApplication::removeTranslator(translator);
    delete translator;
  }
}

// The tabs each page shows, in the order the menu's commands count them; a screenshot
// of every page and of the server page's first tabs lands in build/screenshots.
TEST(MainWindow, EveryPageShowsItsTabsInOrder) {
  DesktopFixture f;
  f.AddDemoShop();
  MainWindow& w = f.Window();
  w.resize(1040, 700);
  const struct {
    const char* screenshot;
    QStringList tabs;
  } pages[] = {
      {"page1_company", {}},
      {"page2_design", {" Bildersatz ", " Layout ", " Textinformation "}},
      {"page3_commerce",
       {" Auftragsbearbeitung ", " Bezahlung und Steuern ", " Versand ", " Rabatt ", " Geschenkoptionen "}},
      {"page4_catalogue",
       {" Kategorien ", " Attribute / Index  ", " Produkte ", " Produktlinien ", " Linienzuweisung "}},
      {"page5_server", {"Webserver", "FTP-Server", "Tolm! Payvane"}},
      {"page6_publish", {}},
  };
  ASSERT_EQ(MainWindow::kPageCount, 6);
  for (int page = 0; page < MainWindow::kPageCount; ++page) {
    ASSERT_TRUE(w.ShowPage(page));
    EXPECT_EQ(w.Sheet()->currentIndex(), page);
    QStringList shown;
    if (QTabWidget* tabs = w.Page(page)->Tabs())
      for (int i = 0; i < tabs->count(); ++i) shown << tabs->tabText(i);
    EXPECT_EQ(shown, pages[page].tabs) << pages[page].screenshot;
    Screenshot(&w, pages[page].screenshot);
  }
  for (int tab : {0, 1}) {
    ASSERT_TRUE(w.ShowPage(MainWindow::kServer, tab));
    EXPECT_EQ(w.Server()->Tabs()->currentIndex(), tab);
    Screenshot(&w, tab == 0 ? "page5_server_web" : "page5_server_ftp");
  }
}

}  // namespace
}  // namespace vendora::test
