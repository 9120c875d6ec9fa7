#pragma once
// What the catalogue page's editing actions do, without any toolkit: adding rows at the
// end of their lists, moving them, deleting them after asking (with their cascades and
// the refusals of rows still in use), the product's attribute kinds, copying items, the
// assignment of products to product lines, the rows' pictures and the question asked
// when the page is left with unsaved changes.
//
// Every action that writes runs in one transaction: it is done completely or, when the
// database refuses a step (DbError, passed on), not at all. Picture and thumbnail files
// follow only once the database change is committed. Actions read the lists afresh, so
// they see what other parts of the program changed.
//
// A pending edit of a list's current row is the page's to save (SaveCategory etc.)
// before it calls an action. Selections ("ids") are the rows selected in the list.
// Questions and the incomplete-delete notes (20047 to 20049) go through the prompter;
// input that cannot be stored comes back as a Status holding the German reason, with
// nothing written.
//
// Threading: one thread, the one that owns the database.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/shop_paths.h"
#include "common/status.h"
#include "rules/catalogue_pictures.h"
#include "shopdb/rows.h"

namespace vendora {

class Prompter;
class ShopDatabase;

enum class MoveDirection { Up, Down };
enum class AttributeSlot { First, Second };

// A number as the merchant typed it into a list cell (blanks around it allowed; a
// decimal comma or point). Refused with 20028 when it is no number and 20027 when it
// lies outside the field's type (a Single, a Long).
Result<float> ParseAmount(std::string_view typed);
Result<int32_t> ParseWholeNumber(std::string_view typed);

class CatalogueEditor {
 public:
  // Makes sure the sentinel rows exist, as the page does when it shows its lists.
  CatalogueEditor(ShopDatabase& db, ShopPaths paths, Prompter& prompter);
  CatalogueEditor(const CatalogueEditor&) = delete;
  CatalogueEditor& operator=(const CatalogueEditor&) = delete;

  int32_t NoAttributeKind() const { return noKind_; }
  int32_t NoIndexEntry() const { return noIndex_; }

  // Each tab's changed flag: raised by every action of the tab that writes, cleared
  // by saving or discarding the tab. MarkChanged is for fields the page holds itself.
  bool IsChanged(CatalogueTab tab) const { return changed_[static_cast<size_t>(tab)]; }
  bool AnyChanged() const;
  void MarkChanged(CatalogueTab tab) { changed_[static_cast<size_t>(tab)] = true; }
  CataloguePictures& Pictures() { return pictures_; }
  // Choosing or removing a picture: kept by the page until its tab is saved.
  Status ChoosePicture(PictureSlot slot, int32_t id, const std::filesystem::path& file);
  void RemovePicture(PictureSlot slot, int32_t id);

  // Adding: the new row's key. A new row takes the page's defaults and [Order] = the
  // list's last [Order] + 1 (0 in an empty list).
  int32_t AddCategory();
  int32_t AddLine();
  int32_t AddAttributeKind();  // with its blank value
  // Nothing without a kind, nor for the "[Kein Attribut]" kind.
  std::optional<int32_t> AddAttributeValue(std::optional<int32_t> kind);
  int32_t AddIndexEntry();
  // Refused with 20046 without a category.
  Result<int32_t> AddProduct(std::optional<int32_t> category);
  // The item starts with the blank values of the product's two kinds. Nothing when the
  // product is gone.
  std::optional<int32_t> AddItem(int32_t product);
  // A copy of every field of the item, at the end of its product's items.
  std::optional<int32_t> CopyItem(int32_t item);

  // Moving: the row swaps places with its neighbour, then the whole list is numbered
  // from 0; only rows whose [Order] changes are written. Returns the rows written
  // (0 for up on the first or down on the last row). Products move within their
  // category, items within their product, members within their line.
  int MoveCategory(int32_t id, MoveDirection direction);
  int MoveProduct(int32_t id, MoveDirection direction);
  int MoveItem(int32_t id, MoveDirection direction);
  int MoveLine(int32_t id, MoveDirection direction);
  int MoveMember(int32_t id, MoveDirection direction);

  // Deleting: asks first (20030 to 20036); No, or nothing selected, changes nothing.
  // Returns the rows deleted. A category takes its products, their items, line
  // memberships and pictures; a product its items, memberships, picture and
  // thumbnails; a line its memberships and pictures.
  int DeleteCategory(int32_t id);
  int DeleteProduct(int32_t id);
  int DeleteItems(const std::vector<int32_t>& ids);
  int DeleteLines(const std::vector<int32_t>& ids);
  // Rows still in use (and the sentinels) stay; when any stays, 20047, 20048 or 20049
  // follows (information). A deleted kind takes its values.
  int DeleteAttributeKinds(const std::vector<int32_t>& ids);
  int DeleteAttributeValues(const std::vector<int32_t>& ids);
  int DeleteIndexEntries(const std::vector<int32_t>& ids);

  // Gives the product another first or second attribute kind; every item of the product
  // then has the new kind's blank value there. The same kind again does nothing; a
  // product that had a real kind is asked about first (20037 / 20038, No preselected).
  // False when nothing changed (the chooser goes back to the current kind).
  bool ChangeAttributeKind(int32_t product, AttributeSlot slot, int32_t kind);

  // "Hinzufügen": the products not yet in the line join it at its end, one after
  // another, under their names; products already in it are skipped. Returns the number
  // added (0 without a line).
  int AddToLine(std::optional<int32_t> line, const std::vector<int32_t>& products);
  // "Entfernen": asks 20039, then deletes the selected memberships.
  int RemoveFromLine(const std::vector<int32_t>& members);
  // "Linie löschen": asks 20071, then takes every product out of the line; the line
  // and its products stay.
  int ClearLine(std::optional<int32_t> line);

  // Writing a row as the page edited it (list cells, detail fields). Every field is
  // checked first: a text longer than its field, a required name left empty, a number
  // the field cannot hold, is refused with a German message and nothing is written.
  // The key, the parent and [Order] stay as stored (moves and the lists own them), and
  // so do a product's attribute kinds (see ChangeAttributeKind).
  Status SaveCategory(const CategoriesRow& row);
  Status SaveLine(const LinesRow& row);
  Status SaveProduct(const ProductsRow& row);
  Status SaveItem(const ItemsRow& row);
  Status RenameAttributeKind(int32_t id, const std::string& name);
  Status RenameAttributeValue(int32_t id, const std::string& name);
  Status RenameIndexEntry(int32_t id, const std::string& name);

  // Saving a tab: stores its pending pictures and clears its flag. A failure (a picture
  // that could not be copied) is returned; the tab stays changed.
  Status SaveTab(CatalogueTab tab);
  // Forgets the tab's pending pictures and clears its flag.
  void DiscardTab(CatalogueTab tab);

  // Leaving the page or the program. With unsaved changes in any tab asks 20029
  // (Yes/No/Cancel): Yes saves all five tabs in order, each by `writeFields` (the
  // fields the page holds) and then SaveTab, and stops at the first failure, which is
  // returned (the page stays); No discards the changes; Cancel stays. The value: whether
  // the page may be left.
  Result<bool> ConfirmLeave(const std::function<Status(CatalogueTab)>& writeFields);

 private:
  int32_t BlankValueOf(int32_t kind);

  ShopDatabase& db_;
  Prompter& prompter_;
  CataloguePictures pictures_;
  int32_t noKind_ = 0, noIndex_ = 0, noTax_ = 0;
  std::array<bool, kCatalogueTabCount> changed_{};
};

}  // namespace vendora
