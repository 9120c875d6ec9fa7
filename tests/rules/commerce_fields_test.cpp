#include "rules/commerce_fields.h"

#include <gtest/gtest.h>

#include <string>

#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "support/test_support.h"

namespace vendora {
namespace {

class CommerceFieldsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateShopFile(dir_ / "Shop.mdb");
    db_.Open(dir_ / "Shop.mdb");
    EnsureDefaultRows(db_);
  }
  test::TempDir dir_;
  ShopDatabase db_;
};

TEST_F(CommerceFieldsTest, ATabsSaveWritesOnlyItsOwnFields) {
  const OptionsRow stored = ReadSettingsRow<OptionsRow>(db_);
  OptionsRow edited = stored;
  edited.MCurrency = "USD";
  edited.Factor = 1.95583f;
  edited.TaxType = stored.TaxType == 2 ? 1 : 2;  // another tab's field, typed but not saved
  StoreCommerceFields(db_, CommerceTab::Orders, edited);

  const OptionsRow now = ReadSettingsRow<OptionsRow>(db_);
  EXPECT_EQ(now.MCurrency, "USD");
  EXPECT_EQ(now.Factor, 1.95583f);
  EXPECT_EQ(now.TaxType, stored.TaxType);
  EXPECT_FALSE(CommerceFieldsDiffer(CommerceTab::Orders, edited, now));
  EXPECT_TRUE(CommerceFieldsDiffer(CommerceTab::PaymentAndTaxes, edited, now));
}

TEST_F(CommerceFieldsTest, CellsTakeOnlyWhatTheirFieldHolds) {
  PaymentsRow payment = CommerceRows<PaymentsRow>(db_).front();
  const PaymentsRow before = payment;
  EXPECT_EQ(TakeCommerceCell(payment, "Name", std::string(65, 'x')).message(),
            "Der Text ist zu lang: höchstens 64 Zeichen.");
  EXPECT_EQ(TakeCommerceCell(payment, "Name", "  ").message(), "Dieses Feld darf nicht leer sein.");
  EXPECT_EQ(TakeCommerceCell(payment, "Price", "vier").message(), "Es können nur Zahlen eingegeben werden.\n");
  EXPECT_EQ(TakeCommerceCell(payment, "Price", "1e99").message(),
            "Der eingegebene Wert liegt nicht innerhalb des gültigen Bereichs.\n");
  EXPECT_EQ(payment.Name, before.Name);
  EXPECT_EQ(payment.Price, before.Price);

  ASSERT_TRUE(TakeCommerceCell(payment, "Name", "Nachnahme (Größe ä)").ok());
  ASSERT_TRUE(TakeCommerceCell(payment, "Price", "4,95").ok());
  ASSERT_TRUE(TakeCommerceCell(payment, "Include", "true").ok());
  StoreCommerceRow(db_, payment);
  const PaymentsRow read = test::Rows<PaymentsRow>(db_, Eq("ID", payment.ID)).front();
  EXPECT_EQ(CommerceCellText(read, "Name"), "Nachnahme (Größe ä)");
  EXPECT_EQ(CommerceCellText(read, "Price"), "4.95");
  EXPECT_EQ(CommerceCellText(read, "Include"), "true");

  // Of two equal discount rows, an edit changes one.
  test::AddRow(db_, DiscountRow{1, 5});
  test::AddRow(db_, DiscountRow{1, 5});
  StoreDiscountRow(db_, DiscountRow{1, 5}, DiscountRow{100, 10});
  const auto discounts = CommerceRows<DiscountRow>(db_);
  ASSERT_EQ(discounts.size(), 2u);
  EXPECT_EQ(discounts[0].Break, 1.0f);
  EXPECT_EQ(discounts[1].Break, 100.0f);
  EXPECT_EQ(discounts[1].Discount, 10.0f);
}

TEST(CommerceFactor, ConvertNeedsAPositiveFactor) {
  for (float bad : {0.0f, -2.0f})
    EXPECT_EQ(CheckConvertFactor(bad).message(),
              "Der Umrechnungsfaktor muss größer als 0 sein. Die Preise wurden nicht geändert.");
  EXPECT_TRUE(CheckConvertFactor(1.95583f).ok());
}

}  // namespace
}  // namespace vendora
