#include "shopdb/field_display.h"

#include <charconv>
#include <clocale>
#include <locale.h>

#include "common/text_format.h"

namespace vendora {

std::string FormatFieldValue(const DisplayValue& value) {
  return std::visit(
      [](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) return {};
        else if constexpr (std::is_same_v<T, int16_t> || std::is_same_v<T, int32_t>) return Format("%d", v);
        else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) return Format("%.2f", v);
        else if constexpr (std::is_same_v<T, std::string>) return v;
        else if constexpr (std::is_same_v<T, bool>) return v ? "true" : "false";
        else if constexpr (std::is_same_v<T, ByteValue>) return std::string(1, static_cast<char>(v.value));
        else {
          // Day and month names as the engine writes them, in English, whatever the locale.
          static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
          std::tm tm{};
          localtime_r(&v.time, &tm);
          char buf[128];
          size_t n = strftime_l(buf, sizeof buf, "%A, %B %d, %Y", &tm, cLocale);
          return std::string(buf, n);
        }
      },
      value);
}

Criteria LookupKeyCriteria(std::string_view keyField, const DisplayValue& value) {
  return std::visit(
      [&](const auto& v) -> Criteria {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, int16_t> || std::is_same_v<T, int32_t>) return Eq(keyField, int{v});
        else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) return Eq(keyField, double{v});
        else if constexpr (std::is_same_v<T, bool>) return Eq(keyField, v);
        else return Eq(keyField, FormatFieldValue(v));
      },
      value);
}

std::vector<Criteria> LookupSearchCriteria(std::string_view lookupField, std::string_view typed) {
  std::vector<Criteria> out;
  out.push_back(Eq(lookupField, std::string(typed)));
  long long whole = 0;
  auto [p, ec] = std::from_chars(typed.data(), typed.data() + typed.size(), whole);
  if (ec == std::errc() && p == typed.data() + typed.size()) out.push_back(Eq(lookupField, whole));
  if (!typed.empty() && (typed.front() == '-' || (typed.front() >= '0' && typed.front() <= '9'))) {
    double d = 0;
    auto [q, ec2] = std::from_chars(typed.data(), typed.data() + typed.size(), d);
    if (ec2 == std::errc() && q == typed.data() + typed.size()) out.push_back(Eq(lookupField, d));
  }
  return out;
}

}  // namespace vendora
