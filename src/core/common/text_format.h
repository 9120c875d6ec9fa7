#pragma once
// printf-style formatting that never depends on the process locale.
//
// The GUI process runs under the user's locale, where "%.2f" would print "12,50";
// every generated file and every program message goes through here instead, so
// numbers always carry a decimal point and no digit grouping.
//
// Supported: the conversions d i u x X o c s f F e E g G and %%, the flags - + space # 0,
// width and precision (also as *), and the length modifiers h hh l ll z j t L (ignored:
// arguments are typed). An argument of the wrong kind is converted (a number for %s is
// written in decimal, a text for %d is read as a number); a missing argument counts as
// 0 or an empty text. Nothing here throws for a bad format.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

namespace vendora {

class FormatArg {
 public:
  enum class Kind { Signed, Unsigned, Double, Text };

  template <class T, std::enable_if_t<std::is_integral_v<T> && std::is_signed_v<T> &&
                                          !std::is_same_v<T, bool> && !std::is_same_v<T, char>,
                                      int> = 0>
  FormatArg(T v) : kind_(Kind::Signed), i_(v) {}
  template <class T, std::enable_if_t<std::is_integral_v<T> && std::is_unsigned_v<T> &&
                                          !std::is_same_v<T, bool>,
                                      int> = 0>
  FormatArg(T v) : kind_(Kind::Unsigned), u_(v) {}
  FormatArg(bool v) : kind_(Kind::Signed), i_(v ? 1 : 0) {}
  FormatArg(char c) : kind_(Kind::Signed), i_(static_cast<unsigned char>(c)) {}
  FormatArg(double v) : kind_(Kind::Double), d_(v) {}
  FormatArg(float v) : kind_(Kind::Double), d_(v) {}
  FormatArg(std::string_view s) : kind_(Kind::Text), s_(s) {}
  FormatArg(const std::string& s) : kind_(Kind::Text), s_(s) {}
  FormatArg(const char* s) : kind_(Kind::Text), s_(s ? s : "") {}

  Kind kind() const { return kind_; }
  long long AsSigned() const;
  unsigned long long AsUnsigned() const;
  double AsDouble() const;
  std::string AsText() const;
  std::string_view TextView() const { return s_; }

 private:
  Kind kind_;
  long long i_ = 0;
  unsigned long long u_ = 0;
  double d_ = 0;
  std::string_view s_;
};

std::string FormatPrintf(std::string_view format, std::initializer_list<FormatArg> args);

template <class... Args>
std::string Format(std::string_view format, const Args&... args) {
  return FormatPrintf(format, {FormatArg(args)...});
}

}  // namespace vendora
