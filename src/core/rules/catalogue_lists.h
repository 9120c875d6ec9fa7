#pragma once
// What the catalogue page's lists and choosers show, read afresh on each call, in the
// lists' sort order. The attribute and index lists leave out their "none" rows (they
// cannot be renamed or deleted); the choosers show them first, as "[Kein Attribut]"
// and "[Nicht indizieren]".
//
// Threading: one thread. Errors: DbError.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/status.h"
#include "shopdb/rows.h"

namespace vendora {

class ShopDatabase;

std::vector<CategoriesRow> CategoryList(ShopDatabase& db);
std::vector<LinesRow> LineList(ShopDatabase& db);
std::vector<ProductsRow> ProductList(ShopDatabase& db, int32_t category);
std::vector<ItemsRow> ItemList(ShopDatabase& db, int32_t product);
std::vector<ProdLinesRow> MemberList(ShopDatabase& db, int32_t line);
std::vector<MainAttributesRow> AttributeKindList(ShopDatabase& db);
std::vector<SubAttributesRow> AttributeValueList(ShopDatabase& db, int32_t kind);
std::vector<IndexRow> IndexEntryList(ShopDatabase& db);

struct ListChoice {
  int32_t key = 0;
  std::string text;
};
std::vector<ListChoice> AttributeKindChoices(ShopDatabase& db);
std::vector<ListChoice> IndexEntryChoices(ShopDatabase& db);
std::vector<ListChoice> CategoryChoices(ShopDatabase& db);
std::vector<ListChoice> LineChoices(ShopDatabase& db);

// The typed text of a list's "shown" column ("true"/"false", "1"/"0", letter case
// ignored); refused with a German reason naming the column.
Result<bool> ParseSwitchCell(std::string_view typed, std::string_view column);

}  // namespace vendora
