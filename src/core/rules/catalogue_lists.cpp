#include "rules/catalogue_lists.h"

#include "common/named_texts.h"
#include "common/text_format.h"
#include "common/text_util.h"
#include "shopdb/recordsets.h"

namespace vendora {

namespace {

// Own wording: the older lists took only their own check boxes.
constexpr std::string_view kNotYesOrNo = "Im Feld \"%s\" ist nur \"true\" oder \"false\" erlaubt.";

template <class Row>
std::vector<Row> ReadList(ShopDatabase& db, const Criteria& filter = {}) {
  RecordSet<Row> set(db);
  if (!filter.IsEmpty()) set.SetFilter(filter);
  std::vector<Row> rows;
  set.ForEach([&](const Row& row) { rows.push_back(row); });
  return rows;
}

template <class Row>
std::vector<ListChoice> Choices(const std::vector<Row>& rows) {
  std::vector<ListChoice> choices;
  choices.reserve(rows.size());
  for (const Row& row : rows) choices.push_back({row.ID, row.Name});
  return choices;
}

// The "none" row first under its label, then the others in list order.
template <class Row>
std::vector<ListChoice> ChoicesWithNone(ShopDatabase& db, std::string_view noneLabel) {
  std::vector<ListChoice> choices;
  for (const Row& row : ReadList<Row>(db, Eq("Name", " "))) choices.push_back({row.ID, std::string(noneLabel)});
  for (ListChoice& choice : Choices(ReadList<Row>(db, Ne("Name", " ")))) choices.push_back(std::move(choice));
  return choices;
}

}  // namespace

std::vector<CategoriesRow> CategoryList(ShopDatabase& db) { return ReadList<CategoriesRow>(db); }
std::vector<LinesRow> LineList(ShopDatabase& db) { return ReadList<LinesRow>(db); }
std::vector<ProductsRow> ProductList(ShopDatabase& db, int32_t category) {
  return ReadList<ProductsRow>(db, Eq("CategoryID", category));
}
std::vector<ItemsRow> ItemList(ShopDatabase& db, int32_t product) {
  return ReadList<ItemsRow>(db, Eq("ProductID", product));
}
std::vector<ProdLinesRow> MemberList(ShopDatabase& db, int32_t line) {
  return ReadList<ProdLinesRow>(db, Eq("LineID", line));
}
std::vector<MainAttributesRow> AttributeKindList(ShopDatabase& db) {
  return ReadList<MainAttributesRow>(db, Ne("Name", " "));
}
std::vector<SubAttributesRow> AttributeValueList(ShopDatabase& db, int32_t kind) {
  return ReadList<SubAttributesRow>(db, Eq("MainAttrID", kind) && Ne("Name", " "));
}
std::vector<IndexRow> IndexEntryList(ShopDatabase& db) { return ReadList<IndexRow>(db, Ne("Name", " ")); }

std::vector<ListChoice> AttributeKindChoices(ShopDatabase& db) {
  return ChoicesWithNone<MainAttributesRow>(db, texts::kNoAttribute);
}
std::vector<ListChoice> IndexEntryChoices(ShopDatabase& db) { return ChoicesWithNone<IndexRow>(db, texts::kNotIndexed); }
std::vector<ListChoice> CategoryChoices(ShopDatabase& db) { return Choices(CategoryList(db)); }
std::vector<ListChoice> LineChoices(ShopDatabase& db) { return Choices(LineList(db)); }

Result<bool> ParseSwitchCell(std::string_view typed, std::string_view column) {
  const std::string_view t = Trim(typed);
  if (EqualsNoCase(t, "true") || t == "1") return true;
  if (EqualsNoCase(t, "false") || t == "0") return false;
  return Result<bool>::Error(Format(kNotYesOrNo, column));
}

}  // namespace vendora
