#pragma once
// How the editing pages' lists show field values, and how a value typed into a lookup
// column is searched for in the lookup table.
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "shopdb/criteria.h"

namespace vendora {

struct DateValue {
  std::time_t time;
};
struct ByteValue {
  unsigned char value;
};
using DisplayValue = std::variant<std::monostate, int16_t, int32_t, float, double, std::string, bool, ByteValue, DateValue>;

// "%d" for integers, "%.2f" for floating point (decimal point in every locale),
// "true"/"false", the character of a byte, "%A, %B %d, %Y" for dates, texts as stored;
// nothing for null.
std::string FormatFieldValue(const DisplayValue& value);

// The criteria that find a cell's value in the lookup table's key field.
Criteria LookupKeyCriteria(std::string_view keyField, const DisplayValue& value);

// The searches for a text typed into a lookup column, in the order they are tried:
// as a text; as a whole number; and, when it starts with a minus sign or a digit and
// reads as a number, as a floating-point value. The first that finds a row wins.
std::vector<Criteria> LookupSearchCriteria(std::string_view lookupField, std::string_view typed);

}  // namespace vendora
