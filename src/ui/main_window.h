#pragma once
// The program's one window: the sheet of six pages in order, the menu that selects a
// page and a tab, the list shortcuts, the title that follows the open shop, and the
// leave-page questions before another page is shown or the program ends. While the
// shop list is empty it offers a first shop instead of the sheet.
#include <QMainWindow>

#include <vector>

class QPushButton;
class QStackedWidget;
class QTabWidget;

namespace vendora {

struct UiContext;
class SheetPage;
class CompanyPage;
class DesignPage;
class CommercePage;
class ServerPage;
class CataloguePage;
class PublishPage;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  enum PageIndex { kCompany = 0, kDesign, kCommerce, kCatalogue, kServer, kPublish, kPageCount };

  explicit MainWindow(UiContext& context, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The menu's command numbers: 16 to 32 and 40 select a page and tab; others are ignored.
  bool RunCommand(int command);
  // Makes the page active (if the current page lets go) and, for a page with tabs,
  // selects the tab as if the merchant had clicked it.
  bool ShowPage(int page, int tab = -1);
  // Opens the shop remembered from the last session (once the window is shown).
  void OpenRememberedShop();
  void UpdateTitle();

  // Creates the German demo shop in the program folder (as `vendora-cli demo` does),
  // puts it on the list and opens it. False when it was not made or not opened.
  bool CreateDemoShop();

  QTabWidget* Sheet() const { return sheet_; }
  // The first-start offer, shown instead of the sheet while no shop is listed.
  QWidget* Welcome() const { return welcome_; }
  QPushButton* NewShopOffer() const { return newShopOffer_; }
  QPushButton* DemoShopOffer() const { return demoShopOffer_; }
  QPushButton* AddShopOffer() const { return addShopOffer_; }
  SheetPage* Page(int index) const { return pages_[static_cast<size_t>(index)]; }
  CompanyPage* Company() const;
  DesignPage* Design() const;
  CommercePage* Commerce() const;
  ServerPage* Server() const;
  CataloguePage* Catalogue() const;
  PublishPage* Publish() const;
  bool Closing() const { return closing_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenu();
  QWidget* BuildWelcome();
  void ShowSheetOrWelcome();
  void PageChanged(int index);
  void ShopSwitched();

  UiContext& context_;
  QStackedWidget* stack_;
  QTabWidget* sheet_;
  QWidget* welcome_ = nullptr;
  QPushButton *newShopOffer_ = nullptr, *demoShopOffer_ = nullptr, *addShopOffer_ = nullptr;
  std::vector<SheetPage*> pages_;
  int currentPage_ = 0;
  bool switching_ = false;
  bool closing_ = false;
};

}  // namespace vendora
