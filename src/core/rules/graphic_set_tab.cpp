#include "rules/graphic_set_tab.h"

#include <algorithm>

#include "common/text_util.h"
#include "shopdb/database.h"
#include "shopdb/db_error.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"

namespace vendora {

GraphicSetTab::GraphicSetTab(ShopDatabase& db, const std::filesystem::path& programFolder, Prompter& prompter)
    : db_(db), prompter_(prompter), library_(programFolder, prompter) {}

void GraphicSetTab::Open() {
  shopSet_ = ReadSettingsRow<InterfacesRow>(db_).GSet;
  if (Trim(shopSet_).empty()) shopSet_ = DefaultInterfaces().GSet;
  const auto& names = library_.Refresh();
  if (names.empty()) return;
  const bool present = std::find(names.begin(), names.end(), shopSet_) != names.end();
  library_.Choose(present ? shopSet_ : names.front());
}

GraphicSetControls GraphicSetTab::Controls() const {
  GraphicSetControls c;
  if (!library_.HasCurrent()) return c;
  const GraphicSet& set = library_.Current();
  c.editElements = c.rename = c.remove = !set.readOnly;
  c.save = set.modified;
  c.duplicate = true;
  return c;
}

bool GraphicSetTab::StoreShown() {
  const std::string& name = library_.Current().name;
  if (!library_.HasCurrent() || name == shopSet_) return true;
  try {
    TransactionScope transaction(db_);
    CRecSetInterfaces set(db_);
    set.Open();
    // A shop without its layout row gets one with the defaults, as the layout tab would write it.
    InterfacesRow row = set.IsEOF() ? DefaultInterfaces() : *set;
    row.GSet = name;
    if (set.IsEOF()) set.AddNew();
    else set.Edit();
    *set = row;
    set.Update();
    transaction.Commit();
  } catch (const DbError& e) {
    ShowDbError(prompter_, e);
    return false;
  }
  shopSet_ = name;
  return true;
}

bool GraphicSetTab::Choose(std::string_view name) { return library_.Choose(name) && StoreShown(); }

bool GraphicSetTab::Duplicate(std::string_view typedName) { return library_.Duplicate(typedName) && StoreShown(); }

bool GraphicSetTab::CreateEmpty(std::string_view typedName) {
  return library_.CreateEmpty(typedName) && StoreShown();
}

bool GraphicSetTab::Rename(std::string_view typedName) {
  const bool shops = library_.HasCurrent() && library_.Current().name == shopSet_;
  if (!library_.Rename(typedName)) return false;
  return !shops || StoreShown();
}

bool GraphicSetTab::Delete() {
  const bool shops = library_.HasCurrent() && library_.Current().name == shopSet_;
  const bool deleted = library_.Delete();
  // A delete that failed half-way may still have taken the set's Settings file.
  const auto& names = library_.Names();
  if (shops && library_.HasCurrent() && std::find(names.begin(), names.end(), shopSet_) == names.end())
    StoreShown();
  return deleted;
}

}  // namespace vendora
