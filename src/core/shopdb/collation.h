#pragma once
// Text comparison inside the engine: "SHOPNOCASE" for criteria on texts (letter case
// does not count, as for the program's codes such as "DE"/"de") and "SHOPSORT" for
// list order. Registered on every connection; never named in a table definition, so
// the file stays readable by any SQLite tool.
#include <string_view>

struct sqlite3;

namespace vendora {

inline constexpr std::string_view kCollateNoCase = "SHOPNOCASE";
inline constexpr std::string_view kCollateSort = "SHOPSORT";

void RegisterShopCollations(sqlite3* db);

}  // namespace vendora
