#include "rules/design_rules.h"

#include <algorithm>
#include <string>
#include <system_error>
#include <tuple>
#include <vector>

#include "common/program_text.h"
#include "common/prompter.h"
#include "imaging/image_refs.h"
#include "rules/graphic_set_tab.h"
#include "rules/text_blocks.h"
#include "shopdb/database.h"
#include "shopdb/db_error.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"

namespace vendora {

namespace fs = std::filesystem;

namespace {

ArrangementControls Arrangement(bool vertical) { return {!vertical, vertical}; }

// The fields the layout controls edit: all but the key, the set and the quality.
bool SameLayout(const InterfacesRow& a, const InterfacesRow& b) {
  bool same = true;
  std::apply(
      [&](const auto&... bound) {
        ((same = same && (bound.name == "ID" || bound.name == "GSet" || bound.name == "Quality" ||
                          a.*(bound.member) == b.*(bound.member))),
         ...);
      },
      RowTraits<InterfacesRow>::kFields);
  return same;
}

}  // namespace

LayoutControls LayoutDependencies(const InterfacesRow& row) {
  LayoutControls c;
  c.fontsEnabled = !row.UseDefaultFonts;
  c.menuTopHomePageEnabled = row.MenuTop;
  c.indexOptionsEnabled = row.GenerateIndex;
  c.categories = Arrangement(row.CatHorizontal);
  c.lines = Arrangement(row.LinesHorizontal);
  c.thumbnailLabel = row.UseThumbnails ? kShowsThumbnail : row.GenerateDetails ? kShowsMoreInfo : kShowsNothing;
  return c;
}

int QualityChoice(int32_t quality) { return std::clamp<int32_t>(quality, 0, 2); }

bool DiscardAllThumbnails(ShopDatabase& db, const fs::path& thumbFolder, Prompter& prompter) {
  if (prompter.AskYesNo(std::string(ProgramText(text::kRecreateAllThumbnails)), Answer::No) != Answer::Yes)
    return false;
  std::vector<int32_t> ids;
  CRecSetProducts_IDs products(db);
  products.ForEach([&](const ProductIdsRow& row) { ids.push_back(row.ID); });
  // One listing of the folder for the whole catalogue, not one per product.
  PictureFolder thumbs(thumbFolder);
  std::error_code ec;
  for (const int32_t id : ids) {
    for (const std::string& name : thumbs.FilesNamed(std::to_string(id))) {
      if (fs::remove(thumbFolder / name, ec)) thumbs.Removed(name);
    }
  }
  return true;
}

LayoutTab::LayoutTab(ShopDatabase& db) : db_(db), row_(ReadSettingsRow<InterfacesRow>(db)) {}

void LayoutTab::Change(const InterfacesRow& edited) {
  if (SameLayout(row_, edited)) return;
  InterfacesRow next = edited;
  next.ID = row_.ID;
  next.GSet = row_.GSet;
  next.Quality = row_.Quality;
  row_ = std::move(next);
  changed_ = true;
}

bool LayoutTab::ChangeQuality(int choice, const fs::path& thumbFolder, Prompter& prompter) {
  if (choice == QualityChoice(row_.Quality)) return false;
  try {
    if (!DiscardAllThumbnails(db_, thumbFolder, prompter)) return false;
  } catch (const DbError& e) {
    ShowDbError(prompter, e);
    return false;
  }
  row_.Quality = QualityChoice(choice);
  changed_ = true;
  return true;
}

bool LayoutTab::Save(Prompter& prompter) {
  if (!changed_) return true;
  try {
    TransactionScope transaction(db_);
    CRecSetInterfaces set(db_);
    set.Open();
    InterfacesRow row = row_;
    // The set may have been chosen on its own tab since this row was read.
    if (set.IsEOF()) {
      row.GSet = DefaultInterfaces().GSet;
      set.AddNew();
    } else {
      row.ID = set->ID;
      row.GSet = set->GSet;
      set.Edit();
    }
    *set = row;
    set.Update();
    transaction.Commit();
    row_.ID = set->ID;
    row_.GSet = row.GSet;
  } catch (const DbError& e) {
    ShowDbError(prompter, e);
    return false;
  }
  changed_ = false;
  return true;
}

void LayoutTab::Discard() {
  row_ = ReadSettingsRow<InterfacesRow>(db_);
  changed_ = false;
}

bool ConfirmLeaveDesign(LayoutTab& layout, TextBlocksEditor& texts, GraphicSetTab& sets, Prompter& prompter) {
  if (!sets.ResolveChanges()) return false;
  if (!layout.IsChanged() && !texts.IsChanged()) return true;
  switch (prompter.AskYesNoCancel(std::string(kSaveDesignQuestion), Answer::Yes)) {
    case Answer::Yes: return layout.Save(prompter) && texts.Save(prompter);
    case Answer::No:
      try {
        layout.Discard();
        texts.Discard();
      } catch (const DbError& e) {
        // What is stored stays stored; the page only failed to show it again.
        ShowDbError(prompter, e);
      }
      return true;
    default: return false;
  }
}

}  // namespace vendora
