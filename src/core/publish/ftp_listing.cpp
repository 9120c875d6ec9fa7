#include "publish/ftp_listing.h"

#include <limits>

namespace vendora {

namespace {

bool IsWhite(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void AddDigit(uint64_t& size, char digit) {
  const uint64_t d = static_cast<uint64_t>(digit - '0');
  constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
  size = size > (kMax - d) / 10 ? kMax : size * 10 + d;
}

// Walks the fields of a listing line (a field starts at every change from white space
// to a non-blank character) and calls `inField(field, position)` for each non-blank
// character before `nameField`. Returns the position where `nameField` starts, or npos.
template <class F>
size_t WalkFields(std::string_view line, int nameField, F&& inField) {
  int field = 0;
  bool white = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (IsWhite(c)) {
      white = true;
      continue;
    }
    if (white) {
      ++field;
      white = false;
      if (field == nameField) return i;
    }
    inField(field, i);
  }
  return std::string_view::npos;
}

FtpFileEntry MakeEntry(std::string_view name, uint64_t size, bool directory) {
  FtpFileEntry e;
  e.name = std::string(name);
  e.directory = directory;
  e.size = directory ? 0 : size;
  e.dotEntry = directory && (name == "." || name == "..");
  return e;
}

// The text from the first character of field `first` to the last one of field `last`.
struct StampSpan {
  int first, last;
  size_t begin = std::string_view::npos, end = 0;
  void See(int field, size_t i) {
    if (field < first || field > last) return;
    if (begin == std::string_view::npos) begin = i;
    end = i + 1;
  }
  std::string Text(std::string_view line) const {
    return begin == std::string_view::npos ? std::string() : std::string(line.substr(begin, end - begin));
  }
};

}  // namespace

std::optional<FtpFileEntry> ParseDosListingLine(std::string_view line) {
  if (line.empty() || !IsDigit(line[0])) return std::nullopt;
  uint64_t size = 0;
  bool directory = false;
  StampSpan stamp{0, 1};
  const size_t name = WalkFields(line, 3, [&](int field, size_t i) {
    stamp.See(field, i);
    if (field != 2) return;
    if (IsDigit(line[i])) AddDigit(size, line[i]);
    else if (line[i] == '<' && line.substr(i + 1, 4) == "DIR>") directory = true;
  });
  if (name == std::string_view::npos) return std::nullopt;
  FtpFileEntry entry = MakeEntry(line.substr(name), size, directory);
  entry.stamp = stamp.Text(line);
  return entry;
}

std::optional<FtpFileEntry> ParseUnixListingLine(std::string_view line) {
  if (line.empty()) return std::nullopt;
  const char kind = line[0];
  if (kind == 'l' || kind == 'L') return std::nullopt;
  uint64_t size = 0;
  StampSpan stamp{5, 7};
  const size_t name = WalkFields(line, 8, [&](int field, size_t i) {
    stamp.See(field, i);
    if (field == 4 && IsDigit(line[i])) AddDigit(size, line[i]);
  });
  if (name == std::string_view::npos) return std::nullopt;
  FtpFileEntry entry = MakeEntry(line.substr(name), size, kind == 'd' || kind == 'D');
  entry.stamp = stamp.Text(line);
  return entry;
}

std::optional<FtpFileEntry> ParseListingLine(std::string_view line) {
  std::optional<FtpFileEntry> e = ParseDosListingLine(line);
  if (!e) e = ParseUnixListingLine(line);
  if (e && e->dotEntry) return std::nullopt;
  return e;
}

bool IsPlainRemoteName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || c == '*' || c == '?' || c == '[' || u < 0x20 || u == 0x7F) return false;
  }
  return true;
}

void ListingSplitter::Feed(std::string_view chunk) {
  for (char c : chunk) {
    if (c == '\r') continue;
    if (c == '\n') {
      if (overlong_) handler_(std::string_view(), true);
      else handler_(line_, false);
      line_.clear();
      overlong_ = false;
      continue;
    }
    if (overlong_) continue;
    if (line_.size() >= kMaxLine) {
      overlong_ = true;
      line_.clear();
      continue;
    }
    line_.push_back(c);
  }
}

void ListingSplitter::Reset() {
  line_.clear();
  overlong_ = false;
}

}  // namespace vendora
