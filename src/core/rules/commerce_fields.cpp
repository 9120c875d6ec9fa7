#include "rules/commerce_fields.h"

#include <stdexcept>
#include <type_traits>
#include <variant>

#include "common/text_format.h"
#include "common/text_util.h"
#include "rules/commerce_rules.h"
#include "rules/list_rows.h"
#include "rules/settings_form.h"
#include "shopdb/database.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "shopdb/schema.h"

namespace vendora {

using namespace list_rows;

namespace {

// The Options fields each tab's save button writes.
void CopyTabFields(CommerceTab tab, const OptionsRow& from, OptionsRow& to) {
  switch (tab) {
    case CommerceTab::Orders:
      to.ReqPhone = from.ReqPhone;
      to.ReqFax = from.ReqFax;
      to.ReqEmail = from.ReqEmail;
      to.ReqCustID = from.ReqCustID;
      to.ReqCountry = from.ReqCountry;
      to.ElectronicSubmit = from.ElectronicSubmit;
      to.PrintMail = from.PrintMail;
      to.PrintFax = from.PrintFax;
      to.MCurrency = from.MCurrency;
      to.SCurrency = from.SCurrency;
      to.DoFactor = from.DoFactor;
      to.Factor = from.Factor;
      to.MinAmount = from.MinAmount;
      break;
    case CommerceTab::PaymentAndTaxes:
      to.TaxType = from.TaxType;
      to.DefTaxTypeID = from.DefTaxTypeID;
      break;
    case CommerceTab::Shipping:
      to.ShippingCalcType = from.ShippingCalcType;
      to.Insurance = from.Insurance;
      to.InsuranceValue = from.InsuranceValue;
      to.InsuranceLimit = from.InsuranceLimit;
      to.InsuranceReplaces = from.InsuranceReplaces;
      to.InsuranceReplacesValue = from.InsuranceReplacesValue;
      break;
    case CommerceTab::Discounts: to.OfferDiscounts = from.OfferDiscounts; break;
    case CommerceTab::GiftOptions:
      to.OfferGiftWrap = from.OfferGiftWrap;
      to.WrapCharge = from.WrapCharge;
      to.WrapPerItem = from.WrapPerItem;
      to.OfferGiftMessage = from.OfferGiftMessage;
      to.MessageCharge = from.MessageCharge;
      break;
  }
}

const FieldDef& Field(std::string_view table, std::string_view field) {
  const FieldDef* def = ShopTable(table).Field(field);
  if (!def) throw std::out_of_range("no field " + std::string(field));
  return *def;
}

FieldRef RefOf(std::vector<NamedFieldRef>& refs, std::string_view field) {
  for (NamedFieldRef& r : refs)
    if (r.name == field) return r.ref;
  throw std::out_of_range("no field " + std::string(field));
}

}  // namespace

Status CheckConvertFactor(float factor) {
  if (!(factor > 0)) return Status::Error(std::string(kFactorNotPositive));
  return Status::Ok();
}

void StoreCommerceFields(ShopDatabase& db, CommerceTab tab, const OptionsRow& edited) {
  Atomically(db, [&] {
    CMyDaoRecordset<OptionsRow> set(db);
    set.Open();
    OptionsRow row = set.IsEOF() ? DefaultOptions() : *set;
    CopyTabFields(tab, edited, row);
    if (set.IsEOF()) set.AddNew();
    else set.Edit();
    *set = row;
    set.Update();
    return true;
  });
}

void StoreSwappedCurrencies(ShopDatabase& db, const std::string& master, const std::string& second, float factor) {
  Atomically(db, [&] {
    CMyDaoRecordset<OptionsRow> set(db);
    set.Open();
    OptionsRow row = set.IsEOF() ? DefaultOptions() : *set;
    row.MCurrency = master;
    row.SCurrency = second;
    row.Factor = factor;
    if (set.IsEOF()) set.AddNew();
    else set.Edit();
    *set = row;
    set.Update();
    return true;
  });
}

bool CommerceFieldsDiffer(CommerceTab tab, const OptionsRow& a, const OptionsRow& b) {
  OptionsRow probe = b;
  CopyTabFields(tab, a, probe);
  // b with a's tab fields equals b exactly when the tab's fields agree.
  OptionsRow stored = b;
  std::vector<NamedFieldRef> left = RowFieldRefs(probe), right = RowFieldRefs(stored);
  for (size_t i = 0; i < left.size(); ++i) {
    const bool same = std::visit(
        [&](auto* l) {
          using T = std::remove_pointer_t<decltype(l)>;
          return *l == *std::get<T*>(right[i].ref);
        },
        left[i].ref);
    if (!same) return true;
  }
  return false;
}

template <class Row>
std::string CommerceCellText(const Row& row, std::string_view field) {
  Row copy = row;
  std::vector<NamedFieldRef> refs = RowFieldRefs(copy);
  return std::visit(
      [](auto* value) -> std::string {
        using T = std::remove_pointer_t<decltype(value)>;
        if constexpr (std::is_same_v<T, std::string>) return *value;
        else if constexpr (std::is_same_v<T, float>) return FormatNumberField(NumberFieldKind::Amount, *value);
        else if constexpr (std::is_same_v<T, bool>) return *value ? "true" : "false";
        else return std::to_string(*value);
      },
      RefOf(refs, field));
}

template <class Row>
Status TakeCommerceCell(Row& row, std::string_view field, std::string_view typed) {
  const FieldDef& def = Field(RowTraits<Row>::kTable, field);
  Row changed = row;
  std::vector<NamedFieldRef> refs = RowFieldRefs(changed);
  Status status = std::visit(
      [&](auto* value) -> Status {
        using T = std::remove_pointer_t<decltype(value)>;
        if constexpr (std::is_same_v<T, std::string>) {
          const std::string text(Trim(typed));
          if (def.width > 0 && Utf8Length(text) > static_cast<size_t>(def.width))
            return Status::Error(Format(kCellTooLong, def.width));
          if (text.empty() && !def.allowZeroLength) return Status::Error(std::string(kCellMayNotBeEmpty));
          *value = text;
        } else if constexpr (std::is_same_v<T, float>) {
          Result<float> number = ReadNumberField(typed);
          if (!number.ok()) return number.status();
          *value = *number;
        } else if constexpr (std::is_same_v<T, bool>) {
          const std::string_view t = Trim(typed);
          *value = t == "true" || t == "1";
        } else {
          return Status::Error("Dieses Feld kann hier nicht geändert werden.");
        }
        return Status::Ok();
      },
      RefOf(refs, field));
  if (status.ok()) row = changed;
  return status;
}

template <class Row>
void StoreCommerceRow(ShopDatabase& db, const Row& row) {
  Atomically(db, [&] { return UpdateById<Row>(db, row.ID, [&](Row& stored) { stored = row; }); });
}

void StoreDiscountRow(ShopDatabase& db, const DiscountRow& before, const DiscountRow& after) {
  Atomically(db, [&] {
    CMyDaoRecordset<DiscountRow> set(db);
    set.SetFilter(Eq("Break", before.Break) && Eq("Discount", before.Discount));
    set.Open();
    if (set.IsEOF()) return false;
    set.Edit();
    *set = after;
    set.Update();
    return true;
  });
}

template <class Row>
std::vector<Row> CommerceRows(ShopDatabase& db) {
  std::vector<Row> rows;
  RecordSet<Row> set(db);
  set.ForEach([&](const Row& r) { rows.push_back(r); });
  return rows;
}

std::vector<ShipChargesRow> ShipChargeRows(ShopDatabase& db, int32_t shippingId) {
  std::vector<ShipChargesRow> rows;
  RecordSet<ShipChargesRow> set(db);
  set.SetFilter(Eq("ShippingID", shippingId));
  set.ForEach([&](const ShipChargesRow& r) { rows.push_back(r); });
  return rows;
}

#define VENDORA_COMMERCE_ROW(Row)                                                      \
  template std::string CommerceCellText<Row>(const Row&, std::string_view);           \
  template Status TakeCommerceCell<Row>(Row&, std::string_view, std::string_view);    \
  template std::vector<Row> CommerceRows<Row>(ShopDatabase&);
VENDORA_COMMERCE_ROW(PaymentsRow)
VENDORA_COMMERCE_ROW(CreditCardsRow)
VENDORA_COMMERCE_ROW(TaxesByAreaRow)
VENDORA_COMMERCE_ROW(TaxesByTypeRow)
VENDORA_COMMERCE_ROW(ShippingRow)
VENDORA_COMMERCE_ROW(ShipChargesRow)
VENDORA_COMMERCE_ROW(DiscountRow)
VENDORA_COMMERCE_ROW(GiftWrapsRow)
#undef VENDORA_COMMERCE_ROW
template void StoreCommerceRow<PaymentsRow>(ShopDatabase&, const PaymentsRow&);
template void StoreCommerceRow<CreditCardsRow>(ShopDatabase&, const CreditCardsRow&);
template void StoreCommerceRow<TaxesByAreaRow>(ShopDatabase&, const TaxesByAreaRow&);
template void StoreCommerceRow<TaxesByTypeRow>(ShopDatabase&, const TaxesByTypeRow&);
template void StoreCommerceRow<ShippingRow>(ShopDatabase&, const ShippingRow&);
template void StoreCommerceRow<ShipChargesRow>(ShopDatabase&, const ShipChargesRow&);
template void StoreCommerceRow<GiftWrapsRow>(ShopDatabase&, const GiftWrapsRow&);

}  // namespace vendora
