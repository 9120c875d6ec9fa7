#include "rules/server_rules.h"

#include <gtest/gtest.h>

#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "support/test_support.h"

namespace vendora {
namespace {

class ServerRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateShopFile(dir_ / "shop.mdb");
    db_.Open(dir_ / "shop.mdb");
  }
  // The three rows as stored, compared whole.
  std::string Stored() {
    const ServerValues v = LoadServerSettings(db_);
    return ::testing::PrintToString(v.webServer) + ::testing::PrintToString(v.ftpServer) +
           ::testing::PrintToString(v.payvane) + ReadSettingsRow<PayvaneRow>(db_).SealKey;
  }
  // The merchant's settings, as the three tabs hand them back.
  ServerValues Typed() {
    ServerValues v = LoadServerSettings(db_);
    v.webServer["HomeURL"] = "https://www.gartenwelt.example/";
    v.webServer["StandAlone"] = "1";
    v.webServer["StorePath"] = "/var/www/shop/";
    v.webServer["ScriptURL"] = "https://www.gartenwelt.example/cgi-bin/";
    v.webServer["ScriptExt"] = "1";
    v.webServer["MailOption"] = "2";
    v.webServer["MailHost"] = "mail.gartenwelt.example";
    v.ftpServer["HostName"] = "ftp.gartenwelt.example";
    v.ftpServer["HostPort"] = "2121";
    v.ftpServer["HostUser"] = "krause";
    v.ftpServer["HostPass"] = "Gärtner!";
    v.ftpServer["ProxyType"] = "8";
    v.ftpServer["RemoteDir"] = "/www/shop/";
    v.ftpServer["Passive"] = "0";
    v.payvane["Use"] = "1";
    v.payvane["HID"] = "4711";
    v.payvane["RsaE"] = "010001";
    v.payvane["RsaN"] = "c0ffee";
    v.payvane["Price"] = "0,35";
    v.payvane["TxType"] = "1";
    return v;
  }

  test::TempDir dir_;
  ShopDatabase db_;
  test::ScriptedPrompter prompter_;
};

// A new shop's tabs start from what a Linux host and the services need.
TEST_F(ServerRulesTest, ANewShopShowsTheDefaults) {
  const ServerValues v = LoadServerSettings(db_);
  const std::pair<const FormValues*, std::pair<const char*, const char*>> expected[] = {
      {&v.webServer, {"FileName", "index.html"}},
      {&v.webServer, {"PerlPath", "/usr/bin/perl"}},
      {&v.webServer, {"MailExec", "/usr/sbin/sendmail"}},
      {&v.webServer, {"HomeURL", ""}},
      {&v.ftpServer, {"HostPort", "21"}},
      {&v.ftpServer, {"Passive", "1"}},
      {&v.ftpServer, {"Protocol", "0"}},
      {&v.ftpServer, {"SftpPort", "22"}},
      {&v.ftpServer, {"HostPass", ""}},
      {&v.ftpServer, {"TlsFingerprint", ""}},
      {&v.payvane, {"Server", "gateway.payvane.de"}},
      {&v.payvane, {"Port", "1712"}},
      {&v.payvane, {"TimeOut", "60"}},
      {&v.payvane, {"Use", "0"}},
      {&v.payvane, {"Price", "0.00"}},
  };
  for (const auto& [values, field] : expected) EXPECT_EQ(values->at(field.first), field.second) << field.first;
  EXPECT_EQ(v.webServer.size(), 12u);
  EXPECT_EQ(v.ftpServer.size(), 17u);
  EXPECT_EQ(v.payvane.size(), 10u);
}

TEST_F(ServerRulesTest, TheThreeTabsAreSavedAndShownAgain) {
  test::StoreRow(db_, PayvaneRow{.Server = "gateway.payvane.de", .SealKey = std::string(64, 'a')});
  const ServerValues typed = Typed();
  ASSERT_TRUE(SaveServerSettings(db_, typed, true, prompter_)) << ::testing::PrintToString(prompter_.Texts());
  EXPECT_TRUE(prompter_.asked().empty());

  ServerValues expected = typed;
  expected.payvane["RsaN"] = "C0FFEE";
  expected.payvane["Price"] = "0.35";
  const ServerValues shown = LoadServerSettings(db_);
  EXPECT_EQ(shown.webServer, expected.webServer);
  EXPECT_EQ(shown.ftpServer, expected.ftpServer);
  EXPECT_EQ(shown.payvane, expected.payvane);

  // Stored as the shop keeps them: the password scrambled, the keys scrambled, and the
  // card service's seal (no field of the tab) untouched.
  EXPECT_EQ(ReadSettingsRow<FtpServerRow>(db_).HostPass, "15A8F00319391F3A43");
  EXPECT_EQ(ReadSettingsRow<FtpServerRow>(db_).ProxyType, 8);
  const PayvaneRow payvane = ReadSettingsRow<PayvaneRow>(db_);
  EXPECT_EQ(payvane.RsaE, "536B55");
  EXPECT_EQ(payvane.HID, 4711);
  EXPECT_EQ(payvane.SealKey, std::string(64, 'a'));
  EXPECT_EQ(ReadSettingsRow<WebServerRow>(db_).MailOption, 2);
}

// A locked Payvane tab keeps what is stored, whatever its controls hold.
TEST_F(ServerRulesTest, WithoutThePayvaneTabItsRowStaysAsStored) {
  test::StoreRow(db_, PayvaneRow{.Use = true, .Server = "alt.payvane.example", .Port = 1713, .TimeOut = 30});
  ServerValues typed = Typed();
  typed.payvane["Server"] = "neu.payvane.example";
  typed.payvane["Port"] = "kein Port";
  ASSERT_TRUE(SaveServerSettings(db_, typed, false, prompter_)) << ::testing::PrintToString(prompter_.Texts());
  EXPECT_TRUE(prompter_.asked().empty());
  const PayvaneRow payvane = ReadSettingsRow<PayvaneRow>(db_);
  EXPECT_EQ(payvane.Server, "alt.payvane.example");
  EXPECT_EQ(payvane.Port, 1713);
  EXPECT_EQ(ReadSettingsRow<FtpServerRow>(db_).HostName, "ftp.gartenwelt.example");
  EXPECT_EQ(ReadSettingsRow<WebServerRow>(db_).HomeURL, "https://www.gartenwelt.example/");
}

// One bad field on any tab: its message, and none of the three rows is written, not
// even the tabs checked before it.
TEST_F(ServerRulesTest, ABadFieldOnAnyTabWritesNoRow) {
  ASSERT_TRUE(SaveServerSettings(db_, LoadServerSettings(db_), true, prompter_));
  const std::string before = Stored();
  const struct {
    FormValues ServerValues::*tab;
    const char* field;
    std::string typed;
    std::string message;
  } cases[] = {
      {&ServerValues::webServer, "HomeURL", "http://" + std::string(249, 'x'),
       "Die Angabe im Feld \"Homepage-URL\" ist zu lang: erlaubt sind höchstens 255 Zeichen."},
      {&ServerValues::webServer, "MailOption", "3", "Der eingegebene Wert liegt nicht innerhalb des gültigen Bereichs.\n"},
      {&ServerValues::webServer, "ScriptExt", "cgi", "Es können nur Zahlen eingegeben werden.\n"},
      {&ServerValues::ftpServer, "ProxyPort", "80x", "Es können nur Zahlen eingegeben werden.\n"},
      {&ServerValues::ftpServer, "ProxyType", "-1", "Der eingegebene Wert liegt nicht innerhalb des gültigen Bereichs.\n"},
      {&ServerValues::ftpServer, "HostUser", std::string(33, 'u'),
       "Die Angabe im Feld \"Benutzername\" ist zu lang: erlaubt sind höchstens 32 Zeichen."},
      {&ServerValues::payvane, "RsaN", "c0ffeg",
       "Im Feld \"Zweiter Schlüssel\" sind nur die Ziffern 0 bis 9 und die Buchstaben A bis F erlaubt."},
      {&ServerValues::payvane, "HID", "2147483648", "Der eingegebene Wert liegt nicht innerhalb des gültigen Bereichs.\n"},
      {&ServerValues::payvane, "Price", "1.2.3", "Es können nur Zahlen eingegeben werden.\n"},
  };
  for (const auto& c : cases) {
    prompter_.Clear();
    ServerValues typed = Typed();
    (typed.*c.tab)[c.field] = c.typed;
    EXPECT_FALSE(SaveServerSettings(db_, typed, true, prompter_)) << c.field;
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{c.message}) << c.field;
    EXPECT_EQ(Stored(), before) << c.field;
  }
}

// The three rows go in one transaction: the last one refused takes the others back.
TEST_F(ServerRulesTest, ARefusedPayvaneRowTakesTheOtherTwoBack) {
  ASSERT_TRUE(SaveServerSettings(db_, LoadServerSettings(db_), true, prompter_));
  const std::string before = Stored();
  db_.Execute("CREATE TRIGGER \"NoPayvane\" BEFORE UPDATE ON \"Payvane\" BEGIN SELECT RAISE(ABORT, 'gesperrt'); END");
  EXPECT_FALSE(SaveServerSettings(db_, Typed(), true, prompter_));
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].title, "Vendora - Fehlermeldung...");
  EXPECT_EQ(prompter_.asked()[0].text,
            "NO_AFX_DAO_ERROR\r\n\r\nDAO Fehlernr.: 1811\r\n\r\nBeschreibung:\r\nEin Feldwert ist für dieses Feld nicht "
            "zulässig.");
  EXPECT_EQ(Stored(), before);

  // Without the Payvane tab the same save goes through.
  prompter_.Clear();
  EXPECT_TRUE(SaveServerSettings(db_, Typed(), false, prompter_)) << ::testing::PrintToString(prompter_.Texts());
  EXPECT_EQ(ReadSettingsRow<FtpServerRow>(db_).HostPort, 2121);
}

// The card service takes sixteen currencies, by the first three letters of the shop's
// master currency; for any other the tab says why it is off.
TEST_F(ServerRulesTest, ThePayvaneTabExplainsAMasterCurrencyItCannotServe) {
  const std::string note =
      "Die von Ihnen gewählte Hauptwährung steht unter Payvane nicht zur Verfügung. Daher sind die Optionen "
      "deaktiviert.";
  EnsureOptionsRow(db_);
  const std::pair<const char*, bool> currencies[] = {
      {"EUR", true},  {"eur", true},   {" CHF ", true}, {"GBP", true},  {"USD", true},  {"CAD", true},
      {"AUD", true},  {"DEM", true},   {"NLG", true},   {"PTE", true},  {"EURO", true}, {"JPY", false},
      {"SEK", false}, {"EU", false},   {" ", false},     {"€", false},   {"E UR", false},
  };
  for (const auto& [currency, served] : currencies) {
    db_.Execute(std::string("UPDATE \"Options\" SET \"MCurrency\" = '") + currency + "'");
    EXPECT_EQ(PayvaneCurrencyNote(db_), served ? "" : note) << currency;
  }
}

}  // namespace
}  // namespace vendora
