#include "rules/settings_form.h"

#include <gtest/gtest.h>

#include "common/text_util.h"
#include "rules/company_rules.h"
#include "rules/payvane_lock.h"
#include "rules/server_rules.h"
#include "shopdb/default_rows.h"
#include "support/test_support.h"

namespace vendora {
namespace {

using test::ScriptedPrompter;

std::string Repeat(std::string_view unit, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += unit;
  return text;
}

constexpr const char* kPassBytes17 =
    "Die Angabe im Feld \"Kennwort\" ist zu lang: Platz ist für 16 Byte, sie braucht 17. Die Buchstaben A bis Z, "
    "Ziffern und einfache Satzzeichen belegen je ein Byte, Umlaute und „ß“ je zwei, andere Zeichen bis zu vier.";

// What the merchant types and what is stored for it, one field kind each.
TEST(SettingsForm, TypedTextsAreCheckedAndStoredAsTheShopKeepsThem) {
  struct Case {
    const char* field;
    std::string typed;
    const char* message;  // nullptr: taken
  };
  const Case cases[] = {
      {"HostName", "", nullptr},                         // required: kept as the single blank
      {"HostPort", " 2121 ", nullptr},
      {"HostPort", "21a", "Es können nur Zahlen eingegeben werden.\n"},
      {"HostPort", "4294967296", "Der eingegebene Wert liegt nicht innerhalb des gültigen Bereichs.\n"},
      {"HostUser", std::string(33, 'u'), "Die Angabe im Feld \"Benutzername\" ist zu lang: erlaubt sind höchstens 32 Zeichen."},
      {"HostUser", std::string(16, 'a') + std::string(16, 'b'), nullptr},
      // 16 characters, and 16 bytes to fit the scrambled 32 digits; "ä" takes two.
      {"HostPass", "geheim", nullptr},
      {"HostPass", std::string(16, 'x'), nullptr},
      {"HostPass", std::string(17, 'x'), "Die Angabe im Feld \"Kennwort\" ist zu lang: erlaubt sind höchstens 16 Zeichen."},
      {"HostPass", std::string(8, 'x') + "ääää", nullptr},
      {"HostPass", std::string(9, 'x') + "ääää", kPassBytes17},
      {"ProxyPass", Repeat("ä", 16), "Die Angabe im Feld \"Firewall-Kennwort\" ist zu lang: Platz ist für 16 Byte, sie "
                                     "braucht 32. Die Buchstaben A bis Z, Ziffern und einfache Satzzeichen belegen je "
                                     "ein Byte, Umlaute und „ß“ je zwei, andere Zeichen bis zu vier."},
      {"ProxyPass", Repeat("ä", 17),
       "Die Angabe im Feld \"Firewall-Kennwort\" ist zu lang: erlaubt sind höchstens 16 Zeichen."},
      {"HostPass", "geh\r\nheim", "Im Feld \"Kennwort\" sind keine Steuerzeichen wie Zeilenumbruch oder Tabulator erlaubt."},
      {"ProxyType", "8", nullptr},
      {"ProxyType", "9", "Der eingegebene Wert liegt nicht innerhalb des gültigen Bereichs.\n"},
  };
  for (const Case& c : cases) {
    ScriptedPrompter prompter;
    FtpServerRow row = DefaultFtpServer();
    const bool taken = TakeRow(FtpServerForm(), {{c.field, c.typed}}, row, prompter);
    EXPECT_EQ(taken, c.message == nullptr) << c.field << " " << c.typed;
    const std::vector<std::string> expected = c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{};
    EXPECT_EQ(prompter.Texts(), expected) << c.field;
  }

  // The certificate trusted for FTPS: shown in pairs, stored as its 64 digits, emptied
  // to forget it; anything else is refused with a message.
  const std::string digits = "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF";
  const std::string pairs = "01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF";
  for (const auto& [typed, stored] : std::vector<std::pair<std::string, std::string>>{
           {pairs, digits}, {"0123456789abcdef 0123456789abcdef " + digits.substr(32), digits}, {"", ""},
           {pairs.substr(3), "kept"}, {"G" + digits.substr(1), "kept"}}) {
    ScriptedPrompter prompter;
    FtpServerRow row{.TlsFingerprint = "kept"};
    const bool taken = TakeRow(FtpServerForm(), {{"TlsFingerprint", typed}}, row, prompter);
    EXPECT_EQ(row.TlsFingerprint, stored) << typed;
    EXPECT_EQ(prompter.Texts(), taken ? std::vector<std::string>{}
                                      : std::vector<std::string>{"Im Feld \"Vertrautes Zertifikat\" steht kein "
                                                                 "SHA-256-Fingerabdruck (64 Hexadezimalziffern)."});
    row.TlsFingerprint = digits;
    EXPECT_EQ(ShowRow(FtpServerForm(), row).at("TlsFingerprint"), pairs);
  }

  // Shown again as typed: the blank of a required field as nothing.
  ScriptedPrompter prompter;
  FtpServerRow row;
  ASSERT_TRUE(TakeRow(FtpServerForm(), {{"HostName", ""}, {"HostPass", "geheim"}}, row, prompter));
  EXPECT_EQ(row.HostName, " ");
  const FormValues shown = ShowRow(FtpServerForm(), row);
  EXPECT_EQ(shown.at("HostName"), "");
  EXPECT_EQ(shown.at("HostPass"), "geheim");
}

// A password that is taken is the one shown again and sent, and its stored form fits
// the field's 32 characters.
TEST(SettingsForm, EveryTakenPasswordIsShownAgainAsTyped) {
  for (const std::string& typed : {std::string("x"), std::string(" "), std::string("ä"), std::string(16, 'x'),
                                   Repeat("ä", 8), Repeat("€", 5) + "x", Repeat("😀", 4)}) {
    ScriptedPrompter prompter;
    FtpServerRow row = DefaultFtpServer();
    ASSERT_TRUE(TakeRow(FtpServerForm(), {{"HostPass", typed}, {"ProxyPass", typed}}, row, prompter)) << typed;
    EXPECT_LE(Utf8Length(row.HostPass), 32u) << typed;
    const FormValues shown = ShowRow(FtpServerForm(), row);
    EXPECT_EQ(shown.at("HostPass"), typed);
    EXPECT_EQ(shown.at("ProxyPass"), typed);
  }
}

TEST(SettingsForm, KeysAreHexUpperCasedAndDecimalsTakeAComma) {
  ScriptedPrompter prompter;
  PayvaneRow row = DefaultPayvane();
  EXPECT_FALSE(TakeRow(PayvaneForm(), {{"RsaE", "01G0"}}, row, prompter));
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{
                                  "Im Feld \"Erster Schlüssel\" sind nur die Ziffern 0 bis 9 und die Buchstaben A bis F erlaubt."});
  ASSERT_TRUE(TakeRow(PayvaneForm(), {{"RsaE", "c0ffee"}, {"Price", "1,5"}, {"TimeOut", "-5"}}, row, prompter));
  EXPECT_FLOAT_EQ(row.Price, 1.5f);
  EXPECT_EQ(row.TimeOut, -5);  // corrected by the generation's check, kept as typed here
  EXPECT_EQ(ShowRow(PayvaneForm(), row).at("RsaE"), "C0FFEE");
  EXPECT_EQ(ShowRow(PayvaneForm(), row).at("Price"), "1.50");
  // A key of 255 digits cannot be stored in its 255 characters (odd: two more).
  EXPECT_EQ(InputLimit(PayvaneForm(), *PayvaneForm().Field("RsaE")), 254);
  for (const char* bad : {"1.2.3", "", "1e999", "zwölf"}) {
    ScriptedPrompter p;
    EXPECT_FALSE(TakeRow(PayvaneForm(), {{"Price", bad}}, row, p)) << bad;
  }
  // Nothing of a refused set of texts is taken.
  ScriptedPrompter p;
  PayvaneRow before = row;
  EXPECT_FALSE(TakeRow(PayvaneForm(), {{"Server", "neu.example.com"}, {"Port", "x"}}, row, p));
  EXPECT_EQ(row.Server, before.Server);
}

TEST(PayvaneLock, PasswordIsTheDesCryptWithSaltWkWithoutTheSalt) {
  // Worked out with perl's crypt($password, "wK").
  EXPECT_EQ(PayvanePasswordHash("test"), "ZNvK/5D/256");
  EXPECT_EQ(PayvanePasswordHash("geheim"), "2Z4M2VxPdUE");
  EXPECT_EQ(PayvanePasswordHash(""), "8KjdeSjOnaU");
  // DES reads eight characters only.
  EXPECT_EQ(PayvanePasswordHash("neu12345"), PayvanePasswordHash("neu123456789"));
}

}  // namespace
}  // namespace vendora
