#include "common/clock.h"

namespace vendora {

std::string FormatLocalTime(const std::string& format, std::time_t time) {
  std::tm tm{};
  localtime_r(&time, &tm);
  char buf[256];
  const size_t n = std::strftime(buf, sizeof buf, "%c", &tm);
  std::string stamp(buf, n);
  std::string out = format;
  for (size_t at = out.find("%c"); at != std::string::npos; at = out.find("%c", at + stamp.size()))
    out.replace(at, 2, stamp);
  return out;
}

}  // namespace vendora
