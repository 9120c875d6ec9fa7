#pragma once
// The currency list of the commerce page's two choosers. Each text is an ISO 4217 code,
// " - " and the German name; the list is written from Debian's iso-codes when the
// program is built (currency_table.cmake says which codes are left out or kept).
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vendora {

// Text number of the first currency; the others follow in list order.
inline constexpr int kFirstCurrencyText = 24576;

// Every currency text, e.g. "DZD - Algerischer Dinar", numbered from kFirstCurrencyText.
std::span<const std::string_view> CurrencyTexts();
// The text with that number, or empty when the number is no currency.
std::string_view CurrencyText(int number);

// One entry of a chooser: the text number it remembers and the name it shows.
struct CurrencyChoice {
  int number = 0;
  std::string_view name;
};

// The master chooser: every name (the text from its seventh character on), sorted by
// name as a German reader expects ("Ä" with "A", letter case not counting).
const std::vector<CurrencyChoice>& MasterCurrencyChoices();
// The second chooser: "Keine zweite Währung" first, then the master chooser's entries,
// so an entry's position here is its master position plus one.
const std::vector<CurrencyChoice>& SecondCurrencyChoices();

// The symbol that choosing the entry sets: the code of its text, or empty for
// "Keine zweite Währung".
std::string CurrencySymbol(const CurrencyChoice& choice);
// The chooser position whose code is the stored symbol (blanks around it ignored).
std::optional<int> ChoicePosition(const std::vector<CurrencyChoice>& choices, std::string_view symbol);

// Whether "automatisch berechnen", the factor, "Umrechnen!" and "Währungen vertauschen"
// can be used: only while there is a second currency symbol.
bool FactorControlsEnabled(std::string_view secondSymbol);

}  // namespace vendora
