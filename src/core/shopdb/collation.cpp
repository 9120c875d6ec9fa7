#include "shopdb/collation.h"

#include <sqlite3.h>

#include <string>

#include "common/text_util.h"

namespace vendora {
namespace {

int NoCase(void*, int n1, const void* p1, int n2, const void* p2) {
  return CompareNoCase(std::string_view(static_cast<const char*>(p1), n1),
                       std::string_view(static_cast<const char*>(p2), n2));
}

int Sort(void*, int n1, const void* p1, int n2, const void* p2) {
  return CompareForSort(std::string_view(static_cast<const char*>(p1), n1),
                        std::string_view(static_cast<const char*>(p2), n2));
}

}  // namespace

void RegisterShopCollations(sqlite3* db) {
  sqlite3_create_collation_v2(db, std::string(kCollateNoCase).c_str(), SQLITE_UTF8, nullptr, NoCase, nullptr);
  sqlite3_create_collation_v2(db, std::string(kCollateSort).c_str(), SQLITE_UTF8, nullptr, Sort, nullptr);
}

}  // namespace vendora
