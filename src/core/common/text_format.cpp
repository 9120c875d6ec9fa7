#include "common/text_format.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <vector>

namespace vendora {

long long FormatArg::AsSigned() const {
  switch (kind_) {
    case Kind::Signed: return i_;
    case Kind::Unsigned: return static_cast<long long>(u_);
    case Kind::Double: return static_cast<long long>(d_);
    case Kind::Text: {
      long long v = 0;
      std::from_chars(s_.data(), s_.data() + s_.size(), v);
      return v;
    }
  }
  return 0;
}

unsigned long long FormatArg::AsUnsigned() const {
  if (kind_ == Kind::Unsigned) return u_;
  return static_cast<unsigned long long>(AsSigned());
}

double FormatArg::AsDouble() const {
  switch (kind_) {
    case Kind::Signed: return static_cast<double>(i_);
    case Kind::Unsigned: return static_cast<double>(u_);
    case Kind::Double: return d_;
    case Kind::Text: {
      double v = 0;
      std::from_chars(s_.data(), s_.data() + s_.size(), v);
      return v;
    }
  }
  return 0;
}

std::string FormatArg::AsText() const {
  switch (kind_) {
    case Kind::Signed: return std::to_string(i_);
    case Kind::Unsigned: return std::to_string(u_);
    case Kind::Double: {
      char buf[64];
      auto r = std::to_chars(buf, buf + sizeof buf, d_);
      return std::string(buf, r.ptr);
    }
    case Kind::Text: return std::string(s_);
  }
  return {};
}

namespace {

// The "C" locale for this thread only while one conversion runs: uselocale() is
// per thread, so a GUI thread under a German locale is not disturbed.
class CLocaleScope {
 public:
  CLocaleScope() {
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    previous_ = uselocale(cLocale);
  }
  ~CLocaleScope() { uselocale(previous_); }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  locale_t previous_;
};

template <class T>
void AppendSnprintf(std::string& out, const std::string& conversion, T value) {
  CLocaleScope scope;
  char buf[128];
  int n = std::snprintf(buf, sizeof buf, conversion.c_str(), value);
  if (n < 0) return;
  if (static_cast<size_t>(n) < sizeof buf) {
    out.append(buf, static_cast<size_t>(n));
    return;
  }
  std::vector<char> big(static_cast<size_t>(n) + 1);
  std::snprintf(big.data(), big.size(), conversion.c_str(), value);
  out.append(big.data(), static_cast<size_t>(n));
}

}  // namespace

std::string FormatPrintf(std::string_view format, std::initializer_list<FormatArg> args) {
  std::string out;
  out.reserve(format.size() + 16);
  const FormatArg* next = args.begin();
  const FormatArg* end = args.end();
  auto take = [&]() -> const FormatArg* { return next != end ? next++ : nullptr; };

  size_t i = 0;
  while (i < format.size()) {
    char c = format[i];
    if (c != '%') {
      out.push_back(c);
      ++i;
      continue;
    }
    size_t start = i++;
    if (i < format.size() && format[i] == '%') {
      out.push_back('%');
      ++i;
      continue;
    }
    std::string flags;
    while (i < format.size() && std::string_view("-+ #0").find(format[i]) != std::string_view::npos)
      flags.push_back(format[i++]);
    int width = -1;
    bool leftFromStar = false;
    if (i < format.size() && format[i] == '*') {
      const FormatArg* a = take();
      long long w = a ? a->AsSigned() : 0;
      if (w < 0) {
        leftFromStar = true;
        w = -w;
      }
      width = static_cast<int>(w > 4096 ? 4096 : w);
      ++i;
    } else {
      int w = 0;
      bool any = false;
      while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
        w = std::min(w * 10 + (format[i++] - '0'), 4096);
        any = true;
      }
      if (any) width = w;
    }
    if (leftFromStar) flags.push_back('-');
    int precision = -1;
    if (i < format.size() && format[i] == '.') {
      ++i;
      if (i < format.size() && format[i] == '*') {
        const FormatArg* a = take();
        long long p = a ? a->AsSigned() : 0;
        precision = p < 0 ? -1 : static_cast<int>(p > 4096 ? 4096 : p);
        ++i;
      } else {
        int p = 0;
        while (i < format.size() && format[i] >= '0' && format[i] <= '9')
          p = std::min(p * 10 + (format[i++] - '0'), 4096);
        precision = p;
      }
    }
    while (i < format.size() && std::string_view("hlLqjzt").find(format[i]) != std::string_view::npos) ++i;
    if (i >= format.size()) {
      // A lone conversion start at the end is written as it stands.
      out.append(format.substr(start));
      break;
    }
    char conv = format[i++];
    // The plain conversions of the data files, without building a printf call.
    if (flags.empty() && width < 0) {
      if ((conv == 'd' || conv == 'i') && precision < 0) {
        const FormatArg* a = take();
        char buf[24];
        const auto r = std::to_chars(buf, buf + sizeof buf, a ? a->AsSigned() : 0LL);
        out.append(buf, r.ptr);
        continue;
      }
      if (conv == 's' && precision < 0) {
        const FormatArg* a = take();
        if (a && a->kind() == FormatArg::Kind::Text) out += a->TextView();
        else if (a) out += a->AsText();
        continue;
      }
      if (conv == 'f' && precision >= 0 && precision <= 20) {
        const FormatArg* a = take();
        const double value = a ? a->AsDouble() : 0.0;
        char buf[400];
        if (std::isfinite(value) && std::fabs(value) < 1e300) {
          // As printf in the "C" locale: correctly rounded, decimal point.
          const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, precision);
          if (r.ec == std::errc()) {
            out.append(buf, r.ptr);
            continue;
          }
        }
        AppendSnprintf(out, "%." + std::to_string(precision) + "f", value);
        continue;
      }
    }
    std::string conversion = "%" + flags;
    if (width >= 0) conversion += std::to_string(width);
    if (precision >= 0) conversion += "." + std::to_string(precision);

    const FormatArg* a = nullptr;
    switch (conv) {
      case 'd':
      case 'i':
        a = take();
        AppendSnprintf(out, conversion + "lld", a ? a->AsSigned() : 0LL);
        break;
      case 'u':
      case 'x':
      case 'X':
      case 'o':
        a = take();
        AppendSnprintf(out, conversion + "ll" + conv, a ? a->AsUnsigned() : 0ULL);
        break;
      case 'c':
        a = take();
        AppendSnprintf(out, conversion + "c", static_cast<int>(a ? a->AsSigned() : 0));
        break;
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
      case 'a':
      case 'A':
        a = take();
        AppendSnprintf(out, conversion + conv, a ? a->AsDouble() : 0.0);
        break;
      case 's': {
        a = take();
        std::string text = a ? a->AsText() : std::string();
        if (precision >= 0 && static_cast<size_t>(precision) < text.size()) text.resize(precision);
        size_t pad = width > 0 && static_cast<size_t>(width) > text.size() ? width - text.size() : 0;
        bool left = flags.find('-') != std::string::npos;
        if (!left) out.append(pad, ' ');
        out += text;
        if (left) out.append(pad, ' ');
        break;
      }
      default:
        // Unknown conversion: keep the text, so a stray '%' in a message stays visible.
        out.append(format.substr(start, i - start));
        break;
    }
  }
  return out;
}

}  // namespace vendora
