#pragma once
// What the commerce page ("Handel") does beyond storing its fields: converting and
// swapping the prices of all items, reading and showing its number fields, the
// shipping calculation and insurance switches, and guarding the built-in payment
// methods. Its lists are in commerce_lists.h.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/status.h"

namespace vendora {

class Prompter;
class ProgressSink;
class ShopDatabase;

// Captions of the progress dialogs of the two price runs.
inline constexpr std::string_view kConvertProgressCaption = "Umrechen der Hauptwährung in die Zweitwährung...";
inline constexpr std::string_view kSwapProgressCaption = "Vertauschen von Haupt- und Zweitwährung...";

// A price run over all items follows `progress` (range 0 to the item count, one step
// per item) and asks `cancelled` before each item; a cancel undoes the whole run.
struct PriceRun {
  ProgressSink* progress = nullptr;
  std::function<bool()> cancelled;
};

// The question before each run (20058 and 20096, Yes/No; the swap preselects No).
// True when the merchant answered Yes.
bool ConfirmConvert(Prompter& prompter);
bool ConfirmSwap(Prompter& prompter);

// A price rounded to cents, halves upwards: floor(value * 100 + 0.5) / 100.
float RoundToCents(double value);

// Sets every item's SPrice to its MPrice times `factor`, rounded to cents, in table
// order and in one transaction. False when cancelled (no price changed). Throws DbError.
bool ConvertPrices(ShopDatabase& db, float factor, const PriceRun& run = {});

// The currency part of the page as it stands when "Währungen vertauschen" is pressed.
struct CurrencySelection {
  int masterPosition = 0;  // in MasterCurrencyChoices()
  int secondPosition = 0;  // in SecondCurrencyChoices(); 0 is "Keine zweite Währung"
  std::string masterSymbol, secondSymbol;
  float factor = 0;
};

// Exchanges MPrice and SPrice of every item in one transaction; when that is done, the
// selection's choosers and symbols change places and a factor other than 0 becomes its
// reciprocal. False when cancelled: prices and selection stay as they were. Throws DbError.
bool SwapCurrencies(ShopDatabase& db, CurrencySelection& selection, const PriceRun& run = {});

// Reads a number field of the page (factor, minimum order value, charges, insurance):
// a decimal number as "%f" reads it into a 32-bit float, with a point or a comma, blanks
// around it allowed; every finite value is in range. The failure is 20028 when the
// text is no number, 20027 when the value read is outside the range, both texts one
// after the other when both apply ("1e99x").
Result<float> ReadNumberField(std::string_view typed);

// "Art der Berechnung:" as stored in Options.ShippingCalcType (the chooser's index).
enum class ShippingCalc { TotalValue, ItemCount, Weight, PerOrder, PerItem, Free };
inline constexpr std::string_view kShippingCalcNames[] = {
    "Gesamtwert", "Anzahl der Artikel", "Gewicht", "Pro Bestellung", "Pro Artikel", "Kostenloser Versand"};

// Choosing a calculation type: "Pro Artikel" and "Gewicht" take their values from the
// items, so the merchant is told where to enter them (20054, 20056, information).
void ChooseShippingCalc(int calcType, Prompter& prompter);

// The two coupled insurance switches of the shipping tab. Insurance without its own
// switch cannot replace the shipping charge, so the switches pull each other along.
struct InsuranceSwitches {
  bool insurance = false;  // Options.Insurance
  bool replaces = false;   // Options.InsuranceReplaces
  // Percent and limit fields.
  bool AmountsEnabled() const { return insurance; }
  // The value from which insurance replaces the charge.
  bool ReplacesValueEnabled() const { return replaces; }
};
// Switching insurance off also switches "replaces" off.
InsuranceSwitches SwitchInsurance(InsuranceSwitches switches, bool on);
// Switching "replaces" on also switches insurance on.
InsuranceSwitches SwitchInsuranceReplaces(InsuranceSwitches switches, bool on);

// How a number field of the page shows its value, always with a decimal point:
// the factor with six decimals, the insurance percentage with four, amounts with two.
enum class NumberFieldKind { Factor, InsurancePercent, Amount };
std::string FormatNumberField(NumberFieldKind kind, float value);

// Whether a payment method's code marks a built-in one ("DE", "CC", any letter case).
bool IsProtectedPayment(std::string_view code);

// The payment list's delete: with no row selected (`paymentId` 0) shows 20084; else
// asks 20062 (Yes/No) and deletes the row, unless it is a built-in one, where 20063 is
// shown instead. True when a row was deleted. Database errors are shown too.
bool DeletePayment(ShopDatabase& db, int32_t paymentId, Prompter& prompter);

}  // namespace vendora
