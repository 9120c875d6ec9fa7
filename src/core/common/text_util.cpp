#include "common/text_util.h"

#include <cstdint>

namespace vendora {

std::string_view Trim(std::string_view s) {
  constexpr std::string_view kBlank = " \t\r\n\v\f";
  size_t b = s.find_first_not_of(kBlank);
  if (b == std::string_view::npos) return {};
  size_t e = s.find_last_not_of(kBlank);
  return s.substr(b, e - b + 1);
}

namespace {

// Decodes one code point; an invalid byte yields itself as a code point of its own.
char32_t NextCodePoint(std::string_view s, size_t& i) {
  auto b0 = static_cast<unsigned char>(s[i]);
  auto cont = [&](size_t k) -> int {
    if (i + k >= s.size()) return -1;
    auto c = static_cast<unsigned char>(s[i + k]);
    return (c & 0xC0) == 0x80 ? (c & 0x3F) : -1;
  };
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  if ((b0 & 0xE0) == 0xC0) {
    int c1 = cont(1);
    if (c1 >= 0) {
      i += 2;
      return ((b0 & 0x1F) << 6) | c1;
    }
  } else if ((b0 & 0xF0) == 0xE0) {
    int c1 = cont(1), c2 = cont(2);
    if (c1 >= 0 && c2 >= 0) {
      i += 3;
      return ((b0 & 0x0F) << 12) | (c1 << 6) | c2;
    }
  } else if ((b0 & 0xF8) == 0xF0) {
    int c1 = cont(1), c2 = cont(2), c3 = cont(3);
    if (c1 >= 0 && c2 >= 0 && c3 >= 0) {
      i += 4;
      return ((b0 & 0x07) << 18) | (c1 << 12) | (c2 << 6) | c3;
    }
  }
  ++i;
  return 0xDC00 + b0;  // lone byte, kept distinct from every valid character
}

char32_t FoldCase(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  return c;
}

// Base letter of a Latin-1 character, for the first pass of the list order.
char32_t BaseLetter(char32_t c) {
  c = FoldCase(c);
  if (c < 0xE0 || c > 0xFF) return c;
  static constexpr char kBase[] = "aaaaaaaceeeeiiiidnooooo/ouuuuyty";
  return static_cast<unsigned char>(kBase[c - 0xE0]);
}

template <class Key>
int CompareBy(std::string_view a, std::string_view b, Key key) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    char32_t ca = NextCodePoint(a, i), cb = NextCodePoint(b, j);
    // ß sorts as "ss": compare it against the next two letters of the other side.
    std::u32string ka = key(ca), kb = key(cb);
    while (ka.size() != kb.size()) {
      if (ka.size() < kb.size()) {
        if (i >= a.size()) break;
        ka += key(NextCodePoint(a, i));
      } else {
        if (j >= b.size()) break;
        kb += key(NextCodePoint(b, j));
      }
    }
    if (ka != kb) return ka < kb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

}  // namespace

size_t Utf8Length(std::string_view s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); ++n) NextCodePoint(s, i);
  return n;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  return CompareBy(a, b, [](char32_t c) { return std::u32string(1, FoldCase(c)); });
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return CompareNoCase(a, b) == 0; }

int CompareForSort(std::string_view a, std::string_view b) {
  int r = CompareBy(a, b, [](char32_t c) {
    char32_t f = BaseLetter(c);
    return f == 0xDF ? std::u32string(U"ss") : std::u32string(1, f);
  });
  if (r != 0) return r;
  r = CompareNoCase(a, b);
  if (r != 0) return r;
  int raw = a.compare(b);
  return raw < 0 ? -1 : (raw > 0 ? 1 : 0);
}

}  // namespace vendora
