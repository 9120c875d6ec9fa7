#include <gtest/gtest.h>

#include "publish/ftp_client.h"
#include "publish/ftp_listing.h"

namespace vendora {
namespace {

TEST(FtpListing, ParsesDosAndUnixLinesAndDropsWhatIsNoFile) {
  struct Case {
    const char* line;
    bool entry;
    const char* name;
    uint64_t size;
    bool directory;
    const char* stamp = "";
  };
  const Case cases[] = {
      {"12-31-99  11:15PM       <DIR>          imgs", true, "imgs", 0, true, "12-31-99  11:15PM"},
      {"12-31-99  11:15PM                 1234 my file.txt", true, "my file.txt", 1234, false, "12-31-99  11:15PM"},
      {"-rw-r--r--   1 user     group        5120 Jan  1 12:00 b12.jpg", true, "b12.jpg", 5120, false, "Jan  1 12:00"},
      {"drwxr-xr-x   2 user     group        4096 Jan  1 12:00 thumbs", true, "thumbs", 0, true, "Jan  1 12:00"},
      {"-rw-r--r-- 1 u g 7 Jan 1 2024 with  two blanks", true, "with  two blanks", 7, false, "Jan 1 2024"},
      {"-rw-r--r-- 1 u g 99999999999999999999999 Jan 1 12:00 huge", true, "huge", UINT64_MAX, false, "Jan 1 12:00"},
      {"lrwxrwxrwx 1 user group 7 Jan 1 12:00 link -> target", false, "", 0, false},
      {"total 8", false, "", 0, false},
      {"drwxr-xr-x 2 user group 4096 Jan 1 12:00 .", false, "", 0, false},
      {"drwxr-xr-x 2 user group 4096 Jan 1 12:00 ..", false, "", 0, false},
      {"12-31-99  11:15PM  <DIR>", false, "", 0, false},
      {"", false, "", 0, false},
  };
  for (const Case& c : cases) {
    const std::optional<FtpFileEntry> e = ParseListingLine(c.line);
    ASSERT_EQ(e.has_value(), c.entry) << c.line;
    if (!e) continue;
    EXPECT_EQ(e->name, c.name) << c.line;
    EXPECT_EQ(e->size, c.size) << c.line;
    EXPECT_EQ(e->directory, c.directory) << c.line;
    EXPECT_EQ(e->stamp, c.stamp) << c.line;
  }
}

TEST(FtpListing, OnlyPlainNamesMayBeDeleted) {
  for (const char* bad : {"", ".", "..", "../etc", "a/b", "a\\b", "x\ry", "tab\there", "*", "a?.gif", "[ab].gif"})
    EXPECT_FALSE(IsPlainRemoteName(bad)) << bad;
  for (const char* good : {"b12.jpg", "my file.txt", "..hidden", "ä.gif"}) EXPECT_TRUE(IsPlainRemoteName(good)) << good;
}

TEST(FtpListing, SplitterJoinsLinesAcrossChunksAndNeverCutsALongOne) {
  std::vector<std::string> lines;
  int overlong = 0;
  ListingSplitter splitter([&](std::string_view line, bool tooLong) {
    if (tooLong) ++overlong;
    else lines.emplace_back(line);
  });
  const std::string longName(600, 'n');  // longer than the old 512-character buffer
  splitter.Feed("-rw-r--r-- 1 u g 5120 Jan 1 12:00 b1");
  splitter.Feed("2.jpg\r\n-rw-r--r-- 1 u g 1 Jan 1 12:00 " + longName.substr(0, 300));
  splitter.Feed(longName.substr(300) + "\n" + std::string(ListingSplitter::kMaxLine + 1, 'x') + "\nlast");
  EXPECT_EQ(lines, (std::vector<std::string>{"-rw-r--r-- 1 u g 5120 Jan 1 12:00 b12.jpg",
                                             "-rw-r--r-- 1 u g 1 Jan 1 12:00 " + longName}));
  EXPECT_EQ(overlong, 1) << "a line beyond the bound is dropped whole";
  EXPECT_EQ(ParseListingLine(lines[1])->name, longName);
}

TEST(FtpProtocol, PasvRepliesGiveHostAndPortOrNothing) {
  const auto a = ParsePasvReply("227 Entering Passive Mode (192,168,0,10,19,137)");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->host, "192.168.0.10");
  EXPECT_EQ(a->port, 5001);
  for (const char* bad : {"227 Entering Passive Mode 192,168,0,10,19,137", "227 (192,168,0,10,19,137",
                          "227 (192,168,0,10,19)", "227 (192,168,0,10,19,137,1)", "227 (300,1,1,1,1,1)",
                          "227 (a,b,c,d,e,f)", "227 (1,2,3,4,0,0)", "227 ()"})
    EXPECT_FALSE(ParsePasvReply(bad)) << bad;
}

TEST(FtpProtocol, PortCommandStatisticsAndHiddenPasswords) {
  EXPECT_EQ(PortCommand("10.0.0.5", 4100), "PORT 10,0,0,5,16,4");
  // Within 5 ms: counted as the 10 ms floor.
  EXPECT_EQ(TransferStatistics(true, 6, 1000, 1004), "6 Bytes in 0.01 Sekunden (600 bps) übertragen.");
  EXPECT_EQ(TransferStatistics(false, 3000, 0, 1999), "3000 Bytes in 2.00 Sekunden (1500 bps) übertragen.");
  EXPECT_EQ(CommandLogLine("PASS geheim"), "Sending PASS ********");
  EXPECT_EQ(CommandLogLine("PASS kunde@fire"), "Sending PASS ********@********");
  EXPECT_EQ(CommandLogLine("USER kunde@ftp.example.org"), "Sending USER kunde@ftp.example.org");
}

}  // namespace
}  // namespace vendora
