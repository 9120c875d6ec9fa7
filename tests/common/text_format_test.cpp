#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "common/text_format.h"
#include "support/test_support.h"

namespace vendora {
namespace {

using test::GermanLocale;

TEST(TextFormat, NumbersKeepTheDecimalPointUnderAGermanLocale) {
  GermanLocale german;
  ASSERT_TRUE(german.active()) << "the de_DE.UTF-8 locale must be installed (scripts/setup.sh does it)";
  char native[32];
  std::snprintf(native, sizeof native, "%.2f", 12.5);
  ASSERT_STREQ(native, "12,50") << "the locale does not switch the decimal separator, the test proves nothing";
  EXPECT_EQ(Format("%.2f", 12.5), "12.50");
  EXPECT_EQ(Format("%d Bytes in %.2f Sekunden", 1234567, 0.125f), "1234567 Bytes in 0.12 Sekunden");
  EXPECT_EQ(Format("%f|%g|%e", 1.5, 1234.5, 0.5), "1.500000|1234.5|5.000000e-01");
}

TEST(TextFormat, MatchesPrintfForTheUsualConversions) {
  struct Case {
    const char* fmt;
    double d;
    long long i;
  };
  const Case cases[] = {{"%5.1f", 3.14159, 0},  {"%-8.3f|", -2.5, 0}, {"%+.0f", 2.5, 0},  {"%08.2f", -1.005, 0},
                        {"%.2f", 0.125, 0},     {"%.2f", 1e10, 0},    {"%5d|", 0, 42},    {"%-5d|", 0, -42},
                        {"%05d", 0, -42},       {"%x", 0, 255},       {"%04x", 0, 1031},  {"%X", 0, 0xABC},
                        {"%o", 0, 8},           {"%u", 0, 7},         {"%+d", 0, 5},      {"% d", 0, 5}};
  for (const auto& c : cases) {
    char expected[64];
    bool isFloat = std::string(c.fmt).find_first_of("fge") != std::string::npos;
    if (isFloat) std::snprintf(expected, sizeof expected, c.fmt, c.d);
    else std::snprintf(expected, sizeof expected, c.fmt, static_cast<int>(c.i));
    std::string got = isFloat ? Format(c.fmt, c.d) : Format(c.fmt, static_cast<int>(c.i));
    EXPECT_EQ(got, expected) << c.fmt;
  }
}

// Prices and weights take a shortcut past printf; it must round exactly like it.
TEST(TextFormat, PlainFixedAndIntegerConversionsRoundLikePrintf) {
  std::vector<double> values = {0.0, -0.0, 0.005, 0.015, 0.125, 0.375, 1.005, 2.675, 1.115, -2.675, 999999.995,
                                1e15 + 0.3, 4.35, 8.345, -0.004, 1e22, 123456789.125, 5e-324};
  uint64_t x = 88172645463325252ull;
  for (int i = 0; i < 20000; ++i) {  // xorshift: cents and odd fractions alike
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    values.push_back(static_cast<double>(x % 20000000) / 1000.0 - 5000.0);
  }
  const char* const formats[] = {"%.2f", "%.0f", "%.3f", "%.10f"};
  std::vector<std::string> expected;  // in the "C" locale the tests start in
  for (double v : values)
    for (const char* fmt : formats) {
      char text[512];
      std::snprintf(text, sizeof text, fmt, v);
      expected.emplace_back(text);
    }
  GermanLocale german;
  size_t k = 0;
  for (double v : values)
    for (const char* fmt : formats) ASSERT_EQ(Format(fmt, v), expected[k++]) << fmt << " of " << v;
  EXPECT_EQ(Format("%.2f|%.2f", std::numeric_limits<double>::infinity(), std::nan("")), "inf|nan");
  for (long long n : {0LL, -1LL, 42LL, std::numeric_limits<long long>::min(), std::numeric_limits<long long>::max()})
    EXPECT_EQ(Format("%d|%i", n, n), std::to_string(n) + "|" + std::to_string(n));
}

TEST(TextFormat, TextsWidthsAndOddFormatsNeverFail) {
  EXPECT_EQ(Format("'%s' und '%-6s|%6s'", "a", "bc", "de"), "'a' und 'bc    |    de'");
  EXPECT_EQ(Format("%.3s", "abcdef"), "abc");
  EXPECT_EQ(Format("%s=%d", std::string("x"), 5), "x=5");
  EXPECT_EQ(Format("100%%"), "100%");
  EXPECT_EQ(Format("%*d|%-*d|", 4, 7, 3, 1), "   7|1  |");
  // Missing arguments count as empty or zero; surplus ones are ignored.
  EXPECT_EQ(Format("%s-%d-%.1f"), "-0-0.0");
  EXPECT_EQ(Format("%d", 1, 2, 3), "1");
  // A number for %s is written in decimal, a text for %d is read as a number.
  EXPECT_EQ(Format("%s", 42), "42");
  EXPECT_EQ(Format("%d", "17"), "17");
  // Unknown conversions and a trailing '%' stay visible.
  EXPECT_EQ(Format("50%q und %"), "50%q und %");
  EXPECT_EQ(Format("%c%c", 'o', 'k'), "ok");
}

}  // namespace
}  // namespace vendora
