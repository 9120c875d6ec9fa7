#pragma once
// " Katalog ": categories, attribute kinds and values with the index entries, products
// with their items, product lines and the products of each line, in five tabs. Every
// action is a core function (rules/catalogue_edit.h); the page shows the lists, asks
// and forwards. Names, switches and item cells are written as they are edited in
// place; the detail fields of a row (descriptions, attribute kinds, the index entry)
// when another row is chosen, before an action and on "Infos &speichern"; pictures
// only when their tab is saved. The catalogue can also be written to and read from a
// CSV file; an import is checked in full and its report shown before anything is
// written.
#include <array>
#include <memory>

#include "pages/sheet_page.h"
#include "rules/catalogue_pictures.h"

class QPushButton;
class QTabWidget;

namespace vendora {

class CatalogueEditor;
class CatalogueTabWidget;
class RecordList;

class CataloguePage : public SheetPage {
  Q_OBJECT
 public:
  explicit CataloguePage(UiContext& context, QWidget* parent = nullptr);
  ~CataloguePage() override;

  QTabWidget* Tabs() const override { return tabs_; }
  bool CanLeave() override;
  void Activated() override;
  void ShopChanged() override;

  // The editor of the open shop (nullptr without one).
  CatalogueEditor* Editor() const { return editor_.get(); }
  // Saves the tab as its "Infos &speichern" button does; false (after saying why)
  // when something could not be stored.
  bool SaveTab(CatalogueTab tab);
  void ExportCsv();
  void ImportCsv();

 private:
  void Load();
  // Another tab was chosen: the one left writes its fields, the one shown reads afresh
  // what the other tabs may have changed.
  void TabChosen(int index);
  CatalogueTabWidget* TabWidget(CatalogueTab tab) const { return tabWidgets_[static_cast<size_t>(tab)]; }

  QTabWidget* tabs_;
  std::array<CatalogueTabWidget*, kCatalogueTabCount> tabWidgets_{};
  QPushButton *export_, *import_;
  std::unique_ptr<CatalogueEditor> editor_;
  CatalogueEditor* editorPointer_ = nullptr;  // what the tabs see: the editor, or null
  bool loaded_ = false;
  int shownTab_ = 0;
  bool switchingBack_ = false;
};

}  // namespace vendora
