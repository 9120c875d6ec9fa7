#include "rules/catalogue_cells.h"

#include <optional>

#include "common/text_format.h"
#include "common/text_util.h"
#include "rules/catalogue_edit.h"
#include "rules/catalogue_lists.h"
#include "shopdb/field_display.h"
#include "shopdb/recordsets.h"

namespace vendora {

namespace {

// Own wording: the older list dropped a value it could not find without a word.
constexpr std::string_view kNoSuchValue = "\"%s\" ist keine Eigenschaft, die dieses Produkt anbietet.";

float ItemsRow::*AmountField(ItemColumn column) {
  switch (column) {
    case ItemColumn::Weight: return &ItemsRow::Weight;
    case ItemColumn::MPrice: return &ItemsRow::MPrice;
    case ItemColumn::SPrice: return &ItemsRow::SPrice;
    default: return &ItemsRow::Shipping;
  }
}

// The kind whose values the column offers: the product's first or second.
std::optional<int32_t> KindOf(ShopDatabase& db, const ItemsRow& item, ItemColumn column) {
  RecordSet<ProductsRow> product(db);
  product.SetFilter(Eq("ID", item.ProductID));
  product.Open();
  if (product.IsEOF()) return std::nullopt;
  return column == ItemColumn::Value1 ? product->AttributeID1 : product->AttributeID2;
}

}  // namespace

std::string ItemCellText(ShopDatabase& db, const ItemsRow& item, ItemColumn column) {
  switch (column) {
    case ItemColumn::ItemNumber: return item.ItemNumber;
    case ItemColumn::Available: return FormatFieldValue(item.Available);
    case ItemColumn::Value1:
    case ItemColumn::Value2: {
      const int32_t key = column == ItemColumn::Value1 ? item.SubAttrID1 : item.SubAttrID2;
      CRecSetSubAttributes values(db);
      values.SetFilter(LookupKeyCriteria("ID", key));
      values.Open();
      return values.IsEOF() ? FormatFieldValue(key) : FormatFieldValue(values->Name);
    }
    default: return FormatFieldValue(item.*AmountField(column));
  }
}

Status TakeItemCell(ShopDatabase& db, ItemsRow& item, ItemColumn column, std::string_view typed) {
  switch (column) {
    case ItemColumn::ItemNumber: item.ItemNumber = std::string(typed); return Status::Ok();
    case ItemColumn::Available: {
      Result<bool> available = ParseSwitchCell(typed, "Verfügbar");
      if (!available.ok()) return available.status();
      item.Available = *available;
      return Status::Ok();
    }
    case ItemColumn::Value1:
    case ItemColumn::Value2: {
      const std::optional<int32_t> kind = KindOf(db, item, column);
      if (!kind) return Status::Error(Format(kNoSuchValue, Trim(typed)));
      CRecSetSubAttributes values(db);
      values.SetFilter(Eq("MainAttrID", *kind));
      values.Open();
      // A blank cell is the kind's blank value, which stands for "none".
      const std::string name = Trim(typed).empty() ? std::string(" ") : std::string(Trim(typed));
      for (const Criteria& search : LookupSearchCriteria("Name", name)) {
        if (!values.FindFirst(search)) continue;
        (column == ItemColumn::Value1 ? item.SubAttrID1 : item.SubAttrID2) = values->ID;
        return Status::Ok();
      }
      return Status::Error(Format(kNoSuchValue, name));
    }
    default: {
      Result<float> amount = ParseAmount(typed);
      if (!amount.ok()) return amount.status();
      item.*AmountField(column) = *amount;
      return Status::Ok();
    }
  }
}

}  // namespace vendora
