#include "rules/catalogue_rules.h"

#include <gtest/gtest.h>

#include "shopdb/default_rows.h"
#include "support/test_support.h"

namespace vendora {
namespace {

class CatalogueRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateShopFile(dir_ / "Shop.mdb");
    db_.Open(dir_ / "Shop.mdb");
  }
  template <class Row>
  std::vector<Row> All(const Criteria& filter = {}) {
    return test::Rows<Row>(db_, filter);
  }
  test::TempDir dir_;
  ShopDatabase db_;
};

TEST_F(CatalogueRulesTest, NewRowsTakeThePageDefaultsAtTheEndOfTheirList) {
  CatalogueRules rules(db_);
  ASSERT_NE(rules.NoAttributeKind(), 0);
  ASSERT_NE(rules.NoIndexEntry(), 0);
  ASSERT_NE(rules.NoTaxType(), 0);

  // The first row of an empty list gets 0, every later one last + 1, also after a gap.
  CategoriesRow first = rules.NewCategory();
  EXPECT_EQ(first.Name, "Neue Kategorie");
  EXPECT_TRUE(first.Include);
  EXPECT_EQ(first.Order, 0);
  first.Order = 7;
  const int32_t category = rules.Add(first);
  EXPECT_EQ(rules.NewCategory().Order, 8);
  LinesRow line = rules.NewLine();
  EXPECT_EQ(line.Name, "Neue Produktlinie");
  EXPECT_TRUE(line.Include);

  ProductsRow product = rules.NewProduct(category);
  EXPECT_EQ(product.Name, "Neues Produkt");
  EXPECT_EQ(product.CategoryID, category);
  EXPECT_EQ(product.Order, 0);
  EXPECT_TRUE(product.Available);
  EXPECT_EQ(product.TaxID, rules.NoTaxType());
  EXPECT_EQ(product.IndexID, rules.NoIndexEntry());
  EXPECT_EQ(product.AttributeID1, rules.NoAttributeKind());
  EXPECT_EQ(product.AttributeID2, rules.NoAttributeKind());

  // A new kind brings its blank value; items start with the blank values of their kinds.
  const int32_t size = rules.AddAttributeKind("Größe");
  const auto blanks = All<SubAttributesRow>(Eq("MainAttrID", size));
  ASSERT_EQ(blanks.size(), 1u);
  EXPECT_EQ(blanks[0].Name, " ");
  product.AttributeID1 = size;
  product.ID = rules.Add(product);
  EXPECT_EQ(rules.NewProduct(category).Order, 1);
  ItemsRow item = rules.NewItem(product);
  EXPECT_EQ(item.ItemNumber, "Neuer Artikel");
  EXPECT_EQ(item.Order, 0);
  EXPECT_TRUE(item.Available);
  EXPECT_EQ(item.SubAttrID1, blanks[0].ID);
  EXPECT_EQ(item.SubAttrID2, rules.NoValueOf(rules.NoAttributeKind()));
  rules.Add(item);
  EXPECT_EQ(rules.NewItem(product).Order, 1);

  // A product joins a line once, at its end, under its own name.
  const int32_t lineId = rules.Add(line);
  const int32_t other = rules.Add(rules.NewProduct(category));
  EXPECT_TRUE(rules.AddToLine(lineId, product.ID, "Spaten"));
  EXPECT_FALSE(rules.AddToLine(lineId, product.ID, "Spaten"));
  EXPECT_TRUE(rules.AddToLine(lineId, other, "Neues Produkt"));
  auto members = All<ProdLinesRow>(Eq("LineID", lineId));
  ASSERT_EQ(members.size(), 2u);
  EXPECT_EQ(members[0].Name, "Spaten");
  EXPECT_EQ(members[0].Order, 0);
  EXPECT_EQ(members[1].Order, 1);
  EXPECT_TRUE(rules.RemoveFromLine(lineId, product.ID));
  EXPECT_FALSE(rules.RemoveFromLine(lineId, product.ID));
  EXPECT_EQ(All<ProdLinesRow>(Eq("LineID", lineId)).size(), 1u);
}

TEST_F(CatalogueRulesTest, ProductsTakeTheDefaultTaxTypeWhenTaxGoesByProductType) {
  EnsureOptionsRow(db_);
  const int32_t full = test::AddRow(db_, TaxesByTypeRow{.Type = "Voll", .Rate = 19});
  OptionsRow options = ReadSettingsRow<OptionsRow>(db_);
  options.TaxType = 2;
  options.DefTaxTypeID = full;
  test::StoreRow(db_, options);
  CatalogueRules rules(db_);
  EXPECT_EQ(rules.NewProduct(rules.Add(rules.NewCategory())).TaxID, full);
}

TEST_F(CatalogueRulesTest, AnotherAttributeKindResetsEveryItemToItsBlankValue) {
  CatalogueRules rules(db_);
  const int32_t size = rules.AddAttributeKind("Größe");
  const int32_t large = rules.AddAttributeValue(size, "Groß");
  const int32_t colour = rules.AddAttributeKind("Farbe");
  ProductsRow product = rules.NewProduct(rules.Add(rules.NewCategory()));
  product.AttributeID1 = size;
  product.ID = rules.Add(product);
  for (int i = 0; i < 2; ++i) {
    ItemsRow item = rules.NewItem(product);
    item.SubAttrID1 = large;
    rules.Add(item);
  }
  rules.SetAttributeKind(product.ID, 1, size);  // the same kind: nothing happens
  for (const auto& item : All<ItemsRow>()) EXPECT_EQ(item.SubAttrID1, large);

  rules.SetAttributeKind(product.ID, 1, colour);
  EXPECT_EQ(All<ProductsRow>(Eq("ID", product.ID))[0].AttributeID1, colour);
  const auto colourBlank = All<SubAttributesRow>(Eq("MainAttrID", colour) && Eq("Name", " "));
  ASSERT_EQ(colourBlank.size(), 1u);
  for (const auto& item : All<ItemsRow>()) EXPECT_EQ(item.SubAttrID1, colourBlank[0].ID);
}

}  // namespace
}  // namespace vendora
