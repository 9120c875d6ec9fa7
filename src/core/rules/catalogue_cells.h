#pragma once
// The cells of the catalogue page's item list, as the page shows them and takes what
// the merchant types: amounts with two decimals and a decimal point in every locale,
// availability as "true" or "false", the attribute values by name. A value is looked up
// among the values of the product's kind (as a text first, then as a number); a value
// key that names no row is shown as its number.
//
// Threading: one thread. Errors: DbError for the database; typed text that cannot be
// taken comes back as a Status with the German reason, the item unchanged.
#include <string>
#include <string_view>

#include "common/status.h"
#include "shopdb/rows.h"

namespace vendora {

class ShopDatabase;

enum class ItemColumn { ItemNumber, Value1, Value2, Weight, MPrice, SPrice, Shipping, Available };

std::string ItemCellText(ShopDatabase& db, const ItemsRow& item, ItemColumn column);

// Takes the typed text into the item (nothing is written: CatalogueEditor::SaveItem
// checks and stores it). An empty value cell takes the kind's blank value.
Status TakeItemCell(ShopDatabase& db, ItemsRow& item, ItemColumn column, std::string_view typed);

}  // namespace vendora
