#include "common/clock.h"

#include <locale.h>
#include <wchar.h>

namespace vendora {

namespace {

// Wide characters (UTF-32 here) to UTF-8: the locale's own code set may be any.
void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string DateTimeText(std::time_t time, const std::string& localeName) {
  // The names of months and days need the locale's character set as well as its dates.
  locale_t locale = newlocale(LC_TIME_MASK | LC_CTYPE_MASK, localeName.c_str(), static_cast<locale_t>(0));
  if (!locale) locale = newlocale(LC_TIME_MASK | LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
  std::tm tm{};
  localtime_r(&time, &tm);
  wchar_t buf[256];
  const size_t n = locale ? wcsftime_l(buf, sizeof buf / sizeof buf[0], L"%c", &tm, locale) : 0;
  if (locale) freelocale(locale);
  std::string text;
  for (size_t i = 0; i < n; ++i) AppendUtf8(text, static_cast<char32_t>(buf[i]));
  return text;
}

}  // namespace

std::string FormatLocalTime(const std::string& format, std::time_t time, const std::string& localeName) {
  const std::string stamp = DateTimeText(time, localeName);
  std::string out = format;
  for (size_t at = out.find("%c"); at != std::string::npos; at = out.find("%c", at + stamp.size()))
    out.replace(at, 2, stamp);
  return out;
}

}  // namespace vendora
