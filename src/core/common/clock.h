#pragma once
// The clock seam: runs ask it for the current time, tests fix it.
#include <ctime>
#include <string>

namespace vendora {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::time_t Now() const = 0;
};

class SystemClock : public Clock {
 public:
  std::time_t Now() const override { return std::time(nullptr); }
};

class FixedClock : public Clock {
 public:
  explicit FixedClock(std::time_t t) : t_(t) {}
  std::time_t Now() const override { return t_; }
  void Set(std::time_t t) { t_ = t; }

 private:
  std::time_t t_;
};

// `format` with "%c" replaced by the time in the user's date-and-time form (the
// process's LC_TIME), as the run banners show it.
std::string FormatLocalTime(const std::string& format, std::time_t time);

}  // namespace vendora
