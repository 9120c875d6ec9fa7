#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <csignal>

#include "app/shop_manager.h"
#include "shopdb/compaction.h"
#include "shopdb/db_error.h"
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
  CompactFileOps failing{[](ShopDatabase&, const fs::path&) { return false; }};
  EXPECT_EQ(CompactDatabaseFile(path, failing), CompactOutcome::CopyKept);
  EXPECT_TRUE(fs::exists(CompactCopyPath(path)));
  EXPECT_EQ(test::ReadFileBytes(path), original);
}

// Another program may have the shop open. It cannot commit between the copy and the
// replacement, and what it writes afterwards lands in the shop, not in a replaced file.
TEST(Compaction, AnotherProgramsWritesAreNeitherLostNorLetIntoTheGap) {
  test::TempDir dir;
  fs::path path = MakeBloatedShop(dir);
  SQLite::Database other(path.string(), SQLite::OPEN_READWRITE);
  EXPECT_EQ(other.execAndGet("SELECT count(*) FROM \"Categories\"").getInt(), 1);

  bool refusedInTheGap = false;
  const CompactFileOps real = RealCompactFileOps();
  CompactFileOps watched{[&](ShopDatabase& held, const fs::path& copy) {
    try {
      other.exec("INSERT INTO \"Categories\" (\"Include\", \"Name\") VALUES (1, 'dazwischen')");
    } catch (const SQLite::Exception& e) {
      refusedInTheGap = (e.getErrorCode() & 0xFF) == SQLITE_BUSY;
    }
    return real.replace(held, copy);
  }};
  EXPECT_EQ(CompactDatabaseFile(path, watched), CompactOutcome::Replaced);
  EXPECT_TRUE(refusedInTheGap);
  EXPECT_FALSE(fs::exists(CompactCopyPath(path)));

  other.exec("INSERT INTO \"Categories\" (\"Include\", \"Name\") VALUES (1, 'nachher')");
  ShopDatabase db;
  db.Open(path);
  EXPECT_EQ(TableRowCount(db, "Categories"), 2) << "the row written after compacting is in the shop";
}

TEST(Compaction, IsRefusedWhileAnotherProgramReadsAndLeavesNoCopy) {
  test::TempDir dir;
  fs::path path = MakeBloatedShop(dir);
  SQLite::Database other(path.string(), SQLite::OPEN_READWRITE);
  other.exec("BEGIN");
  other.execAndGet("SELECT count(*) FROM \"Categories\"");
  const std::string before = test::ReadFileBytes(path);
  try {
    CompactDatabaseFile(path);
    ADD_FAILURE() << "compacted a shop in use";
  } catch (const DbError& e) {
    EXPECT_EQ(e.description().rfind("Die Shop-Datenbank wird gerade von einem anderen Programm verwendet.", 0), 0u)
        << e.description();
  }
  other.exec("COMMIT");
  EXPECT_EQ(test::ReadFileBytes(path), before);
  EXPECT_FALSE(fs::exists(CompactCopyPath(path)));
}

TEST(Compaction, ACopyCutShortByAFullDiskIsRemoved) {
  test::TempDir dir;
  fs::path path = MakeBloatedShop(dir);
  const std::string before = test::ReadFileBytes(path);
  // The process may write no file beyond 16 KiB meanwhile: the copy breaks off as on
  // a full disk, while the shop itself is only read.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 16 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool failed = false;
  try {
    CompactDatabaseFile(path);
  } catch (const DbError&) {
    failed = true;
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_TRUE(failed);
  EXPECT_FALSE(fs::exists(CompactCopyPath(path)));
  EXPECT_EQ(test::ReadFileBytes(path), before);
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
