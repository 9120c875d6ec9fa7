#include "common/file_stamp.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>

namespace vendora {

namespace {

std::optional<FileStamp> FromStat(const struct stat& st) {
  if (!S_ISREG(st.st_mode)) return std::nullopt;
  using namespace std::chrono;
  const auto sinceEpoch = seconds(st.st_mtim.tv_sec) + nanoseconds(st.st_mtim.tv_nsec);
  FileStamp s;
  s.device = static_cast<uint64_t>(st.st_dev);
  s.inode = static_cast<uint64_t>(st.st_ino);
  s.size = static_cast<uint64_t>(st.st_size);
  s.writeTime = file_clock::from_sys(sys_time<nanoseconds>(duration_cast<nanoseconds>(sinceEpoch)));
  s.changeTimeNs = static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  return s;
}

}  // namespace

std::optional<FileStamp> StampOf(const std::filesystem::path& file) {
  struct stat st;
  if (::stat(file.c_str(), &st) != 0) return std::nullopt;
  return FromStat(st);
}

std::optional<FileStamp> StampAt(int directoryFd, const char* name) {
  struct stat st;
  if (::fstatat(directoryFd, name, &st, 0) != 0) return std::nullopt;
  return FromStat(st);
}

}  // namespace vendora
