#pragma once
// Compacting a closed shop database file: a compacted copy is written beside it as
// path + ".cpy" and then replaces the file's content, unless the file is
// write-protected. The file is held exclusively from the copy to the replacement.
#include <filesystem>
#include <functional>

namespace vendora {

class ShopDatabase;

enum class CompactOutcome {
  Replaced,  // the file is now the compacted copy; the ".cpy" is gone
  CopyKept,  // the file could not be replaced; the ".cpy" copy lies beside it
};

// The replacement of the file's content by the copy, through the connection that holds
// the file exclusively (one transaction: the file is either old or new). Injectable so
// a failure can be tested; returns false when the file stays as it was.
struct CompactFileOps {
  std::function<bool(ShopDatabase& held, const std::filesystem::path& copy)> replace;
};
CompactFileOps RealCompactFileOps();

std::filesystem::path CompactCopyPath(const std::filesystem::path& database);

// The database must not be open in this program. Throws DbError when the file is in
// use by another program (busy) or the copy cannot be made; the original file is then
// untouched and no partial copy is left. A write-protected file is never replaced
// (it counts as "cannot be deleted").
CompactOutcome CompactDatabaseFile(const std::filesystem::path& database,
                                   const CompactFileOps& ops = RealCompactFileOps());

}  // namespace vendora
