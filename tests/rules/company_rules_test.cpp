#include "rules/company_rules.h"

#include <gtest/gtest.h>

#include "common/text_util.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

TEST(EmailAddress, OnlyWhatAMailServerTakes) {
  for (const char* good : {"bestellung@gartenwelt.de", " info@garten-welt.example ", "a.b+c@x.y.z", "o'neil@mail.ie"})
    EXPECT_TRUE(IsEmailAddress(good)) << good;
  for (const char* bad : {"bestellung at gartenwelt", "@gartenwelt.de", "bestellung@", "bestellung@gartenwelt",
                          "a@b@c.de", "a b@c.de", "a@-x.de", "a@x-.de", "a@x..de", "a@.x.de", "a@x.de.", "ä@x.de",
                          "a@x.de\nBcc: b@y.de", ""})
    EXPECT_FALSE(IsEmailAddress(bad)) << bad;
}

// A fresh shop file with its folders, as the company page finds it after "Neuer Shop".
class CompanyRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateShopFile(dir_ / "shop.mdb");
    db_.Open(dir_ / "shop.mdb");
    paths_ = DeriveShopPaths(dir_ / "shop.mdb");
    ASSERT_TRUE(CreateShopFolders(paths_));
  }
  fs::path Imgs() const { return paths_.Subfolder(ShopSubfolder::Imgs); }
  // A picture the merchant picks: any bytes do, the logo is copied, not decoded.
  fs::path Picked(const std::string& name, const std::string& bytes) {
    const fs::path file = dir_ / "picked" / name;
    fs::create_directories(file.parent_path());
    test::WriteFileBytes(file, bytes);
    return file;
  }
  // Everything the company row holds, the logo extension included.
  std::string RowText() {
    const CompanyRow r = ReadSettingsRow<CompanyRow>(db_);
    return ::testing::PrintToString(std::vector<std::string>{
        r.StoreName, r.Company, r.Address1, r.Address2, r.City, r.State, r.ZIP, r.Country, r.Phone1, r.Phone2, r.Fax1,
        r.Fax2, r.EmailInfo, r.EmailSupport, r.EmailPress, r.EmailSales, r.Description, r.Keywords, r.LogoExt,
        r.LogoUseall ? "1" : "0"});
  }

  test::TempDir dir_;
  ShopDatabase db_;
  ShopPaths paths_;
  test::ScriptedPrompter prompter_;
};

// What the merchant typed is what the page shows next time, in every field; the
// logo extension is not the page's to type and stays.
TEST_F(CompanyRulesTest, EveryFieldIsShownAgainAsTyped) {
  const FormValues fresh = LoadCompany(db_);
  EXPECT_EQ(fresh.size(), 19u);
  EXPECT_EQ(fresh.at("StoreName"), "");
  EXPECT_EQ(fresh.at("LogoUseall"), "0");
  EXPECT_EQ(fresh.count("LogoExt"), 0u);

  const FormValues typed = {
      {"StoreName", "Gartenwelt Krause"},    {"Company", "Krause & Söhne GbR"},
      {"Address1", "Lindenstraße 12"},       {"Address2", "Hinterhaus"},
      {"ZIP", "79098"},                      {"City", "Freiburg"},
      {"State", "BW"},                       {"Country", "Deutschland"},
      {"Phone1", "0761 123"},                {"Phone2", "0761 124"},
      {"Fax1", "0761 125"},                  {"Fax2", ""},
      {"EmailInfo", "info@gartenwelt.de"},   {"EmailSupport", "hilfe@gartenwelt.de"},
      {"EmailPress", ""},                    {"EmailSales", "bestellung@gartenwelt.de"},
      {"Description", "Alles für den Garten.\r\nSeit 1950."},
      {"Keywords", "Garten, Spaten, Rosen"}, {"LogoUseall", "1"},
  };
  ASSERT_TRUE(SaveCompany(db_, paths_, typed, {}, prompter_)) << ::testing::PrintToString(prompter_.Texts());
  EXPECT_TRUE(prompter_.asked().empty());
  EXPECT_EQ(LoadCompany(db_), typed);
  const CompanyRow row = ReadSettingsRow<CompanyRow>(db_);
  EXPECT_EQ(row.Company, "Krause & Söhne GbR");
  EXPECT_EQ(row.Description, "Alles für den Garten.\r\nSeit 1950.");
  EXPECT_TRUE(row.LogoUseall);

  // A value left out of what the page hands back keeps the stored one.
  db_.Execute("UPDATE \"Company\" SET \"LogoExt\" = 'gif'");
  test::WriteFileBytes(Imgs() / "logo.gif", "gif bytes");
  ASSERT_TRUE(SaveCompany(db_, paths_, {{"City", "Basel"}}, {}, prompter_));
  const CompanyRow after = ReadSettingsRow<CompanyRow>(db_);
  EXPECT_EQ(after.City, "Basel");
  EXPECT_EQ(after.StoreName, "Gartenwelt Krause");
  EXPECT_EQ(after.ZIP, "79098");
  EXPECT_EQ(after.LogoExt, "gif");
}

// Every refusal names the field in the page's words; nothing of the row is written
// and a logo picked alongside is not taken.
TEST_F(CompanyRulesTest, ARefusedSaveNamesTheFieldAndChangesNothing) {
  ASSERT_TRUE(SaveCompany(db_, paths_, {{"StoreName", "Gartenwelt"}, {"EmailSales", "shop@gartenwelt.de"}}, {},
                          prompter_));
  const fs::path logo = Picked("neu.png", "new logo");
  const struct {
    const char* field;
    std::string typed;
    std::string message;
  } cases[] = {
      {"StoreName", std::string(65, 'x'),
       "Die Angabe im Feld \"Shop-Name\" ist zu lang: erlaubt sind höchstens 64 Zeichen."},
      {"ZIP", "79098-1234X", "Die Angabe im Feld \"PLZ\" ist zu lang: erlaubt sind höchstens 10 Zeichen."},
      {"State", "Thüringen", "Die Angabe im Feld \"Bundesland\" ist zu lang: erlaubt sind höchstens 8 Zeichen."},
      {"Phone2", std::string(33, '1'),
       "Die Angabe im Feld \"Telefon (2)\" ist zu lang: erlaubt sind höchstens 32 Zeichen."},
      {"EmailSupport", "hilfe@",
       "\"hilfe@\" im Feld \"E-Mail Support\" ist keine gültige E-Mail-Adresse. Bitte geben Sie sie in der Form "
       "name@beispiel.de ein oder lassen Sie das Feld leer."},
      {"EmailSales", " shop@garten welt.de ",
       "\"shop@garten welt.de\" im Feld \"E-Mail Verkauf\" ist keine gültige E-Mail-Adresse. Bitte geben Sie sie in "
       "der Form name@beispiel.de ein oder lassen Sie das Feld leer."},
      // A second recipient smuggled into the order mail's header.
      {"EmailInfo", "info@gartenwelt.de\nBcc: x@y.de",
       "\"info@gartenwelt.de\nBcc: x@y.de\" im Feld \"E-Mail Information\" ist keine gültige E-Mail-Adresse. Bitte "
       "geben Sie sie in der Form name@beispiel.de ein oder lassen Sie das Feld leer."},
      {"EmailPress", "presse@gartenwelt",
       "\"presse@gartenwelt\" im Feld \"E-Mail Presse\" ist keine gültige E-Mail-Adresse. Bitte geben Sie sie in der "
       "Form name@beispiel.de ein oder lassen Sie das Feld leer."},
  };
  const std::string before = RowText();
  for (const auto& c : cases) {
    prompter_.Clear();
    FormValues values = LoadCompany(db_);
    values["City"] = "Basel";
    values[c.field] = c.typed;
    EXPECT_FALSE(SaveCompany(db_, paths_, values, {.chosen = logo}, prompter_)) << c.field;
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{c.message}) << c.field;
    EXPECT_EQ(RowText(), before) << c.field;
    EXPECT_FALSE(fs::exists(Imgs() / "logo.png")) << c.field;
  }
  // Characters count, not bytes: 64 umlauts fit the 64 of the shop's name.
  prompter_.Clear();
  std::string umlauts;
  for (int i = 0; i < 64; ++i) umlauts += "ä";
  EXPECT_TRUE(SaveCompany(db_, paths_, {{"StoreName", umlauts}}, {}, prompter_))
      << ::testing::PrintToString(prompter_.Texts());
}

TEST_F(CompanyRulesTest, TheLogoIsCopiedReplacedAndRemoved) {
  EXPECT_EQ(CompanyLogoFile(db_, paths_), std::nullopt);
  ASSERT_TRUE(SaveCompany(db_, paths_, LoadCompany(db_), {.chosen = Picked("Firmenlogo.PNG", "png bytes")}, prompter_))
      << ::testing::PrintToString(prompter_.Texts());
  EXPECT_EQ(ReadSettingsRow<CompanyRow>(db_).LogoExt, "png");
  EXPECT_EQ(test::ReadFileBytes(Imgs() / "logo.png"), "png bytes");
  EXPECT_EQ(CompanyLogoFile(db_, paths_), Imgs() / "logo.png");
  EXPECT_EQ(test::ReadFileBytes(dir_ / "picked" / "Firmenlogo.PNG"), "png bytes") << "the pick stays where it was";

  // Another format replaces the old file, which no page would use any more.
  ASSERT_TRUE(SaveCompany(db_, paths_, LoadCompany(db_), {.chosen = Picked("logo2.jpg", "jpeg bytes")}, prompter_));
  EXPECT_EQ(ReadSettingsRow<CompanyRow>(db_).LogoExt, "jpg");
  EXPECT_FALSE(fs::exists(Imgs() / "logo.png"));
  EXPECT_EQ(CompanyLogoFile(db_, paths_), Imgs() / "logo.jpg");

  // The shop's own logo picked again is kept as it is.
  ASSERT_TRUE(SaveCompany(db_, paths_, LoadCompany(db_), {.chosen = Imgs() / "logo.jpg"}, prompter_));
  EXPECT_EQ(test::ReadFileBytes(Imgs() / "logo.jpg"), "jpeg bytes");

  // A logo deleted outside the program is no logo.
  fs::copy_file(Imgs() / "logo.jpg", dir_ / "saved.jpg");
  fs::remove(Imgs() / "logo.jpg");
  EXPECT_EQ(CompanyLogoFile(db_, paths_), std::nullopt);
  fs::copy_file(dir_ / "saved.jpg", Imgs() / "logo.jpg");

  ASSERT_TRUE(SaveCompany(db_, paths_, LoadCompany(db_), {.remove = true}, prompter_));
  EXPECT_EQ(ReadSettingsRow<CompanyRow>(db_).LogoExt, "");
  EXPECT_FALSE(fs::exists(Imgs() / "logo.jpg"));
  EXPECT_EQ(CompanyLogoFile(db_, paths_), std::nullopt);
  EXPECT_TRUE(prompter_.asked().empty()) << ::testing::PrintToString(prompter_.Texts());
}

// A copy that fails says so with the file's name; the shop keeps the logo it had.
TEST_F(CompanyRulesTest, ALogoThatCannotBeCopiedKeepsTheOldOne) {
  ASSERT_TRUE(SaveCompany(db_, paths_, LoadCompany(db_), {.chosen = Picked("alt.png", "old logo")}, prompter_));
  fs::create_directories(Imgs() / "logo.gif" / "x");  // a folder where the copy must go
  const fs::path gif = Picked("neu.gif", "new logo");
  SaveCompany(db_, paths_, LoadCompany(db_), {.chosen = gif}, prompter_);
  EXPECT_EQ(prompter_.Texts(),
            std::vector<std::string>{"Beim Kopieren der Datei trat ein Fehler auf.\n" + gif.string() + "\n"});
  EXPECT_EQ(test::ReadFileBytes(Imgs() / "logo.png"), "old logo");
  EXPECT_EQ(ReadSettingsRow<CompanyRow>(db_).LogoExt, "png");
  EXPECT_EQ(CompanyLogoFile(db_, paths_), Imgs() / "logo.png");
}

// The database refusing the row: its own dialog, and neither row nor logo changed.
TEST_F(CompanyRulesTest, ADatabaseRefusalIsShownAndLeavesRowAndLogo) {
  ASSERT_TRUE(SaveCompany(db_, paths_, {{"StoreName", "Gartenwelt"}}, {.chosen = Picked("alt.png", "old logo")},
                          prompter_));
  db_.Execute("CREATE TRIGGER \"NoCompany\" BEFORE UPDATE ON \"Company\" BEGIN SELECT RAISE(ABORT, 'gesperrt'); END");
  const std::string before = RowText();
  EXPECT_FALSE(SaveCompany(db_, paths_, {{"StoreName", "Neuer Name"}}, {.chosen = Picked("neu.png", "new logo")},
                           prompter_));
  ASSERT_EQ(prompter_.asked().size(), 1u);
  const MessageRequest& shown = prompter_.asked()[0];
  EXPECT_EQ(shown.title, "Vendora - Fehlermeldung...");
  EXPECT_EQ(shown.text,
            "NO_AFX_DAO_ERROR\r\n\r\nDAO Fehlernr.: 1811\r\n\r\nBeschreibung:\r\nEin Feldwert ist für dieses Feld nicht "
            "zulässig.");
  EXPECT_EQ(shown.details, "gesperrt");
  EXPECT_EQ(RowText(), before);
  EXPECT_EQ(test::ReadFileBytes(Imgs() / "logo.png"), "old logo");
}

}  // namespace
}  // namespace vendora
