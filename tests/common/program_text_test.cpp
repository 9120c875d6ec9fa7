#include <gtest/gtest.h>

#include <set>

#include "common/program_text.h"
#include "shopdb/store_texts.h"

namespace vendora {
namespace {

TEST(ProgramText, LooksUpTextsWordForWord) {
  EXPECT_EQ(ProgramText(20009), "Es sind keine Bildersätze verfügbar.");
  EXPECT_EQ(ProgramText(22018), "Der Erzeugungsprozess wurde abgebrochen!");
  EXPECT_EQ(ProgramText(22016), "Die Datei \"%s\" konnte nicht erstellt werden.");
  EXPECT_EQ(ProgramText(22225),
            "Die angegebene HomePage-URL ist ungültig.\nBitte beachten Sie, dass die Angabe entweder mit http:// "
            "oder https:// beginnen muß.");
  EXPECT_EQ(ProgramText(1), "");
  EXPECT_EQ(ProgramText(99999), "");
  EXPECT_EQ(FormatProgramText(22016, "data/config.cnf"), "Die Datei \"data/config.cnf\" konnte nicht erstellt werden.");
  EXPECT_EQ(FormatProgramText(23844, 2048, 0.5, 4096), "2048 Bytes in 0.50 Sekunden (4096 bps) übertragen.");
}

TEST(StoreTexts, KeyTableCoversEveryStoreTextOnceInFileOrder) {
  auto keys = StoreTextKeys();
  ASSERT_EQ(keys.size(), 159u);
  std::set<int> ids;
  std::set<std::string_view> names;
  for (const auto& k : keys) {
    ids.insert(k.textId);
    names.insert(k.key);
    EXPECT_FALSE(ProgramText(k.textId).empty()) << k.key;
  }
  EXPECT_EQ(ids.size(), 159u);
  EXPECT_EQ(names.size(), 159u);
  EXPECT_EQ(*ids.begin(), 29987);
  EXPECT_EQ(*ids.rbegin(), 30145);
  EXPECT_EQ(keys[0].key, "GiftWarpItem");
  EXPECT_EQ(keys[155].key, "OlpHexMsg");
  EXPECT_EQ(keys[156].textId, 29997);
  EXPECT_EQ(keys[158].key, "AcceptOrdersFax");
  // Texts carrying Perl escapes or placeholders are written in double quotes.
  for (const auto& k : keys) {
    const bool escapes = k.key == "Mail_Order" || k.key == "SoldMin" || k.key == "SMTPErrorHotLine";
    const bool plain = k.key == "GiftWarpItem" || k.key == "OlpInfo";
    if (escapes || plain) {
      EXPECT_EQ(k.doubleQuoted, escapes) << k.key;
    }
  }
  EXPECT_EQ(ProgramText(30097), "Bestellung:\\n===========\\nAlle Preise in ");
  EXPECT_EQ(ProgramText(30142), "Ihre Gesamtsumme liegt noch unter dem Mindestbestellwert von %s %0.2f.");
  // A q{} text must not break its quoting.
  for (const auto& k : keys)
    if (!k.doubleQuoted) {
      std::string_view t = ProgramText(k.textId);
      EXPECT_EQ(std::count(t.begin(), t.end(), '{'), std::count(t.begin(), t.end(), '}')) << k.key;
    }
}

}  // namespace
}  // namespace vendora
