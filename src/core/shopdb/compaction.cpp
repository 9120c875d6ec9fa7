#include "shopdb/compaction.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <system_error>

#include "shopdb/database.h"

namespace vendora {

namespace fs = std::filesystem;

CompactFileOps RealCompactFileOps() {
  return {[](const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::rename(from, to, ec);
    return !ec;
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

}  // namespace

CompactOutcome CompactDatabaseFile(const fs::path& database, const CompactFileOps& ops) {
  const fs::path copy = CompactCopyPath(database);
  {
    std::error_code ec;
    fs::remove(copy, ec);  // an old copy from an earlier attempt would stop VACUUM INTO
    ShopDatabase db;
    db.OpenReadOnly(database);
    auto stmt = db.Prepare("VACUUM INTO ?");
    WithDbErrors([&] {
      stmt->bind(1, copy.string());
      stmt->exec();
    });
  }
  if (IsWriteProtected(database) || !ops.replace(copy, database)) return CompactOutcome::CopyKept;
  return CompactOutcome::Replaced;
}

}  // namespace vendora
