#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "common/text_util.h"

namespace vendora {
namespace {

TEST(TextUtil, TrimAndLength) {
  EXPECT_EQ(Trim("  Mein Shop \t\n"), "Mein Shop");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Utf8Length("Größe"), 5u);
  EXPECT_EQ(Utf8Length("€"), 1u);
  EXPECT_EQ(Utf8Length(std::string("a\xff" "b")), 3u);  // a broken byte counts once
}

// Strict decoding: each invalid byte stands for itself (U+DC80..U+DCFF), so no
// overlong form, surrogate or stray byte can pass for another character, and encoding
// the result again gives back the very bytes.
TEST(TextUtil, Utf8IsDecodedStrictly) {
  const struct {
    std::string bytes;
    std::u32string characters;
  } cases[] = {
      {"a|", U"a|"},
      {"\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80", U"\u00E4\u20AC\U0001F600"},  // ä € and an emoji
      {"\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF4\x8F\xBF\xBF", U"\u0080\u07FF\u0800\uFFFF\U0010FFFF"},
      {"\xC0\x8A", U"\xDCC0\xDC8A"},                   // overlong line feed
      {"\xC1\xBC", U"\xDCC1\xDCBC"},                   // overlong "|"
      {"\xE0\x80\x8A", U"\xDCE0\xDC80\xDC8A"},       // three-byte overlong line feed
      {"\xE0\x9F\xBF", U"\xDCE0\xDC9F\xDCBF"},
      {"\xF0\x80\x81\xBC", U"\xDCF0\xDC80\xDC81\xDCBC"},
      {"\xED\xA0\x80", U"\xDCED\xDCA0\xDC80"},       // a surrogate
      {"\xF4\x90\x80\x80", U"\xDCF4\xDC90\xDC80\xDC80"},  // beyond U+10FFFF
      {"\xF5\x80\x80\x80", U"\xDCF5\xDC80\xDC80\xDC80"},
      {"x\x80y\xFF", U"x\xDC80y\xDCFF"},                 // bytes that start nothing
      {"\xE2\x82|", U"\xDCE2\xDC82|"},                   // cut short before a separator
      {"\xE2\x82", U"\xDCE2\xDC82"},                     // cut short by the end
  };
  for (const auto& c : cases) {
    std::u32string decoded;
    std::string again;
    for (size_t i = 0; i < c.bytes.size();) {
      decoded += DecodeUtf8(c.bytes, i);
      AppendUtf8(again, decoded.back());
    }
    EXPECT_TRUE(decoded == c.characters) << c.bytes;
    EXPECT_EQ(again, c.bytes);
    EXPECT_EQ(IsValidUtf8(c.bytes), &c < cases + 3) << c.bytes;  // the first three are valid
  }
  EXPECT_TRUE(IsValidUtf8("Größe 12 €"));
  EXPECT_FALSE(IsValidUtf8("Gr\xC3"));
}

TEST(TextUtil, CaseInsensitiveComparisonCoversUmlauts) {
  EXPECT_TRUE(EqualsNoCase("DE", "de"));
  EXPECT_TRUE(EqualsNoCase("ÄRGER", "ärger"));
  EXPECT_FALSE(EqualsNoCase("Ärger", "Arger"));
  EXPECT_FALSE(EqualsNoCase("abc", "abcd"));
  EXPECT_LT(CompareNoCase("abc", "ABD"), 0);
}

TEST(TextUtil, ListOrderPutsUmlautsBesideTheirLetters) {
  std::vector<std::string> names = {"Zucker", "apfel", "Äpfel", "Apfel", "Banane", " ", "Straße", "Strasse", "Stroh"};
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return CompareForSort(a, b) < 0; });
  EXPECT_EQ(names, (std::vector<std::string>{" ", "Apfel", "apfel", "Äpfel", "Banane", "Strasse", "Straße", "Stroh",
                                             "Zucker"}));
  EXPECT_EQ(CompareForSort("x", "x"), 0);
}

}  // namespace
}  // namespace vendora
