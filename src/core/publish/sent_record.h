#pragma once
// What the uploads of a shop last sent to its server: per file the size and SHA-256 of
// the content. A generation writes every data file anew even when nothing in it
// changed; with this record such a file stays on the server instead of being sent
// again. Kept in the shop folder; a record of another server or shop folder there, or
// none, makes every changed file go as before.
//
// Used by one thread at a time. Nothing here throws; a record that cannot be read is
// empty, one that cannot be written costs the next run some transfers.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace vendora {

class SentRecord {
 public:
  SentRecord() = default;
  // Reads the record kept in `file` for the server and remote folder named by
  // `serverKey`.
  SentRecord(std::filesystem::path file, std::string serverKey);

  // Whether `local` (of `size` bytes) holds what was last sent as `path`.
  bool Unchanged(const std::string& path, const std::filesystem::path& local, uint64_t size) const;
  // `local` was sent as `path` just now.
  void Sent(const std::string& path, const std::filesystem::path& local);
  void Forget(const std::string& path);
  bool Save();

 private:
  struct Entry {
    uint64_t size = 0;
    std::string hash;
  };
  std::filesystem::path file_;
  std::string serverKey_;
  std::map<std::string, Entry> entries_;
  bool touched_ = false;
};

// SHA-256 of the file's content as 64 hex digits; empty when it cannot be read.
std::string FileSha256(const std::filesystem::path& file);

}  // namespace vendora
