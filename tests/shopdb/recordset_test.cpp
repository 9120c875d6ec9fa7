#include <gtest/gtest.h>

#include "shopdb/changed_flag.h"
#include "shopdb/db_error.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "support/test_support.h"

namespace vendora {
namespace {

using test::AddCategory;
using test::AddProduct;

class RecordSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateShopFile(dir_ / "shop.mdb");
    db_.Open(dir_ / "shop.mdb");
    EnsureDefaultRows(db_);
  }
  // The names of the set's rows from its current position on.
  template <class Set>
  static std::vector<std::string> Names(Set& set) {
    std::vector<std::string> names;
    for (; !set.IsEOF(); set.MoveNext()) names.push_back(set->Name);
    return names;
  }
  test::TempDir dir_;
  ShopDatabase db_;
};

TEST_F(RecordSetTest, WalksInDefaultOrderAndAcceptsAReplacedSort) {
  int32_t b = AddCategory(db_, "Bücher", 1), a = AddCategory(db_, "Äpfel", 0);
  AddProduct(db_, b, "Krimi", 1);
  AddProduct(db_, a, "Boskop", 0);
  AddProduct(db_, b, "Roman", 0);
  CRecSetCategories categories(db_);
  categories.Open();
  EXPECT_EQ(Names(categories), (std::vector<std::string>{"Äpfel", "Bücher"}));
  CRecSetProducts products(db_);
  products.SetSort("[CategoryID], [Order]");
  products.Open();
  EXPECT_EQ(Names(products), (std::vector<std::string>{"Roman", "Krimi", "Boskop"}));

  // Names sort in list order: the sentinel first, umlauts beside their letters.
  CRecSetIndex index(db_);
  index.OpenForAppend();
  for (const char* n : {"zange", "Äxte", "Bohrer", "axt"}) {
    index.AddNew();
    index->Name = n;
    index.Update();
  }
  index.Open();
  EXPECT_EQ(Names(index), (std::vector<std::string>{" ", "axt", "Äxte", "Bohrer", "zange"}));
  EXPECT_THROW(products.SetSort("Name; DROP TABLE Products"), DbError);
}

TEST_F(RecordSetTest, ReboundFilterWalksOneParentAfterAnother) {
  int32_t c1 = AddCategory(db_, "Eins"), c2 = AddCategory(db_, "Zwei");
  AddProduct(db_, c1, "a");
  AddProduct(db_, c2, "b", 0);
  AddProduct(db_, c2, "c", 1);
  CRecSetProducts products(db_);
  products.SetFilter(Eq("CategoryID", c1));
  products.Open();
  EXPECT_EQ(Names(products), std::vector<std::string>{"a"});
  products.SetFilter(Eq("CategoryID", c2) && Eq("Available", true));
  products.Requery();
  EXPECT_EQ(Names(products), (std::vector<std::string>{"b", "c"}));
  std::vector<std::string> streamed;
  products.ForEach([&](const ProductsRow& row) { streamed.push_back(row.Name); });
  EXPECT_EQ(streamed, (std::vector<std::string>{"b", "c"}));
}

TEST_F(RecordSetTest, FindFirstAddNewEditAndDelete) {
  AddCategory(db_, "A", 0);
  int32_t b = AddCategory(db_, "B", 1);
  AddCategory(db_, "C", 2);
  CRecSetCategories c(db_);
  c.Open();
  ASSERT_TRUE(c.FindFirst(Eq("ID", b)));
  EXPECT_FALSE(c.FindFirst(Eq("ID", 999)));
  EXPECT_EQ(c->Name, "B") << "a failed search keeps the position";
  ASSERT_TRUE(c.FindFirst(Eq("Name", "c"))) << "letter case does not count";

  c.Edit();
  EXPECT_EQ(c.GetEditMode(), EditMode::Edit);
  c->Description = "neu";
  c.Update();
  EXPECT_EQ(c.GetEditMode(), EditMode::None);
  CRecSetCategories fresh(db_);
  fresh.Open();
  ASSERT_TRUE(fresh.FindFirst(Eq("Name", "C")));
  EXPECT_EQ(fresh->Description, "neu");

  ASSERT_TRUE(c.FindFirst(Eq("ID", b)));
  c.Delete();
  EXPECT_THROW(c.Edit(), DbError) << "no current row after a delete";
  c.MoveNext();
  EXPECT_EQ(c->Name, "C") << "the next row follows the deleted one";
  c.AddNew();
  EXPECT_TRUE(c->Include) << "a new category starts included";
  c->Name = "D";
  c.Update();
  EXPECT_GT(c->ID, b);
  EXPECT_EQ(c->Name, "D") << "the set stands on the added row";
  EXPECT_EQ(c.GetRecordCount(), 3);

  // A set opened for appending keeps only the last row it added.
  CRecSetCategories append(db_);
  append.OpenForAppend();
  append.AddNew();
  append->Name = "E";
  append.Update();
  EXPECT_EQ(append.GetRecordCount(), 1);
  fresh.Requery();
  EXPECT_EQ(fresh.GetRecordCount(), 4);
}

TEST_F(RecordSetTest, TextsWithQuotesAreMatchedLiterally) {
  AddCategory(db_, "O'Brien's");
  AddCategory(db_, "x' OR '1'='1");
  CRecSetCategories c(db_);
  for (const char* name : {"O'Brien's", "x' OR '1'='1"}) {
    c.SetFilter(Eq("Name", name));
    c.Requery();
    EXPECT_EQ(Names(c), std::vector<std::string>{name});
  }
  c.SetFilter(Eq("Name", "' OR 1=1 --"));
  c.Requery();
  EXPECT_TRUE(c.IsEOF());
  c.SetFilter(Eq("Name\" OR 1=1 --", "x"));
  EXPECT_THROW(c.Requery(), DbError) << "field names are checked against the table";
}

TEST_F(RecordSetTest, RefusesTooLongOrMissingTextsWithoutWritingAnything) {
  CRecSetCategories c(db_);
  c.Open();
  c.AddNew();
  c->Name = std::string(65, 'x');
  try {
    c.Update();
    FAIL() << "a 65-character name was accepted";
  } catch (const DbError& e) {
    EXPECT_EQ(e.description(),
              "Der Text für das Feld \"Name\" der Tabelle \"Categories\" ist zu lang: erlaubt sind höchstens 64 "
              "Zeichen, angegeben wurden 65.");
  }
  EXPECT_EQ(c.GetEditMode(), EditMode::AddNew) << "the edit stays pending";
  c->Name = std::string(63, 'a') + "ü";  // 64 characters: an umlaut counts once
  EXPECT_NO_THROW(c.Update());
  c.AddNew();
  c->Name = "";
  EXPECT_THROW(c.Update(), DbError) << "a required name may not be empty";
  c.CancelUpdate();
  // An optional text that may not be zero-length is stored as null and read back empty.
  c.Edit();
  c->Description = "";
  EXPECT_NO_THROW(c.Update());
  c.Requery();
  EXPECT_EQ(c.GetRecordCount(), 1);
}

// A lenient decoder would read C0 8A as a line feed and C1 BC as "|"; such text is
// refused before it is stored, in every text field, whatever else the row holds.
TEST_F(RecordSetTest, RefusesTextThatIsNotValidUtf8) {
  const int32_t category = AddCategory(db_, "Obst");
  const int32_t product = AddProduct(db_, category, "Apfel");
  auto expectRefused = [](auto& set, const std::string& text) {
    try {
      set.Update();
      ADD_FAILURE() << "stored " << text;
    } catch (const DbError& e) {
      EXPECT_EQ(e.framework(), DbFrameworkError::FieldBinding);
      EXPECT_EQ(e.description(), text);
    }
  };
  for (const std::string bad : {"x\xC0\x8Ay", "x\xC1\xBCy", "\xED\xA0\x80", "\xFF"}) {
    CRecSetCategories categories(db_);
    categories.Open();
    categories.Edit();
    categories->Description = bad;
    expectRefused(categories,
                  "Der Text für das Feld \"Description\" der Tabelle \"Categories\" ist kein gültiger UTF-8-Text.");
    CRecSetProducts products(db_);
    products.Open();
    products.Edit();
    products->Name = "Apfel " + bad;
    expectRefused(products, "Der Text für das Feld \"Name\" der Tabelle \"Products\" ist kein gültiger UTF-8-Text.");
    CRecSetItems items(db_);
    items.OpenForAppend();
    items.AddNew();
    items->ProductID = product;
    items->ItemNumber = bad;
    expectRefused(items, "Der Text für das Feld \"ItemNumber\" der Tabelle \"Items\" ist kein gültiger UTF-8-Text.");
  }
  CRecSetCategories categories(db_);
  categories.Open();
  EXPECT_EQ(categories->Description, "");
  categories.Edit();
  categories->Description = "Äpfel, Birnen – 2 €";
  EXPECT_NO_THROW(categories.Update());
}

TEST_F(RecordSetTest, ChangedFlagFollowsTheBaseOfTheSet) {
  int32_t cat = AddCategory(db_, "A");
  SetDatabaseChanged(false);
  CRecSetFtpServer ftp(db_);
  ftp.Open();
  ftp.AddNew();
  ftp->HostName = "ftp.example.org";
  ftp.Update();
  EXPECT_FALSE(IsDatabaseChanged()) << "FTP settings are not part of the shop";

  int32_t product = AddProduct(db_, cat, "P");
  EXPECT_TRUE(IsDatabaseChanged()) << "adding a product changes the shop";
  SetDatabaseChanged(false);
  CRecSetProducts p(db_);
  p.Open();
  ASSERT_TRUE(p.FindFirst(Eq("ID", product)));
  p.Edit();
  p->ShortDesc = "kurz";
  p.Update();
  EXPECT_TRUE(IsDatabaseChanged());
  SetDatabaseChanged(false);
  p.Delete();
  EXPECT_TRUE(IsDatabaseChanged());

  // Removing all products of a line at once changes the shop as well.
  CRecSetLines lines(db_);
  lines.Open();
  lines.AddNew();
  lines->Name = "Sommer";
  lines.Update();
  CRecSetProdLines members(db_);
  members.Open();
  members.AddNew();
  members->Name = "m";
  members->LineID = lines->ID;
  members->ProductID = AddProduct(db_, cat, "Q");
  members.Update();
  SetDatabaseChanged(false);
  EXPECT_EQ(DeleteProdLinesOfLine(db_, lines->ID), 1);
  EXPECT_TRUE(IsDatabaseChanged());
  lines.Requery();
  EXPECT_EQ(lines.GetRecordCount(), 1) << "the line itself stays";
}

TEST_F(RecordSetTest, ClosedDatabaseAndAbandonedTransactions) {
  {
    TransactionScope tx(db_);
    AddCategory(db_, "weg");
    TransactionScope inner(db_);
    AddCategory(db_, "auch weg");
    inner.Commit();
  }  // left without Commit: everything rolls back
  CRecSetCategories c(db_);
  c.Open();
  EXPECT_TRUE(c.IsEOF());
  db_.Close();
  try {
    c.AddNew();
    FAIL();
  } catch (const DbError& e) {
    EXPECT_EQ(e.framework(), DbFrameworkError::ObjectNotOpen);
  }
}

}  // namespace
}  // namespace vendora
