#pragma once
// The clock seam: runs ask it for the current time and for the time as the user writes
// dates; tests fix both.
#include <ctime>
#include <string>
#include <utility>

namespace vendora {

// `format` with "%c" replaced by `time` in the date-and-time form of the locale
// `localeName` ("" : the user's, from LC_ALL, LC_TIME or LANG; an unknown one falls
// back to "C"), as UTF-8. The process's current locale plays no part: a run switches
// it for numbers, and the command line never sets it.
std::string FormatLocalTime(const std::string& format, std::time_t time, const std::string& localeName = "");

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::time_t Now() const = 0;
  // `format` with "%c" replaced by the current time as the user writes dates.
  virtual std::string LocalTimeText(const std::string& format) const { return FormatLocalTime(format, Now()); }
};

class SystemClock : public Clock {
 public:
  std::time_t Now() const override { return std::time(nullptr); }
};

// A fixed time, written in the locale given ("" : the user's).
class FixedClock : public Clock {
 public:
  explicit FixedClock(std::time_t t, std::string localeName = "") : t_(t), locale_(std::move(localeName)) {}
  std::time_t Now() const override { return t_; }
  std::string LocalTimeText(const std::string& format) const override { return FormatLocalTime(format, t_, locale_); }
  void Set(std::time_t t) { t_ = t; }

 private:
  std::time_t t_;
  std::string locale_;
};

}  // namespace vendora
