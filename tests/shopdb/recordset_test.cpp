#include <gtest/gtest.h>

#include "shopdb/changed_flag.h"
#include "shopdb/db_error.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "support/test_support.h"

namespace vendora {
namespace {

class RecordSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateShopFile(dir_ / "shop.mdb");
    db_.Open(dir_ / "shop.mdb");
    EnsureDefaultRows(db_);
  }

  int32_t AddCategory(const std::string& name, int32_t order, bool include = true) {
    CRecSetCategories c(db_);
    c.Open();
    c.AddNew();
    c->Name = name;
    c->Order = order;
    c->Include = include;
    c.Update();
    return c->ID;
  }

  int32_t AddProduct(int32_t category, const std::string& name, int32_t order) {
    CRecSetMainAttributes kinds(db_);
    kinds.Open();
    EXPECT_TRUE(kinds.FindFirst(Eq("Name", " ")));
    CRecSetProducts p(db_);
    p.Open();
    p.AddNew();
    p->Name = name;
    p->CategoryID = category;
    p->Order = order;
    p->TaxID = EnsureTaxSentinel(db_);
    p->AttributeID1 = p->AttributeID2 = kinds->ID;
    p->Available = true;
    p.Update();
    return p->ID;
  }

  test::TempDir dir_;
  ShopDatabase db_;
};

TEST_F(RecordSetTest, WalksInDefaultOrderAndAcceptsAReplacedSort) {
  int32_t b = AddCategory("Bücher", 1);
  int32_t a = AddCategory("Äpfel", 0);
  AddProduct(b, "Krimi", 1);
  AddProduct(a, "Boskop", 0);
  AddProduct(b, "Roman", 0);

  CRecSetCategories categories(db_);
  categories.Open();
  EXPECT_EQ(categories->Name, "Äpfel");  // "[Order]"
  categories.MoveNext();
  EXPECT_EQ(categories->Name, "Bücher");
  categories.MoveNext();
  EXPECT_TRUE(categories.IsEOF());

  CRecSetProducts products(db_);
  products.SetSort("[CategoryID], [Order]");
  products.Open();
  std::vector<std::string> names;
  for (; !products.IsEOF(); products.MoveNext()) names.push_back(products->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Roman", "Krimi", "Boskop"}));

  // A text sort uses the list order (umlauts beside their letters, case ignored).
  CRecSetIndex index(db_);
  for (const char* n : {"zange", "Äxte", "Bohrer", "axt"}) {
    index.Open();
    index.AddNew();
    index->Name = n;
    index.Update();
  }
  index.Requery();
  names.clear();
  for (; !index.IsEOF(); index.MoveNext()) names.push_back(index->Name);
  EXPECT_EQ(names, (std::vector<std::string>{" ", "axt", "Äxte", "Bohrer", "zange"}));

  EXPECT_THROW(products.SetSort("Name; DROP TABLE Products"), DbError);
}

TEST_F(RecordSetTest, ReboundFilterWalksOneParentAfterAnother) {
  int32_t c1 = AddCategory("Eins", 0), c2 = AddCategory("Zwei", 1);
  AddProduct(c1, "a", 0);
  AddProduct(c2, "b", 0);
  AddProduct(c2, "c", 1);
  CRecSetProducts products(db_);
  products.SetFilter(Eq("CategoryID", c1));
  products.Open();
  EXPECT_EQ(products.GetRecordCount(), 1);
  products.SetFilter(Eq("CategoryID", c2) && Eq("Available", true));
  products.Requery();
  EXPECT_EQ(products.GetRecordCount(), 2);
  EXPECT_EQ(products->Name, "b");

  long streamed = 0;
  products.ForEach([&](const ProductsRow& row) {
    EXPECT_EQ(row.CategoryID, c2);
    ++streamed;
  });
  EXPECT_EQ(streamed, 2);
}

TEST_F(RecordSetTest, FindFirstAddNewEditAndDelete) {
  AddCategory("A", 0);
  int32_t b = AddCategory("B", 1);
  AddCategory("C", 2);
  CRecSetCategories c(db_);
  c.Open();
  ASSERT_TRUE(c.FindFirst(Eq("ID", b)));
  EXPECT_EQ(c->Name, "B");
  EXPECT_FALSE(c.FindFirst(Eq("ID", 999)));
  EXPECT_EQ(c->Name, "B") << "a failed search keeps the position";
  ASSERT_TRUE(c.FindFirst(Eq("Name", "c")));  // letter case does not count
  EXPECT_EQ(c->Order, 2);

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
  EXPECT_EQ(c.GetRecordCount(), 2);

  c.AddNew();
  EXPECT_TRUE(c->Include) << "a new category starts included";
  c->Name = "D";
  c.Update();
  EXPECT_GT(c->ID, 0);
  EXPECT_EQ(c->Name, "D") << "the set stands on the added row";
  c.MoveLast();
  EXPECT_EQ(c->Name, "D");
}

TEST_F(RecordSetTest, AppendOnlySetKeepsJustTheLastAddedRow) {
  AddCategory("alt", 0);
  CRecSetCategories c(db_);
  c.OpenForAppend();
  EXPECT_TRUE(c.IsEOF());
  for (int i = 1; i <= 3; ++i) {
    c.AddNew();
    c->Name = "neu" + std::to_string(i);
    c.Update();
    EXPECT_EQ(c.GetRecordCount(), 1);
    EXPECT_EQ(c->Name, "neu" + std::to_string(i));
    EXPECT_GT(c->ID, 0);
  }
  c.Open();
  EXPECT_EQ(c.GetRecordCount(), 4) << "every added row was written";
}

TEST_F(RecordSetTest, TextsWithQuotesAreMatchedLiterally) {
  AddCategory("O'Brien's", 0);
  AddCategory("x' OR '1'='1", 1);
  CRecSetCategories c(db_);
  c.SetFilter(Eq("Name", "x' OR '1'='1"));
  c.Open();
  ASSERT_EQ(c.GetRecordCount(), 1);
  c.SetFilter(Eq("Name", "O'Brien's"));
  c.Requery();
  ASSERT_EQ(c.GetRecordCount(), 1);
  EXPECT_EQ(c->Name, "O'Brien's");
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
  c->Name = std::string(64, 'x');
  c.Update();  // exactly the width fits; umlauts count as one character
  c.AddNew();
  c->Name = std::string(63, 'a') + "ü";
  EXPECT_NO_THROW(c.Update());

  c.AddNew();
  c->Name = "";
  EXPECT_THROW(c.Update(), DbError) << "a required name may not be empty";
  c.CancelUpdate();
  CRecSetCategories check(db_);
  check.Open();
  EXPECT_EQ(check.GetRecordCount(), 2);

  // An optional text that may not be zero-length is stored as null and read back empty.
  check.Edit();
  check->Description = "";
  EXPECT_NO_THROW(check.Update());
}

TEST_F(RecordSetTest, ChangedFlagFollowsTheBaseOfTheSet) {
  int32_t cat = AddCategory("A", 0);
  SetDatabaseChanged(false);
  CRecSetFtpServer ftp(db_);
  ftp.Open();
  ftp.AddNew();
  ftp->HostName = "ftp.example.org";
  ftp->HostPort = 21;
  ftp.Update();
  EXPECT_FALSE(IsDatabaseChanged()) << "FTP settings are not part of the shop";
  CRecSetProducts_IDs ids(db_);
  ids.Open();
  EXPECT_FALSE(IsDatabaseChanged());

  int32_t product = AddProduct(cat, "P", 0);
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
}

TEST_F(RecordSetTest, ASetWhoseDatabaseClosedRefusesWork) {
  CRecSetCategories c(db_);
  c.Open();
  db_.Close();
  try {
    c.AddNew();
    FAIL();
  } catch (const DbError& e) {
    EXPECT_EQ(e.framework(), DbFrameworkError::ObjectNotOpen);
  }
  EXPECT_FALSE(c.IsOpen());
}

TEST_F(RecordSetTest, TransactionScopeRollsBackWhenLeftWithoutCommit) {
  try {
    TransactionScope tx(db_);
    AddCategory("weg", 0);
    {
      TransactionScope inner(db_);
      AddCategory("auch weg", 1);
      inner.Commit();
    }
    throw std::runtime_error("abgebrochen");
  } catch (const std::runtime_error&) {
  }
  CRecSetCategories c(db_);
  c.Open();
  EXPECT_EQ(c.GetRecordCount(), 0);
  {
    TransactionScope tx(db_);
    AddCategory("bleibt", 0);
    tx.Commit();
  }
  c.Requery();
  EXPECT_EQ(c.GetRecordCount(), 1);
}

TEST_F(RecordSetTest, DirectDeleteOfLineMembershipsMarksTheShopChanged) {
  int32_t cat = AddCategory("A", 0);
  int32_t p1 = AddProduct(cat, "P1", 0), p2 = AddProduct(cat, "P2", 1);
  CRecSetLines lines(db_);
  lines.Open();
  lines.AddNew();
  lines->Name = "Sommer";
  lines.Update();
  int32_t line = lines->ID;
  CRecSetProdLines members(db_);
  members.Open();
  for (int32_t p : {p1, p2}) {
    members.AddNew();
    members->Name = "m";
    members->LineID = line;
    members->ProductID = p;
    members.Update();
  }
  SetDatabaseChanged(false);
  EXPECT_EQ(DeleteProdLinesOfLine(db_, line), 2);
  EXPECT_TRUE(IsDatabaseChanged());
  lines.Requery();
  EXPECT_EQ(lines.GetRecordCount(), 1) << "the line itself stays";
}

}  // namespace
}  // namespace vendora
