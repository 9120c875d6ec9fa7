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
