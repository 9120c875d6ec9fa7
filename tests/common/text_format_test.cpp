#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>

#include "common/text_format.h"

namespace vendora {
namespace {

// Switches the process locale for one test, as the GUI does at start.
class GermanLocale {
 public:
  GermanLocale() {
    const char* old = std::setlocale(LC_ALL, nullptr);
    saved_ = old ? old : "C";
    active_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  }
  ~GermanLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
  bool active() const { return active_; }

 private:
  std::string saved_;
  bool active_ = false;
};

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
