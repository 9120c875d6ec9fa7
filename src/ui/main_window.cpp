#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/demo_shop.h"
#include "app/shop_manager.h"
#include "common/file_error_text.h"
#include "common/program_text.h"
#include "common/prompter.h"
#include "common/text_format.h"
#include "shopdb/db_error.h"
#include "controls/list_shortcuts.h"
#include "pages/catalogue_page.h"
#include "pages/commerce_page.h"
#include "pages/company_page.h"
#include "pages/design_page.h"
#include "pages/publish_page.h"
#include "pages/server_page.h"
#include "ui_context.h"
#include "ui_text.h"

namespace vendora {

namespace {

struct MenuCommand {
  int command;
  const char* text;
  int page;
  int tab;
};

// The "&Projekt" menu; a submenu's entries follow its title (command 0).
struct MenuGroup {
  const char* title;  // nullptr: the entries stand in the menu itself
  std::vector<MenuCommand> entries;
};

const std::vector<MenuGroup>& Menu() {
  static const std::vector<MenuGroup> menu = {
      {nullptr, {{16, "&Shop-Information", MainWindow::kCompany, -1}}},
      {"&Darstellung",
       {{17, "&Bildersatz", MainWindow::kDesign, 0},
        {18, "&Layout", MainWindow::kDesign, 1},
        {19, "&Textinformation", MainWindow::kDesign, 2}}},
      {"&Handel",
       {{20, "Bestellung&sbearbeitung", MainWindow::kCommerce, 0},
        {21, "Be&zahlung und Steuern", MainWindow::kCommerce, 1},
        {22, "&Versand", MainWindow::kCommerce, 2},
        {23, "&Rabatt", MainWindow::kCommerce, 3},
        {24, "&Geschenkoptionen", MainWindow::kCommerce, 4}}},
      {"K&atalog",
       {{25, "&Kategorien", MainWindow::kCatalogue, 0},
        {26, "&Eigenschaften", MainWindow::kCatalogue, 1},
        {27, "&Produkte", MainWindow::kCatalogue, 2},
        {28, "Pro&duktlinien", MainWindow::kCatalogue, 3},
        {29, "P&roduktlinien-Zuweisung", MainWindow::kCatalogue, 4}}},
      {"&Serverkonfiguration",
       {{30, "&Webserver", MainWindow::kServer, 0},
        {31, "&FTP-Server", MainWindow::kServer, 1},
        {40, "&Tolm! &Payvane", MainWindow::kServer, 2}}},
      {nullptr, {{32, "&Veröffentlichen", MainWindow::kPublish, -1}}},
  };
  return menu;
}

}  // namespace

MainWindow::MainWindow(UiContext& context, QWidget* parent) : QMainWindow(parent), context_(context) {
  setWindowIcon(QIcon(QStringLiteral(":/icons/vendora.png")));
  stack_ = new QStackedWidget(this);
  sheet_ = new QTabWidget(stack_);
  sheet_->setDocumentMode(false);
  auto* company = new CompanyPage(context_, sheet_);
  pages_.push_back(company);
  pages_.push_back(new DesignPage(context_, sheet_));
  pages_.push_back(new CommercePage(context_, sheet_));
  pages_.push_back(new CataloguePage(context_, sheet_));
  pages_.push_back(new ServerPage(context_, sheet_));
  pages_.push_back(new PublishPage(context_, sheet_));
  for (SheetPage* page : pages_) sheet_->addTab(page, page->Caption());
  stack_->addWidget(sheet_);
  stack_->addWidget(BuildWelcome());
  setCentralWidget(stack_);

  connect(sheet_, &QTabWidget::currentChanged, this, &MainWindow::PageChanged);
  connect(company, &CompanyPage::ShopSwitched, this, &MainWindow::ShopSwitched);
  connect(company, &CompanyPage::Saved, this, &MainWindow::UpdateTitle);

  BuildMenu();
  ShopSwitched();
  resize(1040, 700);
}

MainWindow::~MainWindow() = default;

CompanyPage* MainWindow::Company() const { return static_cast<CompanyPage*>(Page(kCompany)); }
CommercePage* MainWindow::Commerce() const { return static_cast<CommercePage*>(Page(kCommerce)); }
DesignPage* MainWindow::Design() const { return static_cast<DesignPage*>(Page(kDesign)); }
ServerPage* MainWindow::Server() const { return static_cast<ServerPage*>(Page(kServer)); }
CataloguePage* MainWindow::Catalogue() const { return static_cast<CataloguePage*>(Page(kCatalogue)); }
PublishPage* MainWindow::Publish() const { return static_cast<PublishPage*>(Page(kPublish)); }

void MainWindow::BuildMenu() {
  QMenu* project = menuBar()->addMenu(QStringLiteral("&Projekt"));
  auto addCommand = [this](QMenu* menu, const MenuCommand& c) {
    QAction* action = menu->addAction(QString::fromUtf8(c.text));
    action->setData(c.command);
    connect(action, &QAction::triggered, this, [this, command = c.command] { RunCommand(command); });
  };
  for (const MenuGroup& group : Menu()) {
    QMenu* menu = group.title ? project->addMenu(QString::fromUtf8(group.title)) : project;
    for (const MenuCommand& c : group.entries) addCommand(menu, c);
  }
  project->addSeparator();
  QAction* minimise = project->addAction(Q(ProgramText(text::kMinimiseMenuItem)));
  connect(minimise, &QAction::triggered, this, &QWidget::showMinimized);
  QAction* quit = project->addAction(QStringLiteral("&Beenden"));
  connect(quit, &QAction::triggered, this, &QWidget::close);

  // The accelerators of the lists: one table for the whole window.
  const std::pair<QKeySequence, ListCommand> shortcuts[] = {
      {QKeySequence(Qt::CTRL | Qt::Key_N), ListCommand::Add},
      {QKeySequence(Qt::CTRL | Qt::Key_D), ListCommand::Delete},
      {QKeySequence(Qt::CTRL | Qt::Key_Up), ListCommand::Up},
      {QKeySequence(Qt::CTRL | Qt::Key_Down), ListCommand::Down},
  };
  for (const auto& [keys, command] : shortcuts) {
    auto* action = new QAction(this);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [command = command] { RunListCommand(command); });
    addAction(action);
  }
}

QWidget* MainWindow::BuildWelcome() {
  welcome_ = new QWidget(stack_);
  auto* title = new QLabel(QStringLiteral("Willkommen bei %1").arg(Q(kProductName)), welcome_);
  QFont big = title->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  title->setFont(big);
  auto* text = new QLabel(QStringLiteral("Noch ist kein Shop angelegt. Legen Sie Ihren eigenen Shop an, oder sehen Sie "
                                         "sich zuerst den Demo-Shop an: einen vollständigen Beispiel-Shop mit Katalog, "
                                         "Bildern, Preisen, Versand und Zahlungsarten, den Sie erzeugen, in der Vorschau "
                                         "ansehen und ausprobieren können."),
                          welcome_);
  text->setWordWrap(true);
  newShopOffer_ = new QPushButton(QStringLiteral("Neuen Shop anlegen"), welcome_);
  demoShopOffer_ = new QPushButton(QStringLiteral("Demo-Shop anlegen"), welcome_);
  addShopOffer_ = new QPushButton(QStringLiteral("Vorhandenen Shop hinzufügen..."), welcome_);
  newShopOffer_->setDefault(true);

  auto* column = new QVBoxLayout;
  column->addWidget(title);
  column->addSpacing(8);
  column->addWidget(text);
  column->addSpacing(16);
  for (QPushButton* offer : {newShopOffer_, demoShopOffer_, addShopOffer_}) {
    offer->setMinimumHeight(offer->sizeHint().height() * 3 / 2);
    column->addWidget(offer);
  }
  auto* centre = new QHBoxLayout;
  centre->addStretch(1);
  centre->addLayout(column, 2);
  centre->addStretch(1);
  auto* outer = new QVBoxLayout(welcome_);
  outer->addStretch(1);
  outer->addLayout(centre);
  outer->addStretch(2);

  // The company page owns the shop list; the offers run its operations.
  connect(newShopOffer_, &QPushButton::clicked, this, [this] { Company()->NewShop(); });
  connect(addShopOffer_, &QPushButton::clicked, this, [this] { Company()->AddShop(); });
  connect(demoShopOffer_, &QPushButton::clicked, this, [this] { CreateDemoShop(); });
  return welcome_;
}

void MainWindow::ShowSheetOrWelcome() {
  stack_->setCurrentWidget(context_.manager.Shops().empty() ? welcome_ : static_cast<QWidget*>(sheet_));
}

bool MainWindow::CreateDemoShop() {
  ShopManager& manager = context_.manager;
  const std::filesystem::path folder = manager.ProgramFolder() / "Demoshop";
  std::error_code ec;
  if (std::filesystem::exists(folder / "Demoshop.mdb", ec) &&
      context_.prompter.AskYesNo(Format(texts::kDemoShopExists, folder.string()), Answer::No) != Answer::Yes)
    return false;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  Result<std::filesystem::path> made = Status::Error(std::string());
  try {
    made = vendora::CreateDemoShop(folder);
  } catch (const DbError& e) {
    QApplication::restoreOverrideCursor();
    ShowDbError(context_.prompter, e);
    return false;
  }
  QApplication::restoreOverrideCursor();
  if (!made.ok()) {
    context_.prompter.Show(Format(texts::kDemoShopFailed, made.message()), MessageIcon::Stop);
    return false;
  }
  const std::filesystem::path database = *made;
  const bool opened = manager.AddShop(database);
  Company()->Refresh();
  ShopSwitched();
  return opened;
}

bool MainWindow::RunCommand(int command) {
  for (const MenuGroup& group : Menu())
    for (const MenuCommand& c : group.entries)
      if (c.command == command) return ShowPage(c.page, c.tab);
  return false;
}

bool MainWindow::ShowPage(int page, int tab) {
  if (page < 0 || page >= kPageCount || !sheet_->isTabEnabled(page)) return false;
  stack_->setCurrentWidget(sheet_);  // the shop list is on the first page, also before any shop
  // Qt paints double-buffered, so the switch needs no redraw lock; and a page may ask
  // a question on the way (the Payvane password), which must not find the window frozen.
  sheet_->setCurrentIndex(page);
  const bool shown = sheet_->currentIndex() == page;
  if (shown && tab >= 0) {
    if (QTabWidget* tabs = Page(page)->Tabs(); tabs && tab < tabs->count()) tabs->setCurrentIndex(tab);
  }
  return shown;
}

void MainWindow::PageChanged(int index) {
  if (switching_ || index == currentPage_) return;
  if (!Page(currentPage_)->CanLeave()) {
    switching_ = true;
    sheet_->setCurrentIndex(currentPage_);
    switching_ = false;
    return;
  }
  currentPage_ = index;
  Page(index)->Activated();
}

void MainWindow::ShopSwitched() {
  const bool open = context_.manager.IsShopOpen();
  for (int i = 0; i < kPageCount; ++i) {
    if (i != kCompany) Page(i)->ShopChanged();
    if (i != kCompany) sheet_->setTabEnabled(i, open);
  }
  ShowSheetOrWelcome();
  UpdateTitle();
}

void MainWindow::UpdateTitle() { setWindowTitle(Q(context_.manager.WindowTitle())); }

void MainWindow::OpenRememberedShop() {
  ShopManager& manager = context_.manager;
  const int remembered = manager.CurrentIndex();
  if (remembered >= 0 && !manager.IsShopOpen()) manager.Choose(remembered);
  Company()->Refresh();
  ShopSwitched();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Nothing typed is lost on the way out: the page in front asks as it does before
  // another page is shown (a transfer, which only runs on the page in front, is ended).
  if (!Page(currentPage_)->CanClose()) {
    event->ignore();
    return;
  }
  closing_ = true;
  event->accept();
}

}  // namespace vendora
