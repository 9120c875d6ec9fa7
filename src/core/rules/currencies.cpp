#include "rules/currencies.h"

#include <algorithm>

#include "common/program_text.h"
#include "common/text_ids.h"
#include "common/text_util.h"

namespace vendora {

namespace detail {
std::span<const std::string_view> CurrencyTexts();  // generated from iso-codes
}  // namespace detail

namespace {

constexpr size_t kNameStart = 6;  // after "XYZ - "
constexpr size_t kCodeLength = 3;

// The letter a German list files a character under: accents and umlauts go with their
// base letter (DIN 5007 for lists of names), "ß" with "ss", case does not count.
void AppendSortKey(std::string& key, char32_t c) {
  // U+00C0 to U+00FF; '*' marks the two signs that are no letters.
  static constexpr std::string_view kLatin1 = "aaaaaaaceeeeiiiidnooooo*ouuuuyts"
                                              "aaaaaaaceeeeiiiidnooooo*ouuuuyty";
  if (c < 0x80) {
    key += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  } else if (c == 0xDF) {
    key += "ss";
  } else if (c >= 0xC0 && c <= 0xFF && kLatin1[c - 0xC0] != '*') {
    key += kLatin1[c - 0xC0];
  } else {
    // Beyond Latin-1 (a "ł" inside a name): after every plain letter, in code order.
    AppendUtf8(key, c);
  }
}

std::string SortKey(std::string_view name) {
  std::string key;
  for (size_t i = 0; i < name.size();) AppendSortKey(key, DecodeUtf8(name, i));
  return key;
}

std::vector<CurrencyChoice> SortedChoices() {
  const auto texts = CurrencyTexts();
  std::vector<std::pair<std::string, CurrencyChoice>> keyed;
  for (size_t i = 0; i < texts.size(); ++i) {
    const std::string_view name = texts[i].substr(std::min(kNameStart, texts[i].size()));
    keyed.push_back({SortKey(name), {kFirstCurrencyText + static_cast<int>(i), name}});
  }
  // Two codes may share a name (an old and a new Leone); the code keeps their order fixed.
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<CurrencyChoice> choices;
  for (auto& [key, choice] : keyed) choices.push_back(choice);
  return choices;
}

}  // namespace

std::span<const std::string_view> CurrencyTexts() { return detail::CurrencyTexts(); }

std::string_view CurrencyText(int number) {
  const auto texts = CurrencyTexts();
  const int index = number - kFirstCurrencyText;
  if (index < 0 || index >= static_cast<int>(texts.size())) return {};
  return texts[static_cast<size_t>(index)];
}

const std::vector<CurrencyChoice>& MasterCurrencyChoices() {
  static const std::vector<CurrencyChoice> choices = SortedChoices();
  return choices;
}

const std::vector<CurrencyChoice>& SecondCurrencyChoices() {
  static const std::vector<CurrencyChoice> choices = [] {
    std::vector<CurrencyChoice> all{{text::kNoSecondCurrency, ProgramText(text::kNoSecondCurrency)}};
    const auto& master = MasterCurrencyChoices();
    all.insert(all.end(), master.begin(), master.end());
    return all;
  }();
  return choices;
}

std::string CurrencySymbol(const CurrencyChoice& choice) {
  return std::string(CurrencyText(choice.number).substr(0, kCodeLength));
}

std::optional<int> ChoicePosition(const std::vector<CurrencyChoice>& choices, std::string_view symbol) {
  const std::string_view code = Trim(symbol);
  if (code.empty()) return std::nullopt;
  for (size_t i = 0; i < choices.size(); ++i)
    if (CurrencySymbol(choices[i]) == code) return static_cast<int>(i);
  return std::nullopt;
}

bool FactorControlsEnabled(std::string_view secondSymbol) { return !Trim(secondSymbol).empty(); }

}  // namespace vendora
