#pragma once
// Remote directory listings: the entry of one file, the two listing styles servers
// send (DOS and UNIX), and the splitter that assembles listing lines across the
// chunks of a data connection.
//
// Everything here reads what a server sent, so nothing trusts it: sizes saturate
// instead of overflowing, a line is bounded, and a name is only used as a file of its
// own folder when IsPlainRemoteName says so.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vendora {

struct FtpFileEntry {
  // Remote entries: the bare file name. Local entries: the path relative to the shop
  // folder ("imgs/logo.gif").
  std::string name;
  uint64_t size = 0;        // bytes; 0 for directories
  std::time_t time = 0;     // last-write time; local entries only
  bool directory = false;
  bool dotEntry = false;    // a directory named exactly "." or ".."
  // Remote entries: the date and time fields of the listing line as the server wrote
  // them ("Jan  1 12:00", "12-31-99  11:15PM"); compared as text, never interpreted.
  std::string stamp;
};

// A remote listing keyed by bare file name; a later entry of the same name replaces
// the earlier one.
using FtpListing = std::map<std::string, FtpFileEntry>;

// "12-31-99  11:15PM  <DIR>  imgs" or "... 1234 my file.txt": the line begins with a
// digit; field 2 holds the size or "<DIR>", the name runs from field 3 to the end of
// the line, blanks included. Nullopt when there is no field 3.
std::optional<FtpFileEntry> ParseDosListingLine(std::string_view line);
// "-rw-r--r-- 1 user group 5120 Jan 1 12:00 b12.jpg": "d" marks a directory, field 4
// is the size, the name runs from field 8 to the end of the line. Nullopt for symbolic
// links and lines without field 8 ("total 8").
std::optional<FtpFileEntry> ParseUnixListingLine(std::string_view line);
// DOS style first, then UNIX style; the directories "." and ".." give nullopt.
std::optional<FtpFileEntry> ParseListingLine(std::string_view line);

// A name that stands for one file inside the listed folder: not empty, not "." or
// "..", no "/" or "\", no control character, and none of the wildcards "*", "?" and
// "[" that some servers expand in DELE. Only such names are ever deleted.
bool IsPlainRemoteName(std::string_view name);

// Cuts received bytes into lines: CR is dropped, LF ends a line, a partial line waits
// for the next chunk and a last line without LF is never handed on. A line longer
// than kMaxLine is not cut into a wrong name: it is handed on once, empty, with
// `overlong` set.
class ListingSplitter {
 public:
  static constexpr size_t kMaxLine = 8 * 1024;
  using LineHandler = std::function<void(std::string_view line, bool overlong)>;

  explicit ListingSplitter(LineHandler handler) : handler_(std::move(handler)) {}
  void Feed(std::string_view chunk);
  void Reset();

 private:
  LineHandler handler_;
  std::string line_;
  bool overlong_ = false;
};

}  // namespace vendora
