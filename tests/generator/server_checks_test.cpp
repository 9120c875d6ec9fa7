#include "generator/server_checks.h"

#include <gtest/gtest.h>

#include <memory>

#include "common/clock.h"
#include "common/program_text.h"
#include "generator/generation.h"
#include "shopdb/default_rows.h"
#include "shopdb/olp_key_codec.h"
#include "support/test_support.h"

namespace vendora {
namespace {

std::string T(int n) { return std::string(ProgramText(n)); }

WebServerRow GoodWebServer() {
  return {.HomeURL = " http://www.example.com/index.HTML ", .StoreURL = "http://www.example.com/shop",
          .FileName = "C:\\Shop\\start.html", .StorePath = " /var/www/shop ",
          .ScriptURL = "https://www.example.com/cgi-bin", .PerlPath = "/usr/bin/perl", .MailOption = 1,
          .MailExec = "/usr/sbin/sendmail", .MailHost = " "};
}

PayvaneRow GoodPayvane() {
  return {.Use = true, .Server = "gateway.payvane.de", .Port = 1712, .TimeOut = 60, .HID = 42,
          .RsaE = ScrambleHexKey("010001"), .RsaN = ScrambleHexKey("C0FFEE")};
}

FtpServerRow GoodFtp() {
  return {.HostName = "ftp.example.com", .HostPort = 65535, .HostUser = "merchant",
          .HostPass = ScrambleSecret("s3cret pass"), .HostAcct = " ", .ProxyName = " ", .ProxyUser = " ",
          .ProxyPass = " ", .ProxyAcct = " ", .RemoteDir = "/www/shop", .RemoteScript = "/cgi-bin"};
}

class ServerCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateShopFile(file_);
    db_.Open(file_);
    log_.AddSink(&sink_);
  }

  // Stores the rows and opens the snapshot, as the chain does before the checks.
  RunContext& Prepare(const WebServerRow& ws, const PayvaneRow& pv = GoodPayvane()) {
    test::StoreRow(db_, ws);
    test::StoreRow(db_, pv);
    run_ = std::make_unique<RunContext>(db_, DeriveShopPaths(file_), log_, prompter_, clock_);
    EXPECT_TRUE(OpenSnapshotStep(*run_));
    Reset();
    start_ = log_.Position();
    return *run_;
  }
  int Steps() const { return log_.Position() - start_; }

  bool CheckFtp(const FtpServerRow& row) {
    test::StoreRow(db_, row);
    Reset();
    return CheckFtpSettings(db_, log_, prompter_, &ftp_);
  }
  void Reset() {
    sink_.lines.clear();
    prompter_.Clear();
  }

  test::TempDir dir_;
  std::filesystem::path file_ = dir_ / "shop.mdb";
  ShopDatabase db_;
  GenerationLog log_;
  MemoryLogSink sink_;
  test::ScriptedPrompter prompter_;
  FixedClock clock_{0};
  std::unique_ptr<RunContext> run_;
  int start_ = 0;
  FtpValues ftp_;
};
using FtpCheckTest = ServerCheckTest;

using Lines = std::vector<std::string>;

TEST(NormalizeUrl, AcceptsOnlyHttpUrlsAndEndsFoldersWithSlash) {
  EXPECT_EQ(NormalizeUrl("  http://x\t", false), "http://x/");
  for (const char* bad : {"http://", "  http://  ", "HTTP://www.example.com", "www.example.com/"})
    EXPECT_EQ(NormalizeUrl(bad, true), std::nullopt) << bad;
  EXPECT_EQ(NormalizeUrl("https://a.b/shop/", true), "https://a.b/shop/");
  EXPECT_EQ(NormalizeUrl("https://a.b/Index.HTML", false), "https://a.b/Index.HTML");
  EXPECT_EQ(NormalizeUrl("https://a.b/run.php4", false), "https://a.b/run.php4");
  EXPECT_EQ(NormalizeUrl("https://a.b/index.html", true), "https://a.b/index.html/");
  EXPECT_EQ(NormalizeUrl("https://a.b/html", false), "https://a.b/html/");
}

TEST_F(ServerCheckTest, ValidWebServerSettingsAreNormalisedInMemoryOnly) {
  RunContext& run = Prepare(GoodWebServer());
  ASSERT_TRUE(CheckWebServerStep(run));
  EXPECT_EQ(sink_.lines, (Lines{T(22208), T(22209)}));
  EXPECT_TRUE(prompter_.asked().empty());
  EXPECT_EQ(Steps(), 1);
  const auto& s = run.settings.server;
  EXPECT_EQ(s.homeUrl, "http://www.example.com/index.HTML");
  EXPECT_EQ(s.storeUrl, "http://www.example.com/shop/");
  EXPECT_EQ(s.scriptUrl, "https://www.example.com/cgi-bin/");
  EXPECT_EQ(s.storePath, "/var/www/shop/");
  EXPECT_EQ(s.scriptFolder, "/var/www/shop/");
  EXPECT_EQ(s.startPage, "start.html");
  EXPECT_EQ(s.interpreterLine, "#!/usr/bin/perl\n");
  EXPECT_EQ(ReadSettingsRow<WebServerRow>(db_).StorePath, " /var/www/shop ");

  WebServerRow standAlone = GoodWebServer();
  standAlone.StandAlone = true;
  standAlone.StoreURL = " ";
  standAlone.PerlPath = "#!/usr/bin/perl -w";
  RunContext& run2 = Prepare(standAlone);
  ASSERT_TRUE(CheckWebServerStep(run2));
  EXPECT_EQ(run2.settings.server.homeUrl, "http://www.example.com/index.HTML/");
  EXPECT_EQ(run2.settings.server.storeUrl, "");
  EXPECT_EQ(run2.settings.server.interpreterLine, "#!/usr/bin/perl -w\n");
}

TEST_F(ServerCheckTest, EachWebServerFailureLogsItsLineAndExplains) {
  struct Case {
    void (*spoil)(WebServerRow&);
    int line, box;
  };
  const Case cases[] = {
      {[](WebServerRow& w) { w.HomeURL = " "; }, 22210, 22211},
      {[](WebServerRow& w) { w.HomeURL = "www.example.com"; }, 22224, 22225},
      {[](WebServerRow& w) { w.StoreURL = " "; }, 22212, 22213},
      {[](WebServerRow& w) { w.StoreURL = "shop/"; }, 22226, 22227},
      {[](WebServerRow& w) { w.ScriptURL = " "; }, 22218, 22219},
      {[](WebServerRow& w) { w.ScriptURL = "Https://a.b/cgi"; }, 22228, 22229},
      {[](WebServerRow& w) { w.FileName = "C:\\Shop\\"; }, 22214, 22215},
      {[](WebServerRow& w) { w.StorePath = " "; }, 22216, 22217},
      {[](WebServerRow& w) { w.PerlPath = " "; }, 22230, 22231},
      {[](WebServerRow& w) { w.MailExec = " "; }, 22220, 22221},
      {[](WebServerRow& w) { w.MailOption = 2; }, 22222, 22223},
      // Several problems: only the first is reported.
      {[](WebServerRow& w) { w.ScriptURL = "cgi-bin"; w.PerlPath = " "; w.MailOption = 2; }, 22228, 22229},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    WebServerRow w = GoodWebServer();
    c.spoil(w);
    EXPECT_FALSE(CheckWebServerStep(Prepare(w)));
    EXPECT_EQ(sink_.lines, (Lines{T(22208), T(c.line)}));
    ASSERT_EQ(prompter_.asked().size(), 1u);
    EXPECT_EQ(prompter_.asked()[0].text, T(c.box));
    EXPECT_EQ(prompter_.asked()[0].icon, MessageIcon::Information);
    EXPECT_EQ(Steps(), 1);
  }
  EXPECT_EQ(T(22225), "Die angegebene HomePage-URL ist ungültig.\nBitte beachten Sie, dass die Angabe entweder "
                      "mit http:// oder https:// beginnen muß.");
}

TEST_F(ServerCheckTest, PayvaneCorrectsEverythingButReportsOnlyTheLastProblem) {
  PayvaneRow p = GoodPayvane();
  p.TimeOut = 5;
  RunContext& run = Prepare(GoodWebServer(), p);
  EXPECT_TRUE(CheckPayvaneStep(run));
  EXPECT_EQ(sink_.lines, (Lines{T(22288), T(22294), T(22289)}));
  EXPECT_EQ(prompter_.Texts(), Lines{T(22295)});
  const auto& v = run.settings.payvane;
  EXPECT_EQ(v.timeOut, 10);
  EXPECT_EQ(v.keyE + "/" + v.keyN + "/" + v.server, "010001/C0FFEE/gateway.payvane.de");
  EXPECT_EQ(Steps(), 1);

  p.RsaN = ScrambleHexKey("7");  // one digit is too short
  p.Port = 0;
  RunContext& run2 = Prepare(GoodWebServer(), p);
  EXPECT_TRUE(CheckPayvaneStep(run2));
  EXPECT_EQ(sink_.lines, (Lines{T(22288), T(22308), T(22289)}));
  EXPECT_EQ(prompter_.Texts(), Lines{T(22309)});
  EXPECT_EQ(run2.settings.payvane.timeOut, 10);
  EXPECT_EQ(run2.settings.payvane.port, 1712);
  EXPECT_EQ(ReadSettingsRow<PayvaneRow>(db_).TimeOut, 5);

  p = GoodPayvane();
  p.Server = "pay vane";
  p.TimeOut = 500;  // not looked at without a valid server
  RunContext& run3 = Prepare(GoodWebServer(), p);
  EXPECT_TRUE(CheckPayvaneStep(run3));
  EXPECT_EQ(sink_.lines, (Lines{T(22288), T(22292), T(22289)}));
  EXPECT_EQ(run3.settings.payvane.timeOut, 500);

  p.Use = false;
  EXPECT_TRUE(CheckPayvaneStep(Prepare(GoodWebServer(), p)));
  EXPECT_EQ(sink_.lines, (Lines{T(22288), T(22289)}));
  EXPECT_TRUE(prompter_.asked().empty());
}

TEST_F(ServerCheckTest, TheSealKeyIsMadeOnceKeptInTheShopAndDiffersBetweenShops) {
  PayvaneRow p = GoodPayvane();
  p.Use = false;
  EXPECT_TRUE(CheckPayvaneStep(Prepare(GoodWebServer(), p)));
  EXPECT_EQ(ReadSettingsRow<PayvaneRow>(db_).SealKey, "") << "no key while the card service is off";

  p.Use = true;
  p.SealKey = "abc";  // damaged: made anew
  RunContext& first = Prepare(GoodWebServer(), p);
  ASSERT_TRUE(CheckPayvaneStep(first));
  const std::string key = first.settings.payvane.sealKey;
  EXPECT_EQ(key.size(), 64u);
  EXPECT_EQ(key.find_first_not_of("0123456789abcdef"), std::string::npos) << key;
  EXPECT_EQ(ReadSettingsRow<PayvaneRow>(db_).SealKey, key);

  RunContext again(db_, DeriveShopPaths(file_), log_, prompter_, clock_);
  ASSERT_TRUE(OpenSnapshotStep(again) && CheckPayvaneStep(again));
  EXPECT_EQ(again.settings.payvane.sealKey, key) << "seals stay valid across generations";

  test::TempDir other;
  test::CreateShopFile(other / "b.mdb");
  ShopDatabase db;
  db.Open(other / "b.mdb");
  test::StoreRow(db, GoodPayvane());
  RunContext second(db, DeriveShopPaths(other / "b.mdb"), log_, prompter_, clock_);
  ASSERT_TRUE(OpenSnapshotStep(second) && CheckPayvaneStep(second));
  EXPECT_TRUE(IsSealKey(second.settings.payvane.sealKey));
  EXPECT_NE(second.settings.payvane.sealKey, key);
}

std::string Box(int n, bool proxy = false) { return T(n) + (proxy ? T(22175) : "") + T(22176); }

TEST_F(FtpCheckTest, HostPortMustLieBetweenOneAnd65535) {
  EXPECT_TRUE(CheckFtp(GoodFtp()));
  EXPECT_EQ(sink_.lines, (Lines{T(22177), T(22178)}));
  EXPECT_TRUE(prompter_.asked().empty());
  EXPECT_EQ(ftp_.hostPass + "/" + ftp_.proxyName + "/" + ftp_.proxyPass, "s3cret pass//");
  for (int port : {0, 65536}) {
    FtpServerRow f = GoodFtp();
    f.HostPort = port;
    EXPECT_FALSE(CheckFtp(f));
    EXPECT_EQ(sink_.lines, (Lines{T(22177), "Ungültiger FTP Host-Port.", T(22178)}));
    ASSERT_EQ(prompter_.asked().size(), 1u);
    EXPECT_EQ(prompter_.asked()[0].text,
              "Bitte geben Sie einen gültigen FTP Host-Port ein!\n(Der Bereich ist 1-65535, Standardwert ist 21)."
              "\n\nVerifizierung fortsetzen?\n");
    EXPECT_EQ(prompter_.asked()[0].buttons, MessageButtons::OkCancel);
  }
}

TEST_F(FtpCheckTest, OkContinuesAndCancelStopsTheChecks) {
  FtpServerRow empty = GoodFtp();  // as a missing row reads, but storable
  empty.HostName = empty.HostUser = empty.RemoteDir = empty.RemoteScript = " ";
  empty.HostPort = 0;
  EXPECT_FALSE(CheckFtp(empty));  // the preselected OK each time
  EXPECT_EQ(sink_.lines, (Lines{T(22177), T(22180), T(22182), T(22184), T(22192), T(22178)}));
  EXPECT_EQ(prompter_.Texts(), (Lines{Box(22181), Box(22183), Box(22185), T(22193)}));
  EXPECT_EQ(prompter_.asked().back().buttons, MessageButtons::Ok);

  prompter_.Queue(Answer::Cancel);
  EXPECT_FALSE(CheckFtp(empty));
  EXPECT_EQ(sink_.lines, (Lines{T(22177), T(22180), T(22178)}));
  EXPECT_EQ(prompter_.Texts(), Lines{Box(22181)});

  db_.Execute("DELETE FROM \"FtpServer\"");
  Reset();
  prompter_.Queue(Answer::Cancel);
  EXPECT_FALSE(CheckFtpSettings(db_, log_, prompter_, nullptr));
  EXPECT_EQ(prompter_.Texts(), Lines{Box(22181)});
}

TEST_F(FtpCheckTest, ProxyAndIdenticalFolderChecks) {
  FtpServerRow f = GoodFtp();
  f.ProxyPort = 0;
  f.ProxyType = 2;
  EXPECT_FALSE(CheckFtp(f));
  EXPECT_EQ(sink_.lines, (Lines{T(22177), T(22186), T(22188), T(22190), T(22178)}));
  EXPECT_EQ(prompter_.Texts(), (Lines{Box(22187, true), Box(22189, true), Box(22191, true)}));

  f = GoodFtp();
  f.RemoteScript = "/WWW/Shop";
  prompter_.Queue(Answer::Yes);
  EXPECT_TRUE(CheckFtp(f));
  EXPECT_EQ(sink_.lines, (Lines{T(22177), T(22192), T(22178)}));
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].text, T(22193) + T(22194));
  EXPECT_EQ(prompter_.asked()[0].buttons, MessageButtons::YesNo);
  prompter_.Queue(Answer::No);
  EXPECT_FALSE(CheckFtp(f));
}

TEST(PayvaneTab, CurrenciesAndKeyChecksum) {
  for (const char* ok : {"EUR", "Euro", "chf", "AUD Dollar"}) EXPECT_TRUE(IsPayvaneCurrency(ok)) << ok;
  for (const char* no : {"DM", "JPY", ""}) EXPECT_FALSE(IsPayvaneCurrency(no)) << no;

  // CRC-32 of "123456789" is CBF43926; without the final inversion 340BC6D9.
  EXPECT_EQ(PayvaneKeyChecksum("1234", "56789"), "340BC6D9");
  // Values worked out with Python's zlib.crc32(e + n) ^ 0xFFFFFFFF: the second key
  // continues the first, case as typed, an empty pair leaves the start value.
  const struct {
    const char *e, *n, *sum;
  } cases[] = {{"010001", "C0FFEE0123456789ABCDEF\xE4", "6CC10115"},
               {"", "", "FFFFFFFF"},
               {"ABC", "", "5C7CFCB7"},
               {"", "ABC", "5C7CFCB7"},
               {"03", "b5c1", "0047BB0A"}};
  for (const auto& c : cases) EXPECT_EQ(PayvaneKeyChecksum(c.e, c.n), c.sum) << c.e << "|" << c.n;
}

}  // namespace
}  // namespace vendora
