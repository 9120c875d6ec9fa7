#include "generator/file_lists.h"

#include <system_error>

namespace vendora {

namespace fs = std::filesystem;

FileListEntry FileLists::Entry(ShopSubfolder folder, std::string_view fileName) const {
  const std::string_view folderName = kShopSubfolderNames[static_cast<size_t>(folder)];
  FileListEntry e;
  e.path = std::string(folderName) + "/" + std::string(fileName);
  const fs::path file = shopFolder_ / folderName / fileName;
  std::error_code ec;
  const auto size = fs::file_size(file, ec);
  if (!ec) {
    e.size = size;
    const auto time = fs::last_write_time(file, ec);
    if (!ec) e.writeTime = time;
  }
  return e;
}

void FileLists::AddPublish(ShopSubfolder folder, std::string_view fileName) {
  if (fileName.empty()) return;
  publish_[static_cast<size_t>(folder)][std::string(fileName)] = Entry(folder, fileName);
}

void FileLists::AddUnused(ShopSubfolder folder, std::string_view fileName) {
  if (fileName.empty()) return;
  unused_[static_cast<size_t>(folder)][std::string(fileName)] = Entry(folder, fileName);
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
