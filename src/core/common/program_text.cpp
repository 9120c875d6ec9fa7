#include "common/program_text.h"

#include <algorithm>
#include <iterator>

namespace vendora {
namespace {

struct NumberedText {
  int number;
  const char* text;
};

constexpr NumberedText kTexts[] = {
#define VENDORA_TEXT(number, name, text) {number, text},
#define VENDORA_TEXT_UNNAMED(number, text) {number, text},
#include "common/program_texts.inc"
#undef VENDORA_TEXT
#undef VENDORA_TEXT_UNNAMED
};

constexpr bool IsSortedUnique() {
  for (size_t i = 1; i < std::size(kTexts); ++i)
    if (kTexts[i - 1].number >= kTexts[i].number) return false;
  return true;
}
static_assert(IsSortedUnique(), "program_texts.inc must be sorted by number without duplicates");

}  // namespace

std::string_view ProgramText(int number) {
  auto it = std::lower_bound(std::begin(kTexts), std::end(kTexts), number,
                             [](const NumberedText& t, int n) { return t.number < n; });
  if (it == std::end(kTexts) || it->number != number) return {};
  return it->text;
}

size_t ProgramTextCount() { return std::size(kTexts); }

}  // namespace vendora
