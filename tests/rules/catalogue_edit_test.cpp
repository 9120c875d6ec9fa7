#include "rules/catalogue_edit.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "rules/catalogue_cells.h"
#include "shopdb/db_error.h"
#include "shopdb/recordsets.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

const fs::path kGif = fs::path(VENDORA_FIXTURES) / "gif" / "three_by_five.gif";
const fs::path kPng = fs::path(VENDORA_FIXTURES) / "png" / "grey.png";

class CatalogueEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateShopFile(dir_ / "Shop.mdb");
    db_.Open(dir_ / "Shop.mdb");
    paths_ = DeriveShopPaths(dir_ / "Shop.mdb");
    ASSERT_TRUE(CreateShopFolders(paths_));
    edit_ = std::make_unique<CatalogueEditor>(db_, paths_, prompter_);
  }
  template <class Row>
  std::vector<Row> All(const Criteria& filter = {}) {
    return test::Rows<Row>(db_, filter);
  }
  std::vector<int32_t> Orders(int32_t category) {
    std::vector<int32_t> orders;
    for (const auto& p : All<ProductsRow>(Eq("CategoryID", category))) orders.push_back(p.Order);
    return orders;
  }
  fs::path Folder(ShopSubfolder which) const { return paths_.Subfolder(which); }

  test::TempDir dir_;
  ShopDatabase db_;
  ShopPaths paths_;
  test::ScriptedPrompter prompter_;
  std::unique_ptr<CatalogueEditor> edit_;
};

TEST_F(CatalogueEditTest, DeletingCategoryTakesProductsItemsMembershipsAndPictures) {
  const int32_t shirts = test::AddCategory(db_, "Hemden");
  const int32_t shoes = test::AddCategory(db_, "Schuhe", 1);
  const int32_t summer = edit_->AddLine();
  std::vector<int32_t> products;
  for (int i = 0; i < 3; ++i) {
    products.push_back(test::AddProduct(db_, shirts, "Hemd " + std::to_string(i), i));
    edit_->AddItem(products.back());
    edit_->AddItem(products.back());
  }
  const int32_t boot = test::AddProduct(db_, shoes, "Stiefel");
  edit_->AddItem(boot);
  EXPECT_EQ(edit_->AddToLine(summer, {products[0], products[1], products[2], boot}), 4);
  fs::copy_file(kGif, Folder(ShopSubfolder::Cats) / ("b" + std::to_string(shirts) + ".gif"));
  fs::copy_file(kGif, Folder(ShopSubfolder::Prods) / (std::to_string(products[0]) + ".gif"));
  fs::copy_file(kGif, Folder(ShopSubfolder::Thumbs) / (std::to_string(products[0]) + ".jpg"));

  prompter_.Queue(Answer::No);
  EXPECT_EQ(edit_->DeleteCategory(shirts), 0);
  EXPECT_EQ(All<ItemsRow>().size(), 7u);
  prompter_.Queue(Answer::Yes);
  EXPECT_EQ(edit_->DeleteCategory(shirts), 1);

  ASSERT_EQ(prompter_.asked().size(), 2u);
  EXPECT_EQ(prompter_.asked()[0].text,
            "Wollen Sie diese Kategorie wirklich löschen?\n\nWarnung:\nAlle Produkte, Artikel und Produktlinien dieser "
            "Kategorie werden gleichzeitig ebenfalls gelöscht!\nDiese Aktion kann nicht rückgängig gemacht werden!");
  EXPECT_EQ(prompter_.asked()[0].icon, MessageIcon::Question);
  ASSERT_EQ(All<ProductsRow>().size(), 1u);
  EXPECT_EQ(All<ProductsRow>()[0].ID, boot);
  ASSERT_EQ(All<ItemsRow>().size(), 1u);
  ASSERT_EQ(All<ProdLinesRow>().size(), 1u);
  EXPECT_EQ(All<ProdLinesRow>()[0].ProductID, boot);
  EXPECT_TRUE(fs::is_empty(Folder(ShopSubfolder::Cats)));
  EXPECT_TRUE(fs::is_empty(Folder(ShopSubfolder::Prods)));
  EXPECT_TRUE(fs::is_empty(Folder(ShopSubfolder::Thumbs)));
  EXPECT_TRUE(edit_->IsChanged(CatalogueTab::Categories));
}

// Rows still used elsewhere stay and the merchant is told; unused ones go.
TEST_F(CatalogueEditTest, RowsInUseAreKeptWithTheirNote) {
  const int32_t category = test::AddCategory(db_, "Hemden");
  const int32_t product = test::AddProduct(db_, category, "Polo");
  const int32_t size = edit_->AddAttributeKind();
  const int32_t unused = edit_->AddAttributeKind();
  const int32_t large = *edit_->AddAttributeValue(size);
  const int32_t small = *edit_->AddAttributeValue(size);
  ASSERT_TRUE(edit_->ChangeAttributeKind(product, AttributeSlot::First, size));
  ItemsRow item = All<ItemsRow>(Eq("ID", *edit_->AddItem(product)))[0];
  item.SubAttrID1 = large;
  ASSERT_TRUE(edit_->SaveItem(item).ok());
  const int32_t usedEntry = edit_->AddIndexEntry();
  const int32_t freeEntry = edit_->AddIndexEntry();
  ProductsRow row = All<ProductsRow>(Eq("ID", product))[0];
  row.IndexID = usedEntry;
  ASSERT_TRUE(edit_->SaveProduct(row).ok());

  struct Case {
    std::function<int()> remove;
    std::string question, note;
  };
  const Case cases[] = {
      {[&] { return edit_->DeleteAttributeKinds({size, unused}); },
       "Wollen Sie die selektierten Haupteigenschaften wirklich löschen??\n",
       "Vendora konnte die selektierten Haupteigenschaften nicht vollständig löschen!\nStellen Sie bitte sicher, daß "
       "alle Produkte und Artikel zuerst gelöscht werden, die diese Eigenschaften verwenden.\n"},
      {[&] { return edit_->DeleteAttributeValues({large, small}); },
       "Wollen Sie die selektierten Nebeneigenschaften wirklich löschen?\n",
       "Vendora konnte die selektierten Nebeneigenschaften nicht vollständig löschen!\nStellen Sie bitte sicher, daß "
       "alle Artikel zuerst gelöscht werden, die diese Eigenschaften verwenden.\n"},
      {[&] { return edit_->DeleteIndexEntries({usedEntry, freeEntry}); },
       "Wollen Sie die selektierten Indexeinträge wirklich löschen??\n",
       "Vendora konnte die selektierten Indexeinträge nicht vollständig löschen!\nStellen Sie bitte sicher, daß alle "
       "Produkte zuerst gelöscht werden, die diese Indexeinträge verwenden.\n"},
  };
  for (const Case& c : cases) {
    prompter_.Clear();
    prompter_.Queue(Answer::Yes);
    EXPECT_EQ(c.remove(), 1) << c.question;
    ASSERT_EQ(prompter_.asked().size(), 2u) << c.question;
    EXPECT_EQ(prompter_.asked()[0].text, c.question);
    EXPECT_EQ(prompter_.asked()[1].text, c.note);
    EXPECT_EQ(prompter_.asked()[1].icon, MessageIcon::Information);
  }
  EXPECT_EQ(All<MainAttributesRow>(Eq("ID", size)).size(), 1u);
  EXPECT_TRUE(All<MainAttributesRow>(Eq("ID", unused)).empty());
  EXPECT_TRUE(All<SubAttributesRow>(Eq("MainAttrID", unused)).empty()) << "the kind's blank value goes with it";
  EXPECT_EQ(All<SubAttributesRow>(Eq("ID", large)).size(), 1u);
  EXPECT_TRUE(All<SubAttributesRow>(Eq("ID", small)).empty());
  EXPECT_EQ(All<IndexRow>(Eq("ID", usedEntry)).size(), 1u);
  EXPECT_TRUE(All<IndexRow>(Eq("ID", freeEntry)).empty());

  // "[Nicht indizieren]" is never deleted, even when nothing uses it.
  prompter_.Clear();
  prompter_.Queue(Answer::Yes);
  EXPECT_EQ(edit_->DeleteIndexEntries({edit_->NoIndexEntry()}), 0);
  EXPECT_EQ(All<IndexRow>(Eq("ID", edit_->NoIndexEntry())).size(), 1u);
}

TEST_F(CatalogueEditTest, MovingRenumbersTheListAndWritesOnlyChangedRows) {
  struct Case {
    std::vector<int32_t> before;
    int written;
  };
  // Already numbered: only the two swapped rows change. Gaps and a tie: all five do.
  for (const Case& c : {Case{{0, 1, 2, 3, 4}, 2}, Case{{5, 5, 9, 12, 40}, 5}}) {
    const int32_t category = test::AddCategory(db_, "Kategorie");
    std::vector<int32_t> ids;
    for (int32_t order : c.before) ids.push_back(test::AddProduct(db_, category, "P", order));
    EXPECT_EQ(edit_->MoveProduct(ids[1], MoveDirection::Up), c.written);
    const auto rows = All<ProductsRow>(Eq("CategoryID", category));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].ID, ids[1]);
    EXPECT_EQ(rows[1].ID, ids[0]);
    EXPECT_EQ(Orders(category), (std::vector<int32_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(edit_->MoveProduct(ids[1], MoveDirection::Up), 0) << "up on the first row";
    EXPECT_EQ(edit_->MoveProduct(ids[4], MoveDirection::Down), 0) << "down on the last row";
  }
}

TEST_F(CatalogueEditTest, LineAssignmentAddsOnceInOrderAndClearingKeepsTheProducts) {
  const int32_t category = test::AddCategory(db_, "Hemden");
  const int32_t polo = test::AddProduct(db_, category, "Polo", 0);
  const int32_t tee = test::AddProduct(db_, category, "T-Shirt", 1);
  const int32_t vest = test::AddProduct(db_, category, "Weste", 2);
  const int32_t cap = test::AddProduct(db_, category, "Mütze", 3);
  const int32_t line = edit_->AddLine();
  EXPECT_EQ(edit_->AddToLine(std::nullopt, {polo}), 0);
  EXPECT_EQ(edit_->AddToLine(line, {polo}), 1);
  EXPECT_EQ(edit_->AddToLine(line, {polo, tee}), 1) << "Polo is in the line already";
  EXPECT_EQ(edit_->AddToLine(line, {cap, vest}), 2);
  const auto members = All<ProdLinesRow>(Eq("LineID", line));
  ASSERT_EQ(members.size(), 4u);
  EXPECT_EQ(members[0].Name, "Polo");
  EXPECT_EQ(members[1].Name, "T-Shirt");
  // Added together, numbered one after another in the order given.
  EXPECT_EQ(members[2].Name, "Mütze");
  EXPECT_EQ(members[2].Order, 2);
  EXPECT_EQ(members[3].Name, "Weste");
  EXPECT_EQ(members[3].Order, 3);

  prompter_.Queue(Answer::Yes);
  EXPECT_EQ(edit_->RemoveFromLine({members[1].ID}), 1);
  prompter_.Queue(Answer::Yes);
  EXPECT_EQ(edit_->ClearLine(line), 3);
  EXPECT_EQ(prompter_.Texts(),
            (std::vector<std::string>{
                "Möchten Sie das selektierte Produkt von dieser Produktlinie wirklich löschen?\n",
                "Sollen wirklich alle zugewiesenen Produkte von dieser Produktlinie entfernt werden?"}));
  EXPECT_TRUE(All<ProdLinesRow>().empty());
  EXPECT_EQ(All<LinesRow>().size(), 1u);
  EXPECT_EQ(All<ProductsRow>().size(), 4u);
}

TEST_F(CatalogueEditTest, AFailedStepLeavesTheDatabaseAsItWas) {
  const int32_t category = test::AddCategory(db_, "Hemden");
  const int32_t polo = test::AddProduct(db_, category, "Polo");
  const int32_t tee = test::AddProduct(db_, category, "T-Shirt", 1);
  const int32_t line = edit_->AddLine();
  db_.Execute("CREATE TRIGGER refuse BEFORE INSERT ON \"ProdLines\" WHEN NEW.\"ProductID\" = " + std::to_string(tee) +
              " BEGIN SELECT RAISE(ABORT, 'refused'); END");
  EXPECT_THROW(edit_->AddToLine(line, {polo, tee}), DbError);
  EXPECT_TRUE(All<ProdLinesRow>().empty()) << "Polo joined before the refusal, and left again";
}

TEST_F(CatalogueEditTest, CopyingTheLastItemAppendsAnIdenticalItem) {
  const int32_t product = test::AddProduct(db_, test::AddCategory(db_, "Hemden"), "Polo");
  edit_->AddItem(product);
  ItemsRow last = All<ItemsRow>(Eq("ID", *edit_->AddItem(product)))[0];
  last.ItemNumber = "P-200";
  last.MPrice = 12.5f;
  last.Weight = 0.25f;
  last.Available = false;
  ASSERT_TRUE(edit_->SaveItem(last).ok());
  const int32_t copy = *edit_->CopyItem(last.ID);
  const auto items = All<ItemsRow>(Eq("ProductID", product));
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[2].ID, copy);
  EXPECT_EQ(items[2].Order, 2);
  EXPECT_EQ(items[2].ItemNumber, "P-200");
  EXPECT_EQ(items[2].MPrice, 12.5f);
  EXPECT_EQ(items[2].Weight, 0.25f);
  EXPECT_FALSE(items[2].Available);
  EXPECT_EQ(items[2].SubAttrID1, last.SubAttrID1);
}

TEST_F(CatalogueEditTest, AnotherAttributeKindAsksOnlyWhenTheProductHadOne) {
  const int32_t product = test::AddProduct(db_, test::AddCategory(db_, "Hemden"), "Polo");
  const int32_t size = edit_->AddAttributeKind();
  const int32_t colour = edit_->AddAttributeKind();
  edit_->AddItem(product);
  edit_->AddItem(product);
  EXPECT_TRUE(edit_->ChangeAttributeKind(product, AttributeSlot::First, size));
  EXPECT_TRUE(prompter_.asked().empty());
  const int32_t sizeBlank = All<SubAttributesRow>(Eq("MainAttrID", size))[0].ID;
  for (const auto& item : All<ItemsRow>()) EXPECT_EQ(item.SubAttrID1, sizeBlank);

  prompter_.Queue(Answer::No);
  EXPECT_FALSE(edit_->ChangeAttributeKind(product, AttributeSlot::First, colour));
  EXPECT_EQ(All<ProductsRow>()[0].AttributeID1, size);
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].text,
            "Wollen Sie die Eigenschaften für das selektierte Produkt wirklich ändern?\n\nWarnung: Alle "
            "Produktartikel verlieren ihre derzeitige Haupteigenschaft!\n");
  EXPECT_EQ(prompter_.asked()[0].defaultAnswer, Answer::No);
  prompter_.Queue(Answer::Yes);
  EXPECT_TRUE(edit_->ChangeAttributeKind(product, AttributeSlot::First, colour));
  const int32_t colourBlank = All<SubAttributesRow>(Eq("MainAttrID", colour))[0].ID;
  for (const auto& item : All<ItemsRow>()) EXPECT_EQ(item.SubAttrID1, colourBlank);
}

TEST_F(CatalogueEditTest, NewRowsGoToTheEndOfTheirList) {
  prompter_.Clear();
  const Result<int32_t> none = edit_->AddProduct(std::nullopt);
  ASSERT_FALSE(none.ok());
  EXPECT_EQ(none.message(), "Zur Zeit ist keine Kategorie selektiert!");
  const int32_t category = test::AddCategory(db_, "Hemden", 4);
  test::AddProduct(db_, category, "Polo", 3);
  test::AddProduct(db_, category, "Weste", 7);
  EXPECT_EQ(All<CategoriesRow>(Eq("ID", edit_->AddCategory()))[0].Order, 5);
  const ProductsRow added = All<ProductsRow>(Eq("ID", *edit_->AddProduct(category)))[0];
  EXPECT_EQ(added.Order, 8);
  EXPECT_EQ(added.Name, "Neues Produkt");
  EXPECT_EQ(All<ItemsRow>(Eq("ID", *edit_->AddItem(added.ID)))[0].Order, 0);
  EXPECT_FALSE(edit_->AddAttributeValue(std::nullopt).has_value());
  EXPECT_TRUE(edit_->IsChanged(CatalogueTab::Products));
}

TEST_F(CatalogueEditTest, BadInputIsRefusedWithNothingWritten) {
  const int32_t product = test::AddProduct(db_, test::AddCategory(db_, "Hemden"), "Polo");
  ProductsRow row = All<ProductsRow>()[0];
  row.ShortDesc = "neu";
  row.Name = std::string(65, 'x');
  Status refused = edit_->SaveProduct(row);
  EXPECT_EQ(refused.message(), "Die Angabe im Feld \"Name\" ist zu lang: erlaubt sind höchstens 64 Zeichen.");
  row.Name = " ";
  EXPECT_EQ(edit_->SaveProduct(row).message(), "Das Feld \"Name\" darf nicht leer sein.");
  EXPECT_FALSE(edit_->RenameAttributeKind(edit_->AddAttributeKind(), " ").ok()) << "a second \"none\"";
  EXPECT_EQ(All<ProductsRow>(Eq("ID", product))[0].Name, "Polo");
  EXPECT_EQ(All<ProductsRow>(Eq("ID", product))[0].ShortDesc, "");

  const std::string notANumber = "Es können nur Zahlen eingegeben werden.\n";
  const std::string outOfRange = "Der eingegebene Wert liegt nicht innerhalb des gültigen Bereichs.\n";
  EXPECT_EQ(*ParseAmount(" 12,50 "), 12.5f);
  EXPECT_EQ(ParseAmount("12,5x").message(), notANumber);
  EXPECT_EQ(ParseAmount("1e39").message(), outOfRange);
  EXPECT_EQ(*ParseWholeNumber("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ParseWholeNumber("2147483648").message(), outOfRange);
}

TEST_F(CatalogueEditTest, PicturesWaitForTheTabToBeSaved) {
  const int32_t product = test::AddProduct(db_, test::AddCategory(db_, "Hemden"), "Polo");
  const std::string id = std::to_string(product);
  const fs::path prods = Folder(ShopSubfolder::Prods), thumbs = Folder(ShopSubfolder::Thumbs);
  fs::copy_file(kGif, prods / (id + ".gif"));
  fs::copy_file(kGif, thumbs / (id + ".jpg"));

  // Not a picture: refused, the row keeps what it had.
  test::WriteFileBytes(dir_ / "note.png", "kein Bild");
  EXPECT_EQ(edit_->ChoosePicture(PictureSlot::Product, product, dir_ / "note.png").message(),
            "Die Datei\n" + (dir_ / "note.png").string() +
                "\nist kein lesbares Bild (BMP, GIF, JPEG oder PNG) und wird nicht übernommen.");
  EXPECT_EQ(edit_->Pictures().Shown(PictureSlot::Product, product), prods / (id + ".gif"));

  // Chosen, then the page is left without saving: the shop's files stay as they were.
  ASSERT_TRUE(edit_->ChoosePicture(PictureSlot::Product, product, kPng).ok());
  EXPECT_EQ(edit_->Pictures().Shown(PictureSlot::Product, product), kPng);
  prompter_.Queue(Answer::No);
  EXPECT_TRUE(*edit_->ConfirmLeave(nullptr));
  EXPECT_EQ(prompter_.Texts().back(), "Möchten Sie die Änderungen im Dialog Katalog speichern?\n");
  EXPECT_TRUE(fs::exists(prods / (id + ".gif")));
  EXPECT_FALSE(fs::exists(prods / (id + ".png")));
  EXPECT_TRUE(fs::exists(thumbs / (id + ".jpg")));
  EXPECT_FALSE(edit_->AnyChanged());

  // A copy that fails (the chosen file went away) keeps the old picture.
  test::WriteFileBytes(dir_ / "gone.gif", test::ReadFileBytes(kGif));
  ASSERT_TRUE(edit_->ChoosePicture(PictureSlot::Product, product, dir_ / "gone.gif").ok());
  fs::remove(dir_ / "gone.gif");
  prompter_.Queue(Answer::Yes);
  const Result<bool> failed = edit_->ConfirmLeave(nullptr);
  EXPECT_EQ(failed.message(), "Beim Kopieren der Datei trat ein Fehler auf.\n" + (dir_ / "gone.gif").string() + "\n");
  EXPECT_TRUE(fs::exists(prods / (id + ".gif")));
  EXPECT_TRUE(edit_->IsChanged(CatalogueTab::Products)) << "the page stays";

  // Saved: the new picture replaces the old one and takes the thumbnail with it.
  ASSERT_TRUE(edit_->ChoosePicture(PictureSlot::Product, product, kPng).ok());
  EXPECT_TRUE(edit_->SaveTab(CatalogueTab::Products).ok());
  EXPECT_FALSE(fs::exists(prods / (id + ".gif")));
  EXPECT_TRUE(fs::exists(prods / (id + ".png")));
  EXPECT_FALSE(fs::exists(thumbs / (id + ".jpg")));
  EXPECT_FALSE(edit_->IsChanged(CatalogueTab::Products));

  // Removed and saved: no picture of the row remains.
  edit_->RemovePicture(PictureSlot::CategoryButton, 1);
  fs::copy_file(kGif, Folder(ShopSubfolder::Cats) / "b1.gif");
  prompter_.Queue(Answer::Cancel);
  EXPECT_FALSE(*edit_->ConfirmLeave(nullptr));
  EXPECT_TRUE(fs::exists(Folder(ShopSubfolder::Cats) / "b1.gif"));
  EXPECT_TRUE(edit_->SaveTab(CatalogueTab::Categories).ok());
  EXPECT_FALSE(fs::exists(Folder(ShopSubfolder::Cats) / "b1.gif"));
}

TEST_F(CatalogueEditTest, ItemCellsShowAndTakeWhatTheMerchantTypes) {
  test::GermanLocale german;
  const int32_t product = test::AddProduct(db_, test::AddCategory(db_, "Hemden"), "Polo");
  const int32_t size = edit_->AddAttributeKind();
  ASSERT_TRUE(edit_->RenameAttributeValue(*edit_->AddAttributeValue(size), "XL").ok());
  ASSERT_TRUE(edit_->ChangeAttributeKind(product, AttributeSlot::First, size));
  ItemsRow item = All<ItemsRow>(Eq("ID", *edit_->AddItem(product)))[0];

  struct Case {
    ItemColumn column;
    std::string typed, shown, refusal;
  };
  const Case cases[] = {
      {ItemColumn::MPrice, "12,5", "12.50", ""},
      {ItemColumn::Weight, " 0.25 ", "0.25", ""},
      {ItemColumn::Value1, "xl", "XL", ""},
      {ItemColumn::Value1, "", " ", ""},
      {ItemColumn::Available, "false", "false", ""},
      {ItemColumn::SPrice, "zwölf", "0.00", "Es können nur Zahlen eingegeben werden.\n"},
      {ItemColumn::Value1, "Rot", " ", "\"Rot\" ist keine Eigenschaft, die dieses Produkt anbietet."},
      {ItemColumn::Value2, "XL", " ", "\"XL\" ist keine Eigenschaft, die dieses Produkt anbietet."},
  };
  for (const Case& c : cases) {
    const Status taken = TakeItemCell(db_, item, c.column, c.typed);
    EXPECT_EQ(taken.message(), c.refusal) << c.typed;
    EXPECT_EQ(ItemCellText(db_, item, c.column), c.shown) << c.typed;
  }
  ASSERT_TRUE(edit_->SaveItem(item).ok());
  EXPECT_EQ(All<ItemsRow>(Eq("ID", item.ID))[0].MPrice, 12.5f);
}

}  // namespace
}  // namespace vendora
