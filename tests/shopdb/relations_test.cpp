#include <gtest/gtest.h>

#include "shopdb/db_error.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "shopdb/schema_builder.h"
#include "support/test_support.h"

namespace vendora {
namespace {

// A small catalogue: attribute kind 10 with value 20, tax type 30, category 40 with
// product 50, its items 60 and 61, line 70 with the product as member, shipping
// method 80 with a charge break.
class RelationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateShopFile(dir_ / "shop.mdb");
    db_.Open(dir_ / "shop.mdb");
    db_.Execute(
        R"(INSERT INTO "MainAttributes" VALUES (10, 'Farbe');
           INSERT INTO "SubAttributes" VALUES (20, 'rot', 10);
           INSERT INTO "TaxesByType" VALUES (30, 'voll', 19);
           INSERT INTO "Categories" VALUES (40, 1, 'Hemden', 0, NULL);
           INSERT INTO "Products" ("ID", "Name", "TaxID", "CategoryID", "AttributeID1", "AttributeID2", "Available")
             VALUES (50, 'Polo', 30, 40, 10, 10, 1);
           INSERT INTO "Items" ("ID", "ProductID", "Order", "ItemNumber", "SubAttrID1", "SubAttrID2", "Available")
             VALUES (60, 50, 0, 'P-1', 20, 20, 1), (61, 50, 1, 'P-2', 20, 20, 1);
           INSERT INTO "Lines" VALUES (70, 'Sommer', 0, 1, NULL);
           INSERT INTO "ProdLines" VALUES (71, 'Polo', 70, 50, 0);
           INSERT INTO "Shipping" VALUES (80, 'Post', 0);
           INSERT INTO "ShipCharges" VALUES (81, 10, 4.5, 80);)");
  }
  template <class Set>
  void DeleteRow(Set& set, int32_t id) {
    set.Open();
    ASSERT_TRUE(set.FindFirst(Eq("ID", id)));
    set.Delete();
  }
  test::TempDir dir_;
  ShopDatabase db_;
};

TEST_F(RelationsTest, DeletingAParentDeletesWhatBelongsToIt) {
  CRecSetLines lines(db_);
  DeleteRow(lines, 70);
  EXPECT_EQ(TableRowCount(db_, "ProdLines"), 0);
  EXPECT_EQ(TableRowCount(db_, "Products"), 1);
  CRecSetShipping shipping(db_);
  DeleteRow(shipping, 80);
  EXPECT_EQ(TableRowCount(db_, "ShipCharges"), 0);

  EXPECT_THROW(db_.Execute(R"(INSERT INTO "ProdLines" VALUES (72, 'Polo', 70, 50, 0))"), DbError) << "line 70 is gone";
  CRecSetCategories categories(db_);
  DeleteRow(categories, 40);
  EXPECT_EQ(TableRowCount(db_, "Products"), 0);
  EXPECT_EQ(TableRowCount(db_, "Items"), 0);
  EXPECT_EQ(TableRowCount(db_, "ProdLines"), 0);
}

TEST_F(RelationsTest, ReferencedRowsCannotBeDeleted) {
  CRecSetTaxesByType taxes(db_);
  EXPECT_THROW(DeleteRow(taxes, 30), DbError);
  EXPECT_EQ(taxes.GetRecordCount(), 1) << "the refused row stays in the set";
  CRecSetSubAttributes values(db_);
  try {
    DeleteRow(values, 20);
    FAIL();
  } catch (const DbError& e) {
    EXPECT_EQ(e.engineCode() & 0xFF, 19);
    EXPECT_NE(e.description().find("Beziehung"), std::string::npos) << e.description();
  }
  CRecSetMainAttributes kinds(db_);
  EXPECT_THROW(DeleteRow(kinds, 10), DbError) << "a kind used by a product stays";

  // An unused kind goes, and takes its values with it.
  db_.Execute(R"(INSERT INTO "MainAttributes" VALUES (11, 'Größe'); INSERT INTO "SubAttributes" VALUES (21, 'XL', 11))");
  DeleteRow(kinds, 11);
  EXPECT_EQ(TableRowCount(db_, "SubAttributes"), 1);
}

TEST_F(RelationsTest, AReferenceMustNameAnExistingRow) {
  EXPECT_THROW(db_.Execute(R"(INSERT INTO "ProdLines" VALUES (72, 'x', 99, 50, 0))"), DbError);
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
