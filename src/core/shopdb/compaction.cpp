#include "shopdb/compaction.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <system_error>

#include "common/text_format.h"
#include "shopdb/database.h"
#include "shopdb/db_error.h"

namespace vendora {

namespace fs = std::filesystem;

CompactFileOps RealCompactFileOps() {
  return {[](ShopDatabase& database, const fs::path& copy) {
    // The copy's pages go into the file itself, in one transaction of the connection
    // that holds the file: a program that has the file open sees the compacted file,
    // where a rename would leave it writing into a file that is no longer the shop.
    sqlite3* source = nullptr;
    if (sqlite3_open_v2(copy.c_str(), &source, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
      sqlite3_close(source);
      return false;
    }
    sqlite3_backup* backup = sqlite3_backup_init(database.Engine().getHandle(), "main", source, "main");
    bool ok = backup != nullptr;
    if (backup) {
      ok = sqlite3_backup_step(backup, -1) == SQLITE_DONE;
      ok = sqlite3_backup_finish(backup) == SQLITE_OK && ok;
    }
    sqlite3_close(source);
    return ok;
  }};
}

fs::path CompactCopyPath(const fs::path& database) {
  fs::path copy = database;
  copy += ".cpy";
  return copy;
}

namespace {

bool IsWriteProtected(const fs::path& p) {
  std::error_code ec;
  auto perms = fs::status(p, ec).permissions();
  return !ec && (perms & fs::perms::owner_write) == fs::perms::none;
}

// Writes the compacted copy. A copy cut short (a full disk) is removed again.
void WriteCompactCopy(ShopDatabase& db, const fs::path& copy) {
  std::error_code ec;
  fs::remove(copy, ec);  // an old copy from an earlier attempt would stop VACUUM INTO
  if (fs::exists(fs::symlink_status(copy, ec)))
    throw DbError(DbFrameworkError::None, SQLITE_CANTOPEN,
                  Format("Die Kopie '%s' kann nicht angelegt werden, weil dort schon etwas anderes liegt.",
                         copy.string()));
  try {
    auto stmt = db.Prepare("VACUUM INTO ?");
    WithDbErrors([&] {
      stmt->bind(1, copy.string());
      stmt->exec();
    });
  } catch (const DbError&) {
    if (fs::is_regular_file(copy, ec)) fs::remove(copy, ec);
    throw;
  }
}

}  // namespace

CompactOutcome CompactDatabaseFile(const fs::path& database, const CompactFileOps& ops) {
  const fs::path copy = CompactCopyPath(database);
  if (IsWriteProtected(database)) {
    // Nothing is replaced, so nothing written meanwhile can be lost: a shared read suffices.
    ShopDatabase db;
    db.OpenReadOnly(database);
    WriteCompactCopy(db, copy);
    return CompactOutcome::CopyKept;
  }
  // Held exclusively from the copy to the replacement, so no other program commits in
  // between; opening fails (the file is busy) while another one is in a transaction.
  ShopDatabase db;
  db.Open(database, /*exclusive=*/true);
  WriteCompactCopy(db, copy);
  if (!ops.replace(db, copy)) return CompactOutcome::CopyKept;
  std::error_code ec;
  fs::remove(copy, ec);
  return CompactOutcome::Replaced;
}

}  // namespace vendora
