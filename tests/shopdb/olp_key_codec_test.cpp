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
  EXPECT_EQ(UnscrambleSecret(" 341 "), "f{");    // lone digit: 10^6B
  EXPECT_EQ(UnscrambleSecret("341F5"), "ft\x04");  // lone digit: 50^54
  EXPECT_EQ(UnscrambleSecret("346B341F"), "f");  // a zero byte ends the secret
}

// The password fields hold 32 characters: 16 bytes of any password must come back,
// however short, and stored values of earlier versions must read as before.
TEST(OlpKeyCodec, EveryPasswordThatFitsComesBack) {
  // Printable ASCII, starting with the key's own letters, which scramble to "00".
  std::string ascii = "RkTqmWzHbnYe";
  for (char c = ' '; c <= '~'; ++c) ascii += c;
  for (size_t start = 0; start + 16 <= ascii.size(); ++start) {
    for (size_t length = 0; length <= 16; ++length) {
      const std::string secret = ascii.substr(start, length);
      const std::string stored = ScrambleSecret(secret);
      EXPECT_EQ(stored.size(), 2 * length);
      EXPECT_EQ(UnscrambleSecret(stored), secret) << stored;
    }
  }
  // UTF-8 of two, three and four bytes a character, up to the 16 bytes that fit.
  for (std::string unit : {"ä", "€", "😀", "ß€"}) {
    std::string secret;
    while (secret.size() + unit.size() <= 16) {
      secret += unit;
      EXPECT_EQ(UnscrambleSecret(ScrambleSecret(secret)), secret);
    }
  }
  // One character is two digits; "ä" is C3 A4: C3^52 A4^6B.
  EXPECT_EQ(ScrambleSecret("f"), "34");
  EXPECT_EQ(UnscrambleSecret("34"), "f");
  EXPECT_EQ(ScrambleSecret("ä"), "91CF");
  EXPECT_EQ(UnscrambleSecret(" 91CF "), "ä");
  // Stored by earlier versions: the same digits, so read the same.
  EXPECT_EQ(UnscrambleSecret("341F24"), "ftp");
  EXPECT_EQ(UnscrambleSecret("225A2602"), "p1rs");
  EXPECT_EQ(UnscrambleSecret(""), "");
  EXPECT_EQ(UnscrambleSecret(" "), "");
}

}  // namespace
}  // namespace vendora
