#include "pages/company_rules.h"

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

class CompanyRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateShopFile(dir_ / "shop.mdb");
    db_.Open(dir_ / "shop.mdb");
    paths_ = DeriveShopPaths(dir_ / "shop.mdb");
  }
  test::TempDir dir_;
  ShopDatabase db_;
  ShopPaths paths_;
  test::ScriptedPrompter prompter_;
};

// The sales address is where every order goes: a malformed one is refused with the
// field named and nothing is written; an empty one stays allowed.
TEST_F(CompanyRulesTest, AMalformedAddressIsRefusedAndNothingIsWritten) {
  FormValues values = LoadCompany(db_);
  values["StoreName"] = "Gartenwelt";
  values["EmailSales"] = "bestellung at gartenwelt";
  EXPECT_FALSE(SaveCompany(db_, paths_, values, {}, prompter_));
  EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{
                                   "\"bestellung at gartenwelt\" im Feld \"E-Mail Verkauf\" ist keine gültige "
                                   "E-Mail-Adresse. Bitte geben Sie sie in der Form name@beispiel.de ein oder lassen "
                                   "Sie das Feld leer."});
  EXPECT_NE(ReadSettingsRow<CompanyRow>(db_).StoreName, "Gartenwelt");

  prompter_.Clear();
  values["EmailSales"] = " bestellung@gartenwelt.de ";
  values["EmailPress"] = "";
  ASSERT_TRUE(SaveCompany(db_, paths_, values, {}, prompter_)) << ::testing::PrintToString(prompter_.Texts());
  const CompanyRow row = ReadSettingsRow<CompanyRow>(db_);
  EXPECT_EQ(row.StoreName, "Gartenwelt");
  EXPECT_EQ(Trim(row.EmailSales), "bestellung@gartenwelt.de");
}

}  // namespace
}  // namespace vendora
