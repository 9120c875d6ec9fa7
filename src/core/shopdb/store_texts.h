#pragma once
// The store texts: every visible text of the generated shop, kept in the Language
// table under a fixed number and reset to the program's German default whenever a shop
// is opened.
#include <span>
#include <string_view>

#include "shopdb/database.h"

namespace vendora {

struct StoreTextKey {
  std::string_view key;  // variable name without "psz"
  int textId;            // Language.ID and number of the default text
  bool doubleQuoted;     // written in "..." rather than q{...}
};

// The 159 keys in table order: 156 texts of the language file, then the three order
// channels (IDs 29997 to 29999).
std::span<const StoreTextKey> StoreTextKeys();
inline constexpr size_t kLanguageFileTextCount = 156;

// Sets every store text to its default, adding the rows that are missing. Engine
// errors on a single text are swallowed (that text stays as it was).
void RefreshStoreTexts(ShopDatabase& db);

}  // namespace vendora
