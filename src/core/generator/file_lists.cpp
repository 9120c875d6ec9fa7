#include "generator/file_lists.h"

#include <system_error>

namespace vendora {

namespace fs = std::filesystem;

FileListEntry FileLists::Entry(ShopSubfolder folder, std::string_view fileName, const FileStamp* known) const {
  const std::string_view folderName = kShopSubfolderNames[static_cast<size_t>(folder)];
  FileListEntry e;
  e.path.reserve(folderName.size() + 1 + fileName.size());
  e.path.append(folderName).append("/").append(fileName);
  const std::optional<FileStamp> read = known ? std::nullopt : StampOf(shopFolder_ / e.path);
  if (!known && read) known = &*read;
  if (known) {
    e.size = known->size;
    e.writeTime = known->writeTime;
  }
  return e;
}

void FileLists::AddPublish(ShopSubfolder folder, std::string_view fileName, const FileStamp* known) {
  if (fileName.empty()) return;
  publish_[static_cast<size_t>(folder)].insert_or_assign(std::string(fileName), Entry(folder, fileName, known));
}

void FileLists::AddUnused(ShopSubfolder folder, std::string_view fileName, const FileStamp* known) {
  if (fileName.empty()) return;
  unused_[static_cast<size_t>(folder)].insert_or_assign(std::string(fileName), Entry(folder, fileName, known));
}

void FileLists::Clear() {
  for (auto& l : publish_) l.clear();
  for (auto& l : unused_) l.clear();
}

uint64_t FileLists::PublishedSize() const {
  uint64_t total = 0;
  for (const auto& list : publish_)
    for (const auto& [name, entry] : list) total += entry.size;
  return total;
}

}  // namespace vendora
