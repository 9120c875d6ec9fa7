#include "generator/file_lists.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace vendora {

namespace fs = std::filesystem;

void FileList::Set(std::string name, FileListEntry entry) { entries_.emplace_back(std::move(name), std::move(entry)); }

void FileList::clear() {
  entries_.clear();
  settled_ = 0;
}

const std::vector<FileList::value_type>& FileList::Settled() const {
  if (settled_ == entries_.size()) return entries_;
  // Stable: of the entries of one name, the one added last stays.
  std::stable_sort(entries_.begin(), entries_.end(), [](const value_type& a, const value_type& b) { return a.first < b.first; });
  auto out = entries_.begin();
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (std::next(it) != entries_.end() && std::next(it)->first == it->first) continue;
    if (out != it) *out = std::move(*it);
    ++out;
  }
  entries_.erase(out, entries_.end());
  settled_ = entries_.size();
  return entries_;
}

FileList::const_iterator FileList::find(std::string_view name) const {
  const std::vector<value_type>& entries = Settled();
  const auto it = std::lower_bound(entries.begin(), entries.end(), name,
                                   [](const value_type& e, std::string_view n) { return e.first < n; });
  return it != entries.end() && it->first == name ? it : entries.end();
}

const FileListEntry& FileList::at(std::string_view name) const {
  const auto it = find(name);
  if (it == end()) throw std::out_of_range("file list has no " + std::string(name));
  return it->second;
}

std::string FileListEntry::Path(std::string_view fileName) const {
  const std::string_view folderName = kShopSubfolderNames[static_cast<size_t>(folder)];
  std::string path;
  path.reserve(folderName.size() + 1 + fileName.size());
  return path.append(folderName).append("/").append(fileName);
}

FileListEntry FileLists::Entry(ShopSubfolder folder, std::string_view fileName, const FileStamp* known) const {
  FileListEntry e;
  e.folder = folder;
  const std::optional<FileStamp> read = known ? std::nullopt : StampOf(shopFolder_ / e.Path(fileName));
  if (!known && read) known = &*read;
  if (known) {
    e.size = known->size;
    e.writeTime = known->writeTime;
  }
  return e;
}

void FileLists::AddPublish(ShopSubfolder folder, std::string_view fileName, const FileStamp* known) {
  if (fileName.empty()) return;
  publish_[static_cast<size_t>(folder)].Set(std::string(fileName), Entry(folder, fileName, known));
}

void FileLists::AddUnused(ShopSubfolder folder, std::string_view fileName, const FileStamp* known) {
  if (fileName.empty()) return;
  unused_[static_cast<size_t>(folder)].Set(std::string(fileName), Entry(folder, fileName, known));
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
