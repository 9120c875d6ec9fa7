#include <gtest/gtest.h>

#include "common/program_text.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "shopdb/schema_builder.h"
#include "shopdb/store_texts.h"
#include "support/test_support.h"

namespace vendora {
namespace {

class DefaultRowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateShopFile(dir_ / "shop.mdb");
    db_.Open(dir_ / "shop.mdb");
  }
  test::TempDir dir_;
  ShopDatabase db_;
};

TEST_F(DefaultRowsTest, EveryAttributeKindGetsExactlyOneBlankValueAlsoWhenAddedLater) {
  EnsureAttributeSentinels(db_);
  EnsureAttributeSentinels(db_);
  EXPECT_EQ(TableRowCount(db_, "MainAttributes"), 1);
  EXPECT_EQ(TableRowCount(db_, "SubAttributes"), 1);

  CRecSetMainAttributes kinds(db_);
  kinds.Open();
  for (const char* name : {"Farbe", "Größe"}) {
    kinds.AddNew();
    kinds->Name = name;
    kinds.Update();
  }
  EnsureAttributeSentinels(db_);
  EnsureAttributeSentinels(db_);
  CRecSetSubAttributes blanks(db_);
  blanks.SetFilter(Eq("Name", " "));
  blanks.Open();
  EXPECT_EQ(blanks.GetRecordCount(), 3);
  for (kinds.MoveFirst(); !kinds.IsEOF(); kinds.MoveNext()) EXPECT_TRUE(blanks.FindFirst(Eq("MainAttrID", kinds->ID)));
  kinds.MoveFirst();
  EXPECT_EQ(kinds->Name, " ") << "the sentinel sorts first";
}

TEST_F(DefaultRowsTest, BuiltInPaymentMethodsAreCreatedOnceAndSwitchedOff) {
  for (int i = 0; i < 3; ++i) EnsurePaymentMethods(db_);
  CRecSetPayments payments(db_);
  payments.Open();
  ASSERT_EQ(payments.GetRecordCount(), 2);
  EXPECT_EQ(payments->Code, "DE");
  EXPECT_EQ(payments->Name, "Lastschrift (Bankeinzug)");
  EXPECT_FALSE(payments->Include);
  EXPECT_EQ(payments->Order, 0);
  payments.MoveNext();
  EXPECT_EQ(payments->Code, "CC");
  EXPECT_EQ(payments->Name, "Kreditkarte");
  EXPECT_EQ(payments->Order, 1);

  // A code written in small letters counts as the built-in method.
  payments.Edit();
  payments->Code = "cc";
  payments.Update();
  EnsurePaymentMethods(db_);
  EXPECT_EQ(TableRowCount(db_, "Payments"), 2);
}

TEST_F(DefaultRowsTest, OptionsRowIsCreatedWithDefaultsAndTheTaxSentinel) {
  EnsureOptionsRow(db_);
  EnsureOptionsRow(db_);
  EXPECT_EQ(TableRowCount(db_, "Options"), 1);
  CRecSetTaxesByType taxes(db_);
  taxes.Open();
  ASSERT_TRUE(taxes.FindFirst(Eq("Type", " ")));
  OptionsRow options = ReadSettingsRow<OptionsRow>(db_);
  EXPECT_EQ(options.DefTaxTypeID, taxes->ID);
  EXPECT_EQ(options.MCurrency, "DEM");
  EXPECT_TRUE(options.ReqEmail && options.ReqPhone && options.ReqFax && options.ElectronicSubmit &&
              options.PrintMail && options.PrintFax && options.ReqCountry);
  EXPECT_FALSE(options.DoFactor || options.UseDecComma || options.ReqCustID || options.Insurance);
  EXPECT_EQ(options.Factor, 0.0f);
}

TEST_F(DefaultRowsTest, EmptySettingsTablesReadAsTheirDefaults) {
  InterfacesRow ui = ReadSettingsRow<InterfacesRow>(db_);
  EXPECT_EQ(ui.GSet, "Senator");
  EXPECT_EQ(ui.Quality, 30);
  EXPECT_EQ(ui.LinesHorzWrapOn, 2);
  EXPECT_TRUE(ui.UseDefaultFonts && ui.GenerateDetails && ui.LinesExtraSpacing);
  EXPECT_FALSE(ui.TextOnly || ui.UseThumbnails);
  EXPECT_EQ(ReadSettingsRow<PayvaneRow>(db_).Port, 1712);
  // A new shop's web server works on a Linux host as it stands; only the addresses and
  // folders are left to the merchant.
  const WebServerRow web = ReadSettingsRow<WebServerRow>(db_);
  EXPECT_EQ(web.FileName, "index.html");
  EXPECT_EQ(web.PerlPath, "/usr/bin/perl");
  EXPECT_EQ(web.MailOption, 1);
  EXPECT_EQ(web.MailExec, "/usr/sbin/sendmail");
  EXPECT_EQ(web.HomeURL + web.StoreURL + web.ScriptURL + web.StorePath, "");

  // Once a row exists, it is what counts.
  CRecSetInterfaces rs(db_);
  rs.Open();
  rs.AddNew();
  *rs = DefaultInterfaces();
  rs->GSet = "Eigen";
  rs.Update();
  EXPECT_EQ(ReadSettingsRow<InterfacesRow>(db_).GSet, "Eigen");
}

TEST_F(DefaultRowsTest, StoreTextRefreshAddsMissingTextsAndResetsEditedOnes) {
  RefreshStoreTexts(db_);
  EXPECT_EQ(TableRowCount(db_, "Language"), 159);
  CRecSetLanguage texts(db_);
  texts.Open();
  ASSERT_TRUE(texts.FindFirst(Eq("ID", 30016)));
  texts.Edit();
  texts->Text = "Kaufen!";
  texts.Update();
  ASSERT_TRUE(texts.FindFirst(Eq("ID", 29997)));
  texts.Delete();
  texts.AddNew();
  texts->ID = 1;  // a text of no key stays untouched
  texts->Text = "eigen";
  texts.Update();

  RefreshStoreTexts(db_);
  texts.Requery();
  EXPECT_EQ(texts.GetRecordCount(), 160);
  ASSERT_TRUE(texts.FindFirst(Eq("ID", 30016)));
  EXPECT_EQ(texts->Text, "Jetzt bestellen!");
  ASSERT_TRUE(texts.FindFirst(Eq("ID", 29997)));
  EXPECT_EQ(texts->Text, "Online per Internet");
  ASSERT_TRUE(texts.FindFirst(Eq("ID", 1)));
  EXPECT_EQ(texts->Text, "eigen");
}

}  // namespace
}  // namespace vendora
