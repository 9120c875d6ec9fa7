#pragma once
// Small text helpers shared by the core. Texts are UTF-8.
#include <string>
#include <string_view>

namespace vendora {

// Without surrounding blanks, tabs and line ends.
std::string_view Trim(std::string_view s);

// Number of characters (code points) of a UTF-8 text; invalid bytes count one each.
size_t Utf8Length(std::string_view s);

// Compares ignoring letter case, for ASCII and the Latin-1 letters (Ä and ä are equal,
// Ä and A are not). Used for file names, codes and criteria on texts.
bool EqualsNoCase(std::string_view a, std::string_view b);
int CompareNoCase(std::string_view a, std::string_view b);

// Order of names in lists: letters compare without case and without accents first
// (Äpfel next to Apfel, ß as ss), then without case, then byte by byte, so the order
// is total and stable.
int CompareForSort(std::string_view a, std::string_view b);

}  // namespace vendora
