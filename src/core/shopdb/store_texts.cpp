#include "shopdb/store_texts.h"

#include <iterator>
#include <vector>

#include "common/program_text.h"
#include "shopdb/db_error.h"
#include "shopdb/recordsets.h"

namespace vendora {
namespace {

constexpr StoreTextKey kKeys[] = {
#include "shopdb/store_text_keys.inc"
};
static_assert(std::size(kKeys) == 159, "there are 159 store texts");

}  // namespace

std::span<const StoreTextKey> StoreTextKeys() { return kKeys; }

void RefreshStoreTexts(ShopDatabase& db) {
  TransactionScope tx(db);
  CRecSetLanguage language(db);
  language.Open();
  std::vector<bool> present(std::size(kKeys), false);
  for (language.MoveFirst(); !language.IsEOF(); language.MoveNext())
    for (size_t i = 0; i < std::size(kKeys); ++i)
      if (kKeys[i].textId == language->ID) present[i] = true;

  auto refresh = [&](size_t i) {
    try {
      int id = kKeys[i].textId;
      if (present[i] && language.FindFirst(Eq("ID", id))) {
        language.Edit();
      } else {
        language.AddNew();
        language->ID = id;
      }
      language->Text = std::string(ProgramText(id));
      language.Update();
    } catch (const DbError&) {
      language.CancelUpdate();
    }
    present[i] = false;
  };
  // The texts of the language file from the last to the first, then the order channels
  // from the last to the first.
  for (size_t i = kLanguageFileTextCount; i-- > 0;) refresh(i);
  for (size_t i = std::size(kKeys); i-- > kLanguageFileTextCount;) refresh(i);
  tx.Commit();
}

}  // namespace vendora
