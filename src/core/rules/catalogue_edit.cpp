#include "rules/catalogue_edit.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <set>
#include <tuple>
#include <utility>

#include "common/program_text.h"
#include "common/prompter.h"
#include "common/text_util.h"
#include "rules/catalogue_rules.h"
#include "rules/list_rows.h"
#include "shopdb/database.h"
#include "shopdb/db_error.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "shopdb/schema.h"

namespace vendora {

using namespace list_rows;

namespace {

// Own wording: refusals the older page left to the database.
constexpr std::string_view kFieldEmpty = "Das Feld \"%s\" darf nicht leer sein.";
constexpr std::string_view kFieldNotUtf8 = "Das Feld \"%s\" enthält Zeichen, die nicht gespeichert werden können.";
constexpr std::string_view kRowGone = "Der Eintrag ist nicht mehr vorhanden; er wurde inzwischen gelöscht.";

std::string Text(int number) { return std::string(ProgramText(number)); }

// The field as the page labels it, for messages.
std::string_view FieldLabel(std::string_view field) {
  static constexpr std::pair<std::string_view, std::string_view> kLabels[] = {
      {"Name", "Name"},
      {"Description", "Beschreibung"},
      {"ShortDesc", "Kurzbeschreibung"},
      {"LongDesc", "Langbeschreibung"},
      {"ItemNumber", "Artikelnummer"},
      {"MultiMediaFile1", "Multimedia-Datei 1"},
      {"MultiMediaFile2", "Multimedia-Datei 2"},
      {"MultiMediaFile3", "Multimedia-Datei 3"},
      {"Weight", "Gewicht"},
      {"MPrice", "Preis"},
      {"SPrice", "Preis in Zweitwährung"},
      {"Shipping", "Versandkosten"},
  };
  for (const auto& [name, label] : kLabels)
    if (name == field) return label;
  return field;
}

void CheckField(const TableDef& table, std::string_view name, const std::string& value, Status& result) {
  if (!result.ok()) return;
  const FieldDef* def = table.Field(name);
  if (!def) return;
  const std::string label(FieldLabel(name));
  if (!IsValidUtf8(value)) {
    result = Status::Error(Format(kFieldNotUtf8, label));
  } else if (def->type == FieldType::Text && Utf8Length(value) > static_cast<size_t>(def->width)) {
    result = Status::Error(Format(texts::kFieldTooLong, label, def->width));
  } else if (def->required && !def->allowZeroLength && Trim(value).empty()) {
    // A single blank stands for "none" in the shop's lists, so it is no name either.
    result = Status::Error(Format(kFieldEmpty, label));
  }
}

void CheckField(const TableDef&, std::string_view, float value, Status& result) {
  if (result.ok() && !std::isfinite(value)) result = Status::Error(Text(text::kValueOutOfRange));
}

template <class T>
void CheckField(const TableDef&, std::string_view, const T&, Status&) {}

// Checks every field of the row against its table before anything is written.
template <class Row>
Status CheckRow(const Row& row) {
  const TableDef& table = ShopTable(RowTraits<Row>::kTable);
  Status result;
  std::apply([&](const auto&... bound) { (CheckField(table, bound.name, row.*(bound.member), result), ...); },
             RowTraits<Row>::kFields);
  return result;
}

// A relation refused the change: the row is still used elsewhere.
bool IsRefusedAsInUse(const DbError& error) { return (error.engineCode() & 0xFF) == kEngineConstraint; }

}  // namespace

Result<float> ParseAmount(std::string_view typed) {
  std::string t(Trim(typed));
  // A German merchant types a comma; the value is the same.
  if (t.find(',') != std::string::npos && t.find('.') == std::string::npos) t[t.find(',')] = '.';
  const char* begin = t.data();
  const char* end = begin + t.size();
  if (begin != end && *begin == '+') ++begin;
  double value = 0;
  // from_chars reads with a decimal point whatever the user's locale.
  const auto [stop, ec] = std::from_chars(begin, end, value);
  if (t.empty() || stop != end || ec == std::errc::invalid_argument)
    return Result<float>::Error(Text(text::kOnlyNumbersAllowed));
  if (ec == std::errc::result_out_of_range || !std::isfinite(value) ||
      std::fabs(value) > std::numeric_limits<float>::max())
    return Result<float>::Error(Text(text::kValueOutOfRange));
  return static_cast<float>(value);
}

Result<int32_t> ParseWholeNumber(std::string_view typed) {
  const std::string t(Trim(typed));
  errno = 0;
  char* end = nullptr;
  const long long value = t.empty() ? 0 : std::strtoll(t.c_str(), &end, 10);
  if (t.empty() || end != t.c_str() + t.size()) return Result<int32_t>::Error(Text(text::kOnlyNumbersAllowed));
  if (errno == ERANGE || value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    return Result<int32_t>::Error(Text(text::kValueOutOfRange));
  return static_cast<int32_t>(value);
}

CatalogueEditor::CatalogueEditor(ShopDatabase& db, ShopPaths paths, Prompter& prompter)
    : db_(db), prompter_(prompter), pictures_(std::move(paths)) {
  const CatalogueSentinels sentinels = EnsureCatalogueSentinels(db);
  noKind_ = sentinels.noKind;
  noIndex_ = sentinels.noIndex;
  noTax_ = sentinels.noTax;
}

bool CatalogueEditor::AnyChanged() const {
  for (int tab = 0; tab < kCatalogueTabCount; ++tab)
    if (changed_[tab] || pictures_.HasPending(static_cast<CatalogueTab>(tab))) return true;
  return false;
}

Status CatalogueEditor::ChoosePicture(PictureSlot slot, int32_t id, const std::filesystem::path& file) {
  Status chosen = pictures_.Choose(slot, id, file);
  if (chosen.ok()) MarkChanged(TabOfSlot(slot));
  return chosen;
}

void CatalogueEditor::RemovePicture(PictureSlot slot, int32_t id) {
  pictures_.Remove(slot, id);
  MarkChanged(TabOfSlot(slot));
}

int32_t CatalogueEditor::BlankValueOf(int32_t kind) {
  RecordSet<SubAttributesRow> blank(db_);
  blank.SetFilter(Eq("MainAttrID", kind) && Eq("Name", " "));
  blank.Open();
  if (!blank.IsEOF()) return blank->ID;
  return Insert(db_, SubAttributesRow{.Name = " ", .MainAttrID = kind});
}

int32_t CatalogueEditor::AddCategory() {
  const int32_t id = Atomically(
      db_, [&] { return Insert(db_, DefaultCategory(OrderAfter(LastOrder<CategoriesRow>(db_, {})))); });
  MarkChanged(CatalogueTab::Categories);
  return id;
}

int32_t CatalogueEditor::AddLine() {
  const int32_t id =
      Atomically(db_, [&] { return Insert(db_, DefaultLine(OrderAfter(LastOrder<LinesRow>(db_, {})))); });
  MarkChanged(CatalogueTab::Lines);
  return id;
}

int32_t CatalogueEditor::AddAttributeKind() {
  const int32_t id = Atomically(db_, [&] {
    const int32_t kind = Insert(db_, MainAttributesRow{.Name = std::string(kNewAttributeKindName)});
    BlankValueOf(kind);
    return kind;
  });
  MarkChanged(CatalogueTab::Attributes);
  return id;
}

std::optional<int32_t> CatalogueEditor::AddAttributeValue(std::optional<int32_t> kind) {
  // Values of "[Kein Attribut]" would give items of products without attributes a choice.
  if (!kind || *kind == noKind_) return std::nullopt;
  const int32_t id = Atomically(db_, [&] {
    return Insert(db_, SubAttributesRow{.Name = std::string(kNewAttributeValueName), .MainAttrID = *kind});
  });
  MarkChanged(CatalogueTab::Attributes);
  return id;
}

int32_t CatalogueEditor::AddIndexEntry() {
  const int32_t id =
      Atomically(db_, [&] { return Insert(db_, IndexRow{.Name = std::string(kNewIndexEntryName)}); });
  MarkChanged(CatalogueTab::Attributes);
  return id;
}

Result<int32_t> CatalogueEditor::AddProduct(std::optional<int32_t> category) {
  if (!category) return Result<int32_t>::Error(Text(text::kNoCategorySelected));
  const int32_t id = Atomically(db_, [&] {
    const int32_t order = OrderAfter(LastOrder<ProductsRow>(db_, Eq("CategoryID", *category)));
    const int32_t tax = NewProductTaxType(ReadSettingsRow<OptionsRow>(db_), noTax_);
    return Insert(db_, DefaultProduct(*category, order, tax, noIndex_, noKind_));
  });
  MarkChanged(CatalogueTab::Products);
  return id;
}

std::optional<int32_t> CatalogueEditor::AddItem(int32_t product) {
  const std::optional<ProductsRow> owner = RowById<ProductsRow>(db_, product);
  if (!owner) return std::nullopt;
  const int32_t id = Atomically(db_, [&] {
    const int32_t order = OrderAfter(LastOrder<ItemsRow>(db_, Eq("ProductID", product)));
    const int32_t value1 = BlankValueOf(owner->AttributeID1);
    return Insert(db_, DefaultItem(product, order, value1, BlankValueOf(owner->AttributeID2)));
  });
  MarkChanged(CatalogueTab::Products);
  return id;
}

std::optional<int32_t> CatalogueEditor::CopyItem(int32_t item) {
  std::optional<ItemsRow> copy = RowById<ItemsRow>(db_, item);
  if (!copy) return std::nullopt;
  const int32_t id = Atomically(db_, [&] {
    copy->ID = 0;
    copy->Order = OrderAfter(LastOrder<ItemsRow>(db_, Eq("ProductID", copy->ProductID)));
    return Insert(db_, *copy);
  });
  MarkChanged(CatalogueTab::Products);
  return id;
}

int CatalogueEditor::MoveCategory(int32_t id, MoveDirection direction) {
  const int written = MoveInList<CategoriesRow>(db_, {}, id, direction);
  if (written) MarkChanged(CatalogueTab::Categories);
  return written;
}

int CatalogueEditor::MoveProduct(int32_t id, MoveDirection direction) {
  const std::optional<ProductsRow> product = RowById<ProductsRow>(db_, id);
  if (!product) return 0;
  const int written = MoveInList<ProductsRow>(db_, Eq("CategoryID", product->CategoryID), id, direction);
  if (written) MarkChanged(CatalogueTab::Products);
  return written;
}

int CatalogueEditor::MoveItem(int32_t id, MoveDirection direction) {
  const std::optional<ItemsRow> item = RowById<ItemsRow>(db_, id);
  if (!item) return 0;
  const int written = MoveInList<ItemsRow>(db_, Eq("ProductID", item->ProductID), id, direction);
  if (written) MarkChanged(CatalogueTab::Products);
  return written;
}

int CatalogueEditor::MoveLine(int32_t id, MoveDirection direction) {
  const int written = MoveInList<LinesRow>(db_, {}, id, direction);
  if (written) MarkChanged(CatalogueTab::Lines);
  return written;
}

int CatalogueEditor::MoveMember(int32_t id, MoveDirection direction) {
  const std::optional<ProdLinesRow> member = RowById<ProdLinesRow>(db_, id);
  if (!member) return 0;
  const int written = MoveInList<ProdLinesRow>(db_, Eq("LineID", member->LineID), id, direction);
  if (written) MarkChanged(CatalogueTab::Assignment);
  return written;
}

int CatalogueEditor::DeleteCategory(int32_t id) {
  if (!RowById<CategoriesRow>(db_, id)) return 0;
  if (prompter_.AskYesNo(Text(text::kDeleteCategoryQuestion), Answer::Yes) != Answer::Yes) return 0;
  std::vector<int32_t> products;
  RecordSet<ProductIdsRow> ofCategory(db_);
  ofCategory.SetFilter(Eq("CategoryID", id));
  ofCategory.ForEach([&](const ProductIdsRow& p) { products.push_back(p.ID); });
  // The relations take the products, their items and memberships along.
  if (!Atomically(db_, [&] { return DeleteById<CategoriesRow>(db_, id); })) return 0;
  // Keys are never given out again, so pictures left behind would lie there for good.
  pictures_.DeleteFilesOf(PictureSlot::CategoryButton, id);
  pictures_.DeleteFilesOf(PictureSlot::CategoryHeading, id);
  for (int32_t product : products) pictures_.DeleteFilesOf(PictureSlot::Product, product);
  MarkChanged(CatalogueTab::Categories);
  return 1;
}

int CatalogueEditor::DeleteProduct(int32_t id) {
  if (!RowById<ProductsRow>(db_, id)) return 0;
  if (prompter_.AskYesNo(Text(text::kDeleteProductQuestion), Answer::Yes) != Answer::Yes) return 0;
  if (!Atomically(db_, [&] { return DeleteById<ProductsRow>(db_, id); })) return 0;
  pictures_.DeleteFilesOf(PictureSlot::Product, id);
  MarkChanged(CatalogueTab::Products);
  return 1;
}

int CatalogueEditor::DeleteItems(const std::vector<int32_t>& ids) {
  if (ids.empty() || prompter_.AskYesNo(Text(text::kDeleteItemsQuestion), Answer::Yes) != Answer::Yes) return 0;
  const int deleted = Atomically(db_, [&] {
    int n = 0;
    for (int32_t id : ids) n += DeleteById<ItemsRow>(db_, id) ? 1 : 0;
    return n;
  });
  if (deleted) MarkChanged(CatalogueTab::Products);
  return deleted;
}

int CatalogueEditor::DeleteLines(const std::vector<int32_t>& ids) {
  if (ids.empty() || prompter_.AskYesNo(Text(text::kDeleteLinesQuestion), Answer::Yes) != Answer::Yes) return 0;
  std::vector<int32_t> deleted;
  Atomically(db_, [&] {
    for (int32_t id : ids)
      if (DeleteById<LinesRow>(db_, id)) deleted.push_back(id);
    return 0;
  });
  for (int32_t id : deleted) {
    pictures_.DeleteFilesOf(PictureSlot::LineButton, id);
    pictures_.DeleteFilesOf(PictureSlot::LineHeading, id);
  }
  if (!deleted.empty()) MarkChanged(CatalogueTab::Lines);
  return static_cast<int>(deleted.size());
}

namespace {

// Deletes what the relations let go, each row on its own, all in one transaction; the
// rest stays (`keep` names the sentinels) and the note tells the merchant so.
template <class Row, class Keep>
int DeleteUnused(ShopDatabase& db, Prompter& prompter, const std::vector<int32_t>& ids, int question, int note,
                 Keep&& keep) {
  if (ids.empty() || prompter.AskYesNo(Text(question), Answer::Yes) != Answer::Yes) return 0;
  const int deleted = Atomically(db, [&] {
    int n = 0;
    for (int32_t id : ids) {
      if (keep(id)) continue;
      TransactionScope one(db);
      try {
        if (!DeleteById<Row>(db, id)) continue;
        one.Commit();
        ++n;
      } catch (const DbError& e) {
        if (!IsRefusedAsInUse(e)) throw;
      }
    }
    return n;
  });
  if (deleted < static_cast<int>(ids.size())) prompter.Show(Text(note), MessageIcon::Information);
  return deleted;
}

}  // namespace

int CatalogueEditor::DeleteAttributeKinds(const std::vector<int32_t>& ids) {
  const int deleted = DeleteUnused<MainAttributesRow>(db_, prompter_, ids, text::kDeleteKindsQuestion, text::kKindsNotAllDeleted,
                                                      [&](int32_t id) { return id == noKind_; });
  if (deleted) MarkChanged(CatalogueTab::Attributes);
  return deleted;
}

int CatalogueEditor::DeleteAttributeValues(const std::vector<int32_t>& ids) {
  const int deleted =
      DeleteUnused<SubAttributesRow>(db_, prompter_, ids, text::kDeleteValuesQuestion, text::kValuesNotAllDeleted, [&](int32_t id) {
        const std::optional<SubAttributesRow> value = RowById<SubAttributesRow>(db_, id);
        return value && value->Name == " ";
      });
  if (deleted) MarkChanged(CatalogueTab::Attributes);
  return deleted;
}

int CatalogueEditor::DeleteIndexEntries(const std::vector<int32_t>& ids) {
  const int deleted = DeleteUnused<IndexRow>(db_, prompter_, ids, text::kDeleteIndexQuestion, text::kIndexNotAllDeleted,
                                             [&](int32_t id) { return id == noIndex_; });
  if (deleted) MarkChanged(CatalogueTab::Attributes);
  return deleted;
}

bool CatalogueEditor::ChangeAttributeKind(int32_t product, AttributeSlot slot, int32_t kind) {
  const bool first = slot == AttributeSlot::First;
  int32_t ProductsRow::*field = first ? &ProductsRow::AttributeID1 : &ProductsRow::AttributeID2;
  int32_t ItemsRow::*value = first ? &ItemsRow::SubAttrID1 : &ItemsRow::SubAttrID2;
  const std::optional<ProductsRow> row = RowById<ProductsRow>(db_, product);
  if (!row || (*row).*field == kind) return false;
  if ((*row).*field != noKind_ &&
      prompter_.AskYesNo(Text(first ? text::kChangeFirstKindQuestion : text::kChangeSecondKindQuestion), Answer::No) !=
          Answer::Yes)
    return false;
  Atomically(db_, [&] {
    UpdateById<ProductsRow>(db_, product, [&](ProductsRow& p) { p.*field = kind; });
    const int32_t blank = BlankValueOf(kind);
    CRecSetItems items(db_);
    items.SetFilter(Eq("ProductID", product));
    items.Open();
    for (items.MoveFirst(); !items.IsEOF(); items.MoveNext()) {
      if ((*items).*value == blank) continue;
      items.Edit();
      (*items).*value = blank;
      items.Update();
    }
    return 0;
  });
  MarkChanged(CatalogueTab::Products);
  return true;
}

int CatalogueEditor::AddToLine(std::optional<int32_t> line, const std::vector<int32_t>& products) {
  if (!line || products.empty()) return 0;
  const int added = Atomically(db_, [&] {
    std::set<int32_t> inLine;
    std::optional<int32_t> last;
    RecordSet<ProdLinesRow> members(db_);
    members.SetFilter(Eq("LineID", *line));
    members.ForEach([&](const ProdLinesRow& m) {
      inLine.insert(m.ProductID);
      last = last ? std::max(*last, m.Order) : m.Order;
    });
    int n = 0;
    for (int32_t id : products) {
      if (inLine.contains(id)) continue;
      const std::optional<ProductsRow> product = RowById<ProductsRow>(db_, id);
      if (!product) continue;
      // One after another, so that their order in the line is the order they were added in.
      last = OrderAfter(last);
      Insert(db_, ProdLinesRow{.Name = product->Name, .LineID = *line, .ProductID = id, .Order = *last});
      inLine.insert(id);
      ++n;
    }
    return n;
  });
  if (added) MarkChanged(CatalogueTab::Assignment);
  return added;
}

int CatalogueEditor::RemoveFromLine(const std::vector<int32_t>& members) {
  if (members.empty() || prompter_.AskYesNo(Text(text::kRemoveMemberQuestion), Answer::Yes) != Answer::Yes) return 0;
  const int removed = Atomically(db_, [&] {
    int n = 0;
    for (int32_t id : members) n += DeleteById<ProdLinesRow>(db_, id) ? 1 : 0;
    return n;
  });
  if (removed) MarkChanged(CatalogueTab::Assignment);
  return removed;
}

int CatalogueEditor::ClearLine(std::optional<int32_t> line) {
  if (!line || prompter_.AskYesNo(Text(text::kClearLineQuestion), Answer::Yes) != Answer::Yes) return 0;
  const int removed = Atomically(db_, [&] { return DeleteProdLinesOfLine(db_, *line); });
  MarkChanged(CatalogueTab::Assignment);
  return removed;
}

namespace {

template <class Row, class Merge>
Status SaveChecked(ShopDatabase& db, const Row& row, Merge&& merge) {
  if (Status checked = CheckRow(row); !checked.ok()) return checked;
  const bool found =
      Atomically(db, [&] { return UpdateById<Row>(db, row.ID, [&](Row& stored) { merge(stored, row); }); });
  return found ? Status::Ok() : Status::Error(std::string(kRowGone));
}

// Renames a kind, value or index entry. A blank name is refused: it would make the row
// a second "none".
template <class Row>
Status SaveName(ShopDatabase& db, int32_t id, const std::string& name) {
  if (Trim(name).empty()) return Status::Error(Format(kFieldEmpty, FieldLabel("Name")));
  Row row;
  row.ID = id;
  row.Name = name;
  return SaveChecked(db, row, [](Row& stored, const Row& typed) { stored.Name = typed.Name; });
}

}  // namespace

Status CatalogueEditor::SaveCategory(const CategoriesRow& row) {
  Status saved = SaveChecked(db_, row, [](CategoriesRow& stored, const CategoriesRow& typed) {
    stored.Name = typed.Name;
    stored.Include = typed.Include;
    stored.Description = typed.Description;
  });
  if (saved.ok()) MarkChanged(CatalogueTab::Categories);
  return saved;
}

Status CatalogueEditor::SaveLine(const LinesRow& row) {
  Status saved = SaveChecked(db_, row, [](LinesRow& stored, const LinesRow& typed) {
    stored.Name = typed.Name;
    stored.Include = typed.Include;
    stored.Description = typed.Description;
  });
  if (saved.ok()) MarkChanged(CatalogueTab::Lines);
  return saved;
}

Status CatalogueEditor::SaveProduct(const ProductsRow& row) {
  Status saved = SaveChecked(db_, row, [](ProductsRow& stored, const ProductsRow& typed) {
    const ProductsRow kept = stored;
    stored = typed;
    stored.ID = kept.ID;
    stored.CategoryID = kept.CategoryID;
    stored.Order = kept.Order;
    stored.AttributeID1 = kept.AttributeID1;
    stored.AttributeID2 = kept.AttributeID2;
  });
  if (saved.ok()) MarkChanged(CatalogueTab::Products);
  return saved;
}

Status CatalogueEditor::SaveItem(const ItemsRow& row) {
  Status saved = SaveChecked(db_, row, [](ItemsRow& stored, const ItemsRow& typed) {
    const ItemsRow kept = stored;
    stored = typed;
    stored.ID = kept.ID;
    stored.ProductID = kept.ProductID;
    stored.Order = kept.Order;
  });
  if (saved.ok()) MarkChanged(CatalogueTab::Products);
  return saved;
}

Status CatalogueEditor::RenameAttributeKind(int32_t id, const std::string& name) {
  Status saved = SaveName<MainAttributesRow>(db_, id, name);
  if (saved.ok()) MarkChanged(CatalogueTab::Attributes);
  return saved;
}

Status CatalogueEditor::RenameAttributeValue(int32_t id, const std::string& name) {
  Status saved = SaveName<SubAttributesRow>(db_, id, name);
  if (saved.ok()) MarkChanged(CatalogueTab::Attributes);
  return saved;
}

Status CatalogueEditor::RenameIndexEntry(int32_t id, const std::string& name) {
  Status saved = SaveName<IndexRow>(db_, id, name);
  if (saved.ok()) MarkChanged(CatalogueTab::Attributes);
  return saved;
}

Status CatalogueEditor::SaveTab(CatalogueTab tab) {
  Status stored = pictures_.Store(tab);
  if (!stored.ok()) return stored;
  changed_[static_cast<size_t>(tab)] = false;
  return Status::Ok();
}

void CatalogueEditor::DiscardTab(CatalogueTab tab) {
  pictures_.Discard(tab);
  changed_[static_cast<size_t>(tab)] = false;
}

Result<bool> CatalogueEditor::ConfirmLeave(const std::function<Status(CatalogueTab)>& writeFields) {
  return ConfirmLeavePage<CatalogueTab, kCatalogueTabCount>(*this, prompter_, Text(text::kSaveCatalogueQuestion), writeFields);
}

}  // namespace vendora
