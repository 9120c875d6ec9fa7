#pragma once
// Picture sizes remembered between runs. Reading the size means opening every picture
// and thumbnail of the shop; a run that finds a file unchanged (same device, inode,
// byte size and last-write time) takes the size it read last time instead.
//
// Entries are keyed by device and inode, not by name: hard links share their content,
// and a file replaced under the same name gets a new inode or new times.
//
// The cache file is a plain text file beside the shop database, one picture per line:
//   <device>|<inode>|<bytes>|<write time count>|<change time ns>|<width>|<height>
// A missing or garbled file is an empty cache. Saving keeps only the pictures asked
// for since loading, so removed pictures drop out.
//
// Find and Store may be called from several threads (the folders of one run share it).
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "common/file_stamp.h"

namespace vendora {

struct ImageSize {
  int width = 0, height = 0;
};

class PictureSizeCache {
 public:
  void Load(const std::filesystem::path& file);
  // Writes beside the file and renames over it; false when that fails (the old file,
  // if any, stays). Writes nothing when nothing was asked for or learnt since loading.
  bool Save(const std::filesystem::path& file);

  // The size known for the picture as stamped; marks the entry as used.
  std::optional<ImageSize> Find(const FileStamp& stamp);
  void Store(const FileStamp& stamp, ImageSize size);
  size_t size() const;

 private:
  struct Entry {
    FileStamp stamp;
    ImageSize size;
    bool used = false;
  };
  struct Key {
    uint64_t device, inode;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    size_t operator()(const Key& k) const { return std::hash<uint64_t>()(k.inode * 31 + k.device); }
  };
  mutable std::mutex mutex_;
  std::unordered_map<Key, Entry, KeyHash> entries_;
  bool touched_ = false;  // asked for or learnt since the last load or save
  bool learnt_ = false;   // an entry added or changed
};

}  // namespace vendora
