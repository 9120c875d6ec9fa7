#include "generator/page_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "common/output_file.h"

namespace vendora {
namespace {

// What a field becomes in a generated file: converted, then encoded to the code page.
// Whatever bytes the database holds, no "|" and no line end may come out of a field,
// or it would split or add a record of a data file.
TEST(TextConversions, NoFieldValueCanSplitARecord) {
  const struct {
    std::string text, line, memo;  // stored text; in the file as line text and as memo text
  } cases[] = {
      {"a\xC0\x8A" "b", "a\xC0\x8A" "b", "a\xC0\x8A" "b"},  // overlong line feed: its bytes as they are
      {"a\xC1\xBC" "b", "a\xC1\xBC" "b", "a\xC1\xBC" "b"},  // overlong "|"
      {"\xE0\x80\x8A\xED\xA0\x80", "\xE0\x80\x8A\xED\xA0\x80", "\xE0\x80\x8A\xED\xA0\x80"},
      {"\xE2\x82|x", "\xE2\x82&brvbar;x", "\xE2\x82&brvbar;x"},  // a cut sequence hides no separator
      {"x|y\r\nz\t!", "x&brvbar;yz!", "x&brvbar;y<BR>z\t!"},
      {" \xE2\x82\xAC & <b>\"q\" ", "\x80 &amp; &lt;b&gt;&quot;q&quot;", "\x80 & <b>\"q\""},
      {"Gr\xC3\xBC\xC3\x9F" "e \xE2\x80\x9E" "a\xE2\x80\x9C \xE2\x84\xA2 \xE2\x98\x83",
       "Gr\xFC\xDF" "e \x84" "a\x93 \x99 &#9731;", "Gr\xFC\xDF" "e \x84" "a\x93 \x99 &#9731;"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToCodePage(HtmlEscape(c.text)), c.line) << c.text;
    EXPECT_EQ(ToCodePage(TextToHtml(c.text)), c.memo) << c.text;
  }
}

}  // namespace
}  // namespace vendora
