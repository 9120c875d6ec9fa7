#pragma once
// Small text helpers shared by the core. Texts are UTF-8.
#include <string>
#include <string_view>

namespace vendora {

// Without surrounding blanks, tabs and line ends.
std::string_view Trim(std::string_view s);

// UTF-8 is decoded strictly, in one place: overlong forms (C0 8A for a line feed),
// surrogates, values above U+10FFFF, cut sequences and bytes that start nothing are
// invalid. Each byte of an invalid sequence decodes on its own to U+DC80..U+DCFF (the
// byte's "escape"), which is never a character that escaping or a data file cares
// about, and encodes back to the same byte.
constexpr char32_t kByteEscapeBase = 0xDC00;
constexpr bool IsByteEscape(char32_t c) { return c >= kByteEscapeBase + 0x80 && c <= kByteEscapeBase + 0xFF; }

// The character at s[i] (i < s.size()); advances i past it.
char32_t DecodeUtf8(std::string_view s, size_t& i);
// Appends the character as UTF-8, a byte escape as its byte.
void AppendUtf8(std::string& out, char32_t c);
bool IsValidUtf8(std::string_view s);

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

// Whether the text (without surrounding blanks) is one e-mail address as mail servers
// take it: a local part of letters, digits and !#$%&'*+/=?^_`{|}~.- before one "@",
// and a domain of at least two labels of letters, digits and inner hyphens.
bool IsEmailAddress(std::string_view text);

}  // namespace vendora
