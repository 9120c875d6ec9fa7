#pragma once
// A file's identity as far as "has it changed?" goes: device, inode, byte size,
// last-write time and status-change time (which no program can set back), read with
// one system call.
#include <cstdint>
#include <filesystem>
#include <optional>

namespace vendora {

struct FileStamp {
  uint64_t device = 0, inode = 0;
  uint64_t size = 0;
  std::filesystem::file_time_type writeTime{};
  int64_t changeTimeNs = 0;

  bool operator==(const FileStamp&) const = default;
};

// Nullopt when the path does not name a regular file (or cannot be read).
std::optional<FileStamp> StampOf(const std::filesystem::path& file);
// The same for a name in an open directory: saves resolving the folder's path per file.
std::optional<FileStamp> StampAt(int directoryFd, const char* name);

}  // namespace vendora
