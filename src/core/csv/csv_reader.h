#pragma once
// Reading a CSV file written by this program, a spreadsheet or another shop system.
// The records are read by libcsv in strict mode (RFC 4180 quoting; line breaks inside
// quoted fields are kept); blanks around unquoted fields are dropped.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/status.h"

namespace vendora {

enum class CsvEncoding { Utf8WithBom, Utf8, Windows1252 };

// The file's text as UTF-8: with a byte-order mark it must be UTF-8; without one it is
// UTF-8 when every byte sequence is valid UTF-8, else Windows-1252. Fails with a
// German reason for an empty file, a file with zero bytes (not text, or
// UTF-16) or a marked file with invalid UTF-8.
Result<std::string> DecodeCsvBytes(std::string_view bytes, CsvEncoding& encoding);

// Semicolon (as German spreadsheets write it) or comma: whichever the first record
// has more of outside quotes; a semicolon when it has neither.
char DetectDelimiter(std::string_view text);

// A record and the line of the text on which it starts (the first line is 1).
struct CsvRecord {
  int line = 0;
  std::vector<std::string> fields;
};

struct CsvParseFailure {
  int line = 0;
  std::string reason;  // German
};

// Calls onRecord for every record in order (empty lines are no records) and
// onProgress(bytes read, total) now and then. What onRecord throws ends the reading and
// is thrown on. Returns the failure that ended reading
// early (quoting that breaks the rules, a quote still open at the end), or nullopt.
std::optional<CsvParseFailure> ParseCsv(std::string_view text, char delimiter,
                                        const std::function<void(const CsvRecord&)>& onRecord,
                                        const std::function<void(size_t, size_t)>& onProgress = {});

// Largest file read: the whole text is held in memory while it is imported.
inline constexpr uint64_t kMaxCsvFileBytes = uint64_t{1} << 30;

// Reads the file's bytes; fails with a German reason when it cannot be read or is too big.
Result<std::string> ReadCsvFile(const std::filesystem::path& file);

}  // namespace vendora
