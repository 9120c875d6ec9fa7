#pragma once
// File handling shared by the codecs: the file is closed on every path, and a picture
// that could not be written completely is removed, so no half-written file stays
// behind to be published.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace vendora {

struct FileCloser {
  void operator()(std::FILE* file) const {
    if (file) std::fclose(file);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

inline FilePtr OpenFile(const std::string& path, const char* mode) { return FilePtr(std::fopen(path.c_str(), mode)); }

// Closes a file being written; when writing or closing failed, deletes it (a regular
// file only: a device written to stays). True when the whole file is on disk.
inline bool FinishWrite(FilePtr file, const std::string& path, bool written) {
  const bool closed = std::fclose(file.release()) == 0;
  if (written && closed) return true;
  std::error_code ec;
  if (std::filesystem::is_regular_file(path, ec)) std::filesystem::remove(path, ec);
  return false;
}

}  // namespace vendora
