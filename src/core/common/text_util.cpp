#include "common/text_util.h"

#include <algorithm>
#include <cstdint>

namespace vendora {

std::string_view Trim(std::string_view s) {
  constexpr std::string_view kBlank = " \t\r\n\v\f";
  size_t b = s.find_first_not_of(kBlank);
  if (b == std::string_view::npos) return {};
  size_t e = s.find_last_not_of(kBlank);
  return s.substr(b, e - b + 1);
}

char32_t DecodeUtf8(std::string_view s, size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  // Lead bytes C2..F4 only: C0 and C1 could start nothing but overlong forms, F5 and
  // above nothing within U+10FFFF. The first continuation byte's range rules out the
  // remaining overlong forms, the surrogates (ED A0..BF) and values past U+10FFFF.
  int length = 0;
  unsigned char low = 0x80, high = 0xBF;
  char32_t c = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
    c = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    c = b0 & 0x0F;
    if (b0 == 0xE0) low = 0xA0;
    if (b0 == 0xED) high = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    c = b0 & 0x07;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;
  }
  if (length == 0 || i + static_cast<size_t>(length) > s.size()) {
    ++i;
    return kByteEscapeBase + b0;
  }
  for (int k = 1; k < length; ++k) {
    const auto b = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
    if (b < low || b > high) {
      ++i;
      return kByteEscapeBase + b0;
    }
    low = 0x80;
    high = 0xBF;
    c = (c << 6) | (b & 0x3F);
  }
  i += static_cast<size_t>(length);
  return c;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (IsByteEscape(c)) {
    out.push_back(static_cast<char>(c - kByteEscapeBase));
  } else if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

bool IsValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();)
    if (IsByteEscape(DecodeUtf8(s, i))) return false;
  return true;
}

namespace {

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
    char32_t ca = DecodeUtf8(a, i), cb = DecodeUtf8(b, j);
    // ß sorts as "ss": compare it against the next two letters of the other side.
    std::u32string ka = key(ca), kb = key(cb);
    while (ka.size() != kb.size()) {
      if (ka.size() < kb.size()) {
        if (i >= a.size()) break;
        ka += key(DecodeUtf8(a, i));
      } else {
        if (j >= b.size()) break;
        kb += key(DecodeUtf8(b, j));
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
  for (size_t i = 0; i < s.size(); ++n) DecodeUtf8(s, i);
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

bool IsEmailAddress(std::string_view text) {
  text = Trim(text);
  const size_t at = text.find('@');
  if (at == 0 || at == std::string_view::npos) return false;
  const std::string_view local = text.substr(0, at), domain = text.substr(at + 1);
  constexpr std::string_view kLocalSigns = "!#$%&'*+/=?^_`{|}~.-";
  auto alnum = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); };
  for (char c : local)
    if (!alnum(c) && kLocalSigns.find(c) == std::string_view::npos) return false;
  int labels = 0;
  size_t start = 0;
  while (start <= domain.size()) {
    const size_t dot = std::min(domain.find('.', start), domain.size());
    const std::string_view label = domain.substr(start, dot - start);
    if (label.empty() || label.front() == '-' || label.back() == '-') return false;
    for (char c : label)
      if (!alnum(c) && c != '-') return false;
    ++labels;
    start = dot + 1;
  }
  return labels >= 2;
}

}  // namespace vendora
