#pragma once
// The commerce page's own fields and list cells: which fields of the single Options
// row each tab's save button writes, the check of the conversion factor, and the cells
// of its lists (payment methods, credit cards, taxes, shipping methods, charge breaks,
// discounts, gift wraps) as shown and as typed.
//
// Threading: one thread, the one that owns the database. Errors: DbError passes on
// with nothing written; typed text that cannot be taken comes back as a Status with
// the German reason, the row unchanged.
#include <string>
#include <string_view>
#include <vector>

#include "common/status.h"
#include "rules/commerce_lists.h"
#include "shopdb/rows.h"

namespace vendora {

class ShopDatabase;

// A factor that would turn every second price into 0 or a negative one is refused.
inline constexpr std::string_view kFactorNotPositive =
    "Der Umrechnungsfaktor muss größer als 0 sein. Die Preise wurden nicht geändert.";
Status CheckConvertFactor(float factor);

// Writes the fields that belong to `tab` from `edited` over the stored Options row (a
// fresh row's defaults while there is none), in one transaction; the other tabs'
// fields keep what is stored.
void StoreCommerceFields(ShopDatabase& db, CommerceTab tab, const OptionsRow& edited);
// After a swap of all prices: the currencies and factor that now belong to them, stored
// at once, so that the prices and the currencies they are in never part.
void StoreSwappedCurrencies(ShopDatabase& db, const std::string& master, const std::string& second, float factor);
// Whether the tab's fields differ between the two rows.
bool CommerceFieldsDiffer(CommerceTab tab, const OptionsRow& a, const OptionsRow& b);

// The columns of each list: field names of its table, in the list's order.
inline constexpr std::string_view kPaymentColumns[] = {"Include", "Name", "Price", "Code"};
inline constexpr std::string_view kCreditCardColumns[] = {"Name"};
inline constexpr std::string_view kTaxAreaColumns[] = {"Area", "Rate"};
inline constexpr std::string_view kTaxTypeColumns[] = {"Type", "Rate"};
inline constexpr std::string_view kShippingColumns[] = {"Name"};
inline constexpr std::string_view kShipChargeColumns[] = {"Break", "Charge"};
inline constexpr std::string_view kDiscountColumns[] = {"Break", "Discount"};
inline constexpr std::string_view kGiftWrapColumns[] = {"Name"};

// Own wording for a name left empty.
inline constexpr std::string_view kCellMayNotBeEmpty = "Dieses Feld darf nicht leer sein.";
inline constexpr std::string_view kCellTooLong = "Der Text ist zu lang: höchstens %d Zeichen.";

// A cell as the list shows it: texts as stored, amounts and rates with two decimals
// and a point, switches "true" or "false".
template <class Row>
std::string CommerceCellText(const Row& row, std::string_view field);
// Takes the typed text into the row: texts within the field's width (and not empty
// where the field needs a value), numbers as ReadNumberField reads them, switches
// "true"/"1" or "false"/"0".
template <class Row>
Status TakeCommerceCell(Row& row, std::string_view field, std::string_view typed);

// Stores an edited list row over the row of its key, in one transaction.
template <class Row>
void StoreCommerceRow(ShopDatabase& db, const Row& row);
// Discount rows have no key: the first stored row with the former values is replaced.
void StoreDiscountRow(ShopDatabase& db, const DiscountRow& before, const DiscountRow& after);

// Every row of a list in its order; charge breaks of one method.
template <class Row>
std::vector<Row> CommerceRows(ShopDatabase& db);
std::vector<ShipChargesRow> ShipChargeRows(ShopDatabase& db, int32_t shippingId);

}  // namespace vendora
