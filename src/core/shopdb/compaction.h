#pragma once
// Compacting a closed shop database file: the compacted copy is written beside it as
// path + ".cpy" and replaces the file only when the file may be deleted.
#include <filesystem>
#include <functional>

namespace vendora {

enum class CompactOutcome {
  Replaced,  // the file is now the compacted copy
  CopyKept,  // the file could not be replaced; the ".cpy" copy lies beside it
};

// The replacement of the file by its copy (an atomic rename over it, so there is no
// moment without a database file), injectable so a failure can be tested.
struct CompactFileOps {
  std::function<bool(const std::filesystem::path& from, const std::filesystem::path& to)> replace;
};
CompactFileOps RealCompactFileOps();

std::filesystem::path CompactCopyPath(const std::filesystem::path& database);

// The database must not be open anywhere. Throws DbError when the copy cannot be
// made; the original file is then untouched. A write-protected file is never deleted
// (it counts as "cannot be deleted").
CompactOutcome CompactDatabaseFile(const std::filesystem::path& database,
                                   const CompactFileOps& ops = RealCompactFileOps());

}  // namespace vendora
