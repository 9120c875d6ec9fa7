#pragma once
// The program's one window: the sheet of six pages in order, the menu that selects a
// page and a tab, the list shortcuts, the title that follows the open shop, and the
// leave-page questions before another page is shown or the program ends.
#include <QMainWindow>

#include <vector>

class QTabWidget;

namespace vendora {

struct UiContext;
class SheetPage;
class CompanyPage;
class ServerPage;
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

  QTabWidget* Sheet() const { return sheet_; }
  SheetPage* Page(int index) const { return pages_[static_cast<size_t>(index)]; }
  CompanyPage* Company() const;
  ServerPage* Server() const;
  PublishPage* Publish() const;
  bool Closing() const { return closing_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenu();
  void PageChanged(int index);
  void ShopSwitched();

  UiContext& context_;
  QTabWidget* sheet_;
  std::vector<SheetPage*> pages_;
  int currentPage_ = 0;
  bool switching_ = false;
  bool closing_ = false;
};

}  // namespace vendora
