#include <gtest/gtest.h>

#include "app/shop_manager.h"
#include "shopdb/compaction.h"
#include "shopdb/recordsets.h"
#include "shopdb/schema_builder.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

// A shop with many deleted rows, so compacting has something to do.
fs::path MakeBloatedShop(const test::TempDir& dir) {
  fs::path path = dir / "shop.mdb";
  test::CreateShopFile(path);
  ShopDatabase db;
  db.Open(path);
  TransactionScope tx(db);
  CRecSetCategories c(db);
  c.Open();
  for (int i = 0; i < 2000; ++i) {
    c.AddNew();
    c->Name = "Kategorie " + std::to_string(i);
    c->Description = std::string(500, 'x');
    c.Update();
  }
  for (c.MoveFirst(); c.GetRecordCount() > 1;) {
    c.Delete();
    c.MoveNext();
  }
  tx.Commit();
  return path;
}

TEST(Compaction, ShrinksTheFileAndKeepsTheRows) {
  test::TempDir dir;
  fs::path path = MakeBloatedShop(dir);
  auto before = fs::file_size(path);
  EXPECT_EQ(CompactDatabaseFile(path), CompactOutcome::Replaced);
  EXPECT_LT(fs::file_size(path), before / 4);
  EXPECT_FALSE(fs::exists(CompactCopyPath(path)));
  ShopDatabase db;
  db.Open(path);
  EXPECT_EQ(TableRowCount(db, "Categories"), 1);
  EXPECT_EQ(ReadStoredVersion(db), 150);
}

TEST(Compaction, LeavesTheCopyWhenTheFileCannotBeReplaced) {
  test::TempDir dir;
  fs::path path = MakeBloatedShop(dir);
  const std::string original = test::ReadFileBytes(path);
  CompactFileOps failing{[](const fs::path&, const fs::path&) { return false; }};
  EXPECT_EQ(CompactDatabaseFile(path, failing), CompactOutcome::CopyKept);
  EXPECT_TRUE(fs::exists(CompactCopyPath(path)));
  EXPECT_EQ(test::ReadFileBytes(path), original);
}

TEST(Compaction, AWriteProtectedShopKeepsItsFileAndIsOpenedAgain) {
  test::TempDir dir;
  fs::path path = MakeBloatedShop(dir);
  test::ScriptedPrompter prompter;
  ShopManager manager({150, 54, 1031}, dir.path(), prompter);
  ASSERT_TRUE(manager.OpenShopDatabase(path));
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);

  prompter.Queue(Answer::Yes);  // release the write protection when reopening
  CompactOutcome outcome = CompactOutcome::Replaced;
  EXPECT_TRUE(manager.CompactCurrentShop(&outcome));
  EXPECT_EQ(outcome, CompactOutcome::CopyKept);
  EXPECT_TRUE(fs::exists(CompactCopyPath(path)));
  EXPECT_TRUE(manager.IsShopOpen());
  ASSERT_FALSE(prompter.asked().empty());
  EXPECT_EQ(prompter.asked().back().text,
            "Der angegebene Shop ist schreibgeschützt.\nSoll der Schreibschutz zum Bearbeiten entfernt werden?");
  EXPECT_EQ(TableRowCount(manager.Database(), "Categories"), 1);
}

}  // namespace
}  // namespace vendora
