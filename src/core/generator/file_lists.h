#pragma once
// Per shop subfolder, the files the published shop uses (PublishFileList) and the
// files of the folder it does not use now but that stay on the server
// (UnusedFileList). Each entry records the file's size and last-write time when it
// was added; the upload compares them with the server.
#include <array>
#include <cstdint>
#include <filesystem>
#include <utility>
#include <vector>
#include <optional>
#include <string>
#include <string_view>

#include "app/shop_paths.h"
#include "common/file_stamp.h"

namespace vendora {

struct FileListEntry {
  ShopSubfolder folder = ShopSubfolder::Data;
  uint64_t size = 0;  // 0 when the file could not be read
  std::optional<std::filesystem::file_time_type> writeTime;

  // "<folder>/<file name>", relative to the shop folder. Made when asked for: a run
  // lists a hundred thousand pictures and uploads a few.
  std::string Path(std::string_view fileName) const;
};

// One folder's list, by file name. A generation adds tens of thousands of pictures in
// walk order: adding appends, and the list is put in name order when it is next read,
// once for all of them. Used by one thread at a time, like the run that fills it.
class FileList {
 public:
  using value_type = std::pair<std::string, FileListEntry>;
  using const_iterator = std::vector<value_type>::const_iterator;

  // Adding a name again replaces its entry.
  void Set(std::string name, FileListEntry entry);
  // Room for this many more entries.
  void Reserve(size_t more) { entries_.reserve(entries_.size() + more); }
  void clear();

  const_iterator begin() const { return Settled().begin(); }
  const_iterator end() const { return Settled().end(); }
  size_t size() const { return Settled().size(); }
  bool empty() const { return entries_.empty(); }
  const_iterator find(std::string_view name) const;
  bool contains(std::string_view name) const { return find(name) != end(); }
  size_t count(std::string_view name) const { return contains(name) ? 1 : 0; }
  // Throws std::out_of_range for a name not in the list.
  const FileListEntry& at(std::string_view name) const;

 private:
  const std::vector<value_type>& Settled() const;
  mutable std::vector<value_type> entries_;
  mutable size_t settled_ = 0;  // entries_[0, settled_) are in name order, each name once
};

class FileLists {
 public:
  using List = FileList;

  explicit FileLists(std::filesystem::path shopFolder = {}) : shopFolder_(std::move(shopFolder)) {}
  void SetShopFolder(std::filesystem::path folder) { shopFolder_ = std::move(folder); }

  // Records the file's size and time as they are now: add a written file after closing
  // it. An empty file name adds nothing; adding a name again refreshes its entry.
  // A known stamp (of a file not changed since) saves reading it again.
  void AddPublish(ShopSubfolder folder, std::string_view fileName, const FileStamp* known = nullptr);
  void AddUnused(ShopSubfolder folder, std::string_view fileName, const FileStamp* known = nullptr);
  // Room for this many more published files: a run that knows how many pictures it
  // will add spares the list growing step by step.
  void ReservePublish(ShopSubfolder folder, size_t more) { publish_[static_cast<size_t>(folder)].Reserve(more); }
  void Clear();

  const List& Publish(ShopSubfolder folder) const { return publish_[static_cast<size_t>(folder)]; }
  const List& Unused(ShopSubfolder folder) const { return unused_[static_cast<size_t>(folder)]; }
  // Sum of the sizes of every published file.
  uint64_t PublishedSize() const;

 private:
  FileListEntry Entry(ShopSubfolder folder, std::string_view fileName, const FileStamp* known) const;

  std::filesystem::path shopFolder_;
  std::array<List, kShopSubfolderNames.size()> publish_, unused_;
};

}  // namespace vendora
