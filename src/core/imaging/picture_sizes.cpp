#include "imaging/picture_sizes.h"

#include <algorithm>

#include <charconv>
#include <fstream>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/file_write.h"

namespace vendora {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHeader = "vendora picture sizes 2";

template <class T>
bool ParseNumber(std::string_view text, T& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

bool ParseLine(std::string_view line, FileStamp& stamp, ImageSize& size) {
  constexpr int kFields = 7;
  std::string_view fields[kFields];
  for (int i = 0; i < kFields; ++i) {
    const size_t bar = line.find('|');
    if ((bar == std::string_view::npos) != (i == kFields - 1)) return false;
    fields[i] = line.substr(0, bar);
    if (bar != std::string_view::npos) line.remove_prefix(bar + 1);
  }
  int64_t ticks = 0;
  if (!ParseNumber(fields[0], stamp.device) || !ParseNumber(fields[1], stamp.inode) ||
      !ParseNumber(fields[2], stamp.size) || !ParseNumber(fields[3], ticks) ||
      !ParseNumber(fields[4], stamp.changeTimeNs) || !ParseNumber(fields[5], size.width) ||
      !ParseNumber(fields[6], size.height) || size.width <= 0 || size.height <= 0)
    return false;
  stamp.writeTime = fs::file_time_type(fs::file_time_type::duration(ticks));
  return true;
}

}  // namespace

void PictureSizeCache::Load(const fs::path& file) {
  std::lock_guard lock(mutex_);
  entries_.clear();
  touched_ = learnt_ = false;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  if (!in || !std::getline(in, line) || line != kHeader) return;
  Entry e;
  while (std::getline(in, line))
    if (ParseLine(line, e.stamp, e.size)) entries_[Key{e.stamp.device, e.stamp.inode}] = e;
}

bool PictureSizeCache::Save(const fs::path& file) {
  std::lock_guard lock(mutex_);
  if (!touched_) return true;
  // Every entry asked for and none learnt: the file already says exactly this. A large
  // shop's regeneration would otherwise write megabytes of the same text every time.
  if (!learnt_ && std::all_of(entries_.begin(), entries_.end(), [](const auto& e) { return e.second.used; })) {
    touched_ = false;
    return true;
  }
  std::string text(kHeader);
  text += '\n';
  for (const auto& [key, e] : entries_) {
    if (!e.used) continue;
    for (const uint64_t n : {e.stamp.device, e.stamp.inode, e.stamp.size}) text += std::to_string(n) + '|';
    for (const int64_t n : {static_cast<int64_t>(e.stamp.writeTime.time_since_epoch().count()), e.stamp.changeTimeNs,
                            static_cast<int64_t>(e.size.width)})
      text += std::to_string(n) + '|';
    text += std::to_string(e.size.height) + '\n';
  }
  if (!ReplaceFileContent(file, text)) return false;
  touched_ = learnt_ = false;
  return true;
}

size_t PictureSizeCache::size() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

std::optional<ImageSize> PictureSizeCache::Find(const FileStamp& stamp) {
  std::lock_guard lock(mutex_);
  auto it = entries_.find(Key{stamp.device, stamp.inode});
  if (it == entries_.end() || !(it->second.stamp == stamp)) return std::nullopt;
  it->second.used = true;
  touched_ = true;
  return it->second.size;
}

void PictureSizeCache::Store(const FileStamp& stamp, ImageSize size) {
  if (size.width <= 0 || size.height <= 0) return;
  std::lock_guard lock(mutex_);
  Entry& entry = entries_[Key{stamp.device, stamp.inode}];
  if (!(entry.stamp == stamp) || entry.size.width != size.width || entry.size.height != size.height) learnt_ = true;
  entry = Entry{stamp, size, true};
  touched_ = true;
}

}  // namespace vendora
