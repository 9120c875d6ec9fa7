#include "shopdb/olp_key_codec.h"

#include <gtest/gtest.h>

#include <string>

namespace vendora {
namespace {

TEST(OlpKeyCodec, ScramblesByTheKnownKey) {
  // Zero bytes show the key itself, wrapping after twelve bytes.
  EXPECT_EQ(ScrambleHexKey(std::string(26, '0')), "526B54716D577A48626E596552");
  // "1A2B3": "0" in front, 01^52 A2^6B B3^54, marked with "*".
  EXPECT_EQ(ScrambleHexKey("1A2B3"), "*53C9E7");
  EXPECT_EQ(UnscrambleHexKey("*53C9E7"), "1A2B3");
  // "ftp": 66^52 74^6B 70^54.
  EXPECT_EQ(ScrambleSecret("ftp"), "341F24");
  EXPECT_EQ(UnscrambleSecret("341F24"), "ftp");
}

TEST(OlpKeyCodec, RoundTripsAndReadsDamagedTextWithoutFailing) {
  for (std::string key : {"0", "AB", "C0FFEE0123456789ABCDEF0123456789F"})
    EXPECT_EQ(UnscrambleHexKey(ScrambleHexKey(key)), key);
  for (std::string secret : {"pw", "Pässwort mit Umlaut und mehr als zwölf Zeichen"})
    EXPECT_EQ(UnscrambleSecret(ScrambleSecret(secret)), secret);

  EXPECT_EQ(ScrambleHexKey(" "), "");
  EXPECT_EQ(UnscrambleHexKey(" "), "");
  EXPECT_EQ(UnscrambleHexKey("*"), "");
  EXPECT_EQ(UnscrambleHexKey("5"), "02");        // lone digit: 50^52
  EXPECT_EQ(UnscrambleHexKey("zz6B"), "5200");   // non-digits count as 0
  EXPECT_EQ(UnscrambleSecret(" 341 "), "");      // fewer than four digits
  EXPECT_EQ(UnscrambleSecret("341F5"), "ft\x04");  // lone digit: 50^54
  EXPECT_EQ(UnscrambleSecret("346B341F"), "f");  // a zero byte ends the secret
}

}  // namespace
}  // namespace vendora
