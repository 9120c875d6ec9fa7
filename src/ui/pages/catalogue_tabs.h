#pragma once
// The five tabs of the catalogue page. A tab reads its lists afresh on Load, writes
// the detail fields of its current row on WriteFields, and runs its buttons through
// the page's editor: first the open cell and the detail fields are written, then the
// action; a database error ends the action with its report and the lists are read
// again, so the page shows what is stored.
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "common/status.h"
#include "controls/record_list.h"
#include "rules/catalogue_pictures.h"

class QPushButton;

namespace vendora {

class CatalogueEditor;
class ShopDatabase;
struct UiContext;

class CatalogueTabWidget : public QWidget {
  Q_OBJECT
 public:
  // `editor` is the page's: null while no shop is open.
  CatalogueTabWidget(UiContext& context, CatalogueEditor* const& editor, CatalogueTab tab, QWidget* parent);

  CatalogueTab Tab() const { return tab_; }
  // Reads the lists afresh, keeping the current rows where they still exist.
  virtual void Load() = 0;
  // Writes the detail fields of the current row when they were edited.
  virtual Status WriteFields() { return Status::Ok(); }
  // Forgets the row shown (another shop was opened): nothing is written for it.
  void Forget() {
    shown_.reset();
    detailsEdited_ = false;
  }
  // Commits the lists' open cells.
  void CommitEdits();
  // "Infos &speichern": the open cell, the detail fields, then the tab's pictures;
  // false (after saying why) when something could not be stored.
  bool Save();

 protected:
  CatalogueEditor& Editor() const { return *editor_; }
  bool HasEditor() const { return editor_ != nullptr; }
  ShopDatabase& Db() const;
  // A user action: pending edits first (a refusal stops it), then the action; a
  // database error is reported; the lists are read again afterwards.
  void Act(const std::function<void()>& action);
  // Runs `load` with database errors reported (the lists stay as they are).
  void Guarded(const std::function<void()>& load);
  // Shows a refusal (stop icon); true when `status` is ok.
  bool Accept(const Status& status);
  QPushButton* Button(const QString& text, const char* name, const std::function<void()>& action);
  RecordList* List(const QString& caption, const char* name, std::vector<ListColumn> columns);
  void FieldEdited();

  UiContext& context_;
  bool loading_ = false;        // filling the controls: their signals are not edits
  bool detailsEdited_ = false;  // the current row's detail fields differ from the stored row
  std::optional<int32_t> shown_;  // the row whose detail fields are shown

 private:
  CatalogueEditor* const& editor_;
  CatalogueTab tab_;
  std::vector<RecordList*> lists_;
};

// The width of a text field of the shop database (0 for other fields).
int FieldWidth(std::string_view table, std::string_view field);

CatalogueTabWidget* MakeCategoriesTab(UiContext& context, CatalogueEditor* const& editor, QWidget* parent);
CatalogueTabWidget* MakeLinesTab(UiContext& context, CatalogueEditor* const& editor, QWidget* parent);
CatalogueTabWidget* MakeAttributesTab(UiContext& context, CatalogueEditor* const& editor, QWidget* parent);
CatalogueTabWidget* MakeProductsTab(UiContext& context, CatalogueEditor* const& editor, QWidget* parent);
CatalogueTabWidget* MakeAssignmentTab(UiContext& context, CatalogueEditor* const& editor, QWidget* parent);

}  // namespace vendora
