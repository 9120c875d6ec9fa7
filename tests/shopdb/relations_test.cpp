#include <gtest/gtest.h>

#include "shopdb/db_error.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "shopdb/schema_builder.h"
#include "support/test_support.h"

namespace vendora {
namespace {

// A small catalogue: one category with one product, two items and a line membership.
class RelationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateShopFile(dir_ / "shop.mdb");
    db_.Open(dir_ / "shop.mdb");
    EnsureDefaultRows(db_);

    CRecSetMainAttributes kinds(db_);
    kinds.Open();
    kinds.AddNew();
    kinds->Name = "Farbe";
    kinds.Update();
    colour_ = kinds->ID;
    CRecSetSubAttributes values(db_);
    values.Open();
    values.AddNew();
    values->Name = "rot";
    values->MainAttrID = colour_;
    values.Update();
    red_ = values->ID;

    CRecSetTaxesByType taxes(db_);
    taxes.Open();
    taxes.AddNew();
    taxes->Type = "voll";
    taxes->Rate = 19;
    taxes.Update();
    tax_ = taxes->ID;

    CRecSetCategories categories(db_);
    categories.Open();
    categories.AddNew();
    categories->Name = "Hemden";
    categories.Update();
    category_ = categories->ID;

    CRecSetProducts products(db_);
    products.Open();
    products.AddNew();
    products->Name = "Polo";
    products->CategoryID = category_;
    products->TaxID = tax_;
    products->AttributeID1 = colour_;
    products->AttributeID2 = colour_;
    products.Update();
    product_ = products->ID;

    CRecSetItems items(db_);
    items.Open();
    for (int i = 0; i < 2; ++i) {
      items.AddNew();
      items->ProductID = product_;
      items->Order = i;
      items->ItemNumber = "P-" + std::to_string(i);
      items->SubAttrID1 = items->SubAttrID2 = red_;
      items.Update();
    }
    CRecSetLines lines(db_);
    lines.Open();
    lines.AddNew();
    lines->Name = "Sommer";
    lines.Update();
    line_ = lines->ID;
    CRecSetProdLines members(db_);
    members.Open();
    members.AddNew();
    members->Name = "Polo";
    members->LineID = line_;
    members->ProductID = product_;
    members.Update();
  }

  test::TempDir dir_;
  ShopDatabase db_;
  int32_t colour_ = 0, red_ = 0, tax_ = 0, category_ = 0, product_ = 0, line_ = 0;
};

TEST_F(RelationsTest, DeletingACategoryDeletesItsProductsItemsAndMemberships) {
  CRecSetCategories categories(db_);
  categories.Open();
  ASSERT_TRUE(categories.FindFirst(Eq("ID", category_)));
  categories.Delete();
  EXPECT_EQ(TableRowCount(db_, "Products"), 0);
  EXPECT_EQ(TableRowCount(db_, "Items"), 0);
  EXPECT_EQ(TableRowCount(db_, "ProdLines"), 0);
  EXPECT_EQ(TableRowCount(db_, "Lines"), 1);
}

TEST_F(RelationsTest, ReferencedTaxTypeAttributeValueAndIndexCannotBeDeleted) {
  CRecSetTaxesByType taxes(db_);
  taxes.Open();
  ASSERT_TRUE(taxes.FindFirst(Eq("ID", tax_)));
  EXPECT_THROW(taxes.Delete(), DbError);
  EXPECT_EQ(taxes.GetRecordCount(), 2) << "the refused row stays in the set";

  CRecSetSubAttributes values(db_);
  values.Open();
  ASSERT_TRUE(values.FindFirst(Eq("ID", red_)));
  try {
    values.Delete();
    FAIL();
  } catch (const DbError& e) {
    EXPECT_EQ(e.engineCode() & 0xFF, 19);
    EXPECT_NE(e.description().find("Beziehung"), std::string::npos) << e.description();
  }

  CRecSetMainAttributes kinds(db_);
  kinds.Open();
  ASSERT_TRUE(kinds.FindFirst(Eq("ID", colour_)));
  EXPECT_THROW(kinds.Delete(), DbError) << "a kind used by a product stays";
}

TEST_F(RelationsTest, DeletingAnUnusedAttributeKindDeletesItsValues) {
  CRecSetMainAttributes kinds(db_);
  kinds.Open();
  kinds.AddNew();
  kinds->Name = "Größe";
  kinds.Update();
  int32_t size = kinds->ID;
  EnsureAttributeSentinels(db_);
  CRecSetSubAttributes values(db_);
  values.SetFilter(Eq("MainAttrID", size));
  values.Open();
  ASSERT_EQ(values.GetRecordCount(), 1) << "the kind got its blank value";
  ASSERT_TRUE(kinds.FindFirst(Eq("ID", size)));
  kinds.Delete();
  values.Requery();
  EXPECT_EQ(values.GetRecordCount(), 0);
}

TEST_F(RelationsTest, DeletingALineOrShippingMethodTakesItsDependants) {
  CRecSetShipping shipping(db_);
  shipping.Open();
  shipping.AddNew();
  shipping->Name = "Post";
  shipping.Update();
  CRecSetShipCharges charges(db_);
  charges.Open();
  charges.AddNew();
  charges->Break = 10;
  charges->Charge = 4.5f;
  charges->ShippingID = shipping->ID;
  charges.Update();
  shipping.Delete();
  EXPECT_EQ(TableRowCount(db_, "ShipCharges"), 0);

  CRecSetLines lines(db_);
  lines.Open();
  lines.Delete();
  EXPECT_EQ(TableRowCount(db_, "ProdLines"), 0);
  EXPECT_EQ(TableRowCount(db_, "Products"), 1);
}

TEST_F(RelationsTest, AReferenceMustNameAnExistingRow) {
  CRecSetItems items(db_);
  items.Open();
  items.AddNew();
  items->ProductID = 4711;
  items->ItemNumber = "X";
  items->SubAttrID1 = items->SubAttrID2 = red_;
  EXPECT_THROW(items.Update(), DbError);
  items.CancelUpdate();

  CRecSetProducts products(db_);
  products.Open();
  products.Edit();
  products->IndexID = 999;
  EXPECT_THROW(products.Update(), DbError);
  products.CancelUpdate();
  products.Edit();
  products->IndexID.reset();  // no index entry at all is allowed
  EXPECT_NO_THROW(products.Update());
}

}  // namespace
}  // namespace vendora
