#pragma once
// What the uploads of a shop last sent to its server: per file the size and SHA-256 of
// the content, and the size and time the server listed for it right after the upload.
// A generation writes every data file anew even when nothing in it changed; with this
// record such a file stays on the server instead of being sent again, but only while
// the server still lists it as we left it: a file changed or damaged on the server is
// sent again. Kept in the shop folder; a record of another server or shop folder
// there, or none, makes every changed file go as before.
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
  // Whether the record knows how the server listed `path` after our upload.
  bool KnowsServer(const std::string& path) const;
  // Whether the server lists `path` with the size and time it had right after our upload.
  bool ServerAsLeft(const std::string& path, uint64_t remoteSize, const std::string& remoteStamp) const;
  // `local` was sent as `path` just now, and the server then listed it with
  // `remoteSize` and `remoteStamp` (empty when the listing showed no time).
  void Sent(const std::string& path, const std::filesystem::path& local, uint64_t remoteSize,
            const std::string& remoteStamp);
  void Forget(const std::string& path);
  // Sending `path` failed: whatever the server holds now may be a part, so it goes
  // again next time, whatever its local time.
  void Failed(const std::string& path);
  bool Save();

 private:
  struct Entry {
    uint64_t size = 0;
    std::string hash;
    uint64_t remoteSize = 0;
    std::string remoteStamp;  // empty: not known
  };
  std::filesystem::path file_;
  std::string serverKey_;
  std::map<std::string, Entry> entries_;
  bool touched_ = false;
};

// SHA-256 of the file's content as 64 hex digits; empty when it cannot be read.
std::string FileSha256(const std::filesystem::path& file);

}  // namespace vendora
