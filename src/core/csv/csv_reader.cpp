#include "csv/csv_reader.h"

#include <csv.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <fstream>
#include <memory>

#include "common/text_format.h"
#include "common/text_util.h"
#include "common/output_file.h"

namespace vendora {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

int LineOfOffset(std::string_view text, size_t offset) {
  return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

struct ParseState {
  CsvRecord record;
  size_t fieldCount = 0;
  int line = 1;         // the line being fed
  int lastRowEnd = 0;   // line on which the last record ended
  const std::function<void(const CsvRecord&)>* onRecord = nullptr;
  // An exception must not unwind through the C library: it waits here until csv_parse
  // has returned, and no record is handed on after it.
  std::exception_ptr failure;
};

void OnField(void* data, size_t length, void* state) {
  auto& s = *static_cast<ParseState*>(state);
  if (s.failure) return;
  try {
    if (s.fieldCount == s.record.fields.size()) s.record.fields.emplace_back();
    s.record.fields[s.fieldCount++].assign(static_cast<const char*>(data), length);
  } catch (...) {
    s.failure = std::current_exception();
  }
}

void OnRecordEnd(int, void* state) {
  auto& s = *static_cast<ParseState*>(state);
  s.record.fields.resize(s.fieldCount);
  // The record ends on the line being fed; it started as many lines earlier as its
  // quoted fields hold line feeds.
  int breaks = 0;
  for (const auto& f : s.record.fields) breaks += static_cast<int>(std::count(f.begin(), f.end(), '\n'));
  s.record.line = s.line - breaks;
  s.lastRowEnd = s.line;
  s.fieldCount = 0;
  if (s.failure) return;
  try {
    (*s.onRecord)(s.record);
  } catch (...) {
    s.failure = std::current_exception();
  }
}

// The first line after `line` that holds more than blanks: where an unfinished record began.
int NextContentLine(std::string_view text, int line) {
  size_t pos = 0;
  for (int l = 1; l <= line && pos != std::string_view::npos; ++l) {
    pos = text.find('\n', pos);
    if (pos != std::string_view::npos) ++pos;
  }
  int current = line + 1;
  while (pos != std::string_view::npos && pos < text.size()) {
    const size_t end = text.find('\n', pos);
    if (!Trim(text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos)).empty())
      return current;
    pos = end == std::string_view::npos ? end : end + 1;
    ++current;
  }
  return current;
}

}  // namespace

Result<std::string> DecodeCsvBytes(std::string_view bytes, CsvEncoding& encoding) {
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    return Status::Error("Die Datei ist in UTF-16 gespeichert. Bitte speichern Sie sie als CSV in UTF-8 oder Windows-1252.");
  }
  if (bytes.find('\0') != std::string_view::npos) {
    return Status::Error("Die Datei ist keine Textdatei.");
  }
  std::string text;
  if (bytes.starts_with(kUtf8Bom)) {
    bytes.remove_prefix(kUtf8Bom.size());
    if (!IsValidUtf8(bytes)) {
      size_t i = 0;
      while (i < bytes.size() && !IsByteEscape(DecodeUtf8(bytes, i))) {
      }
      return Status::Error(Format("Die Datei ist als UTF-8 gekennzeichnet, enthält aber in Zeile %d Zeichen, die kein UTF-8 sind.",
                     LineOfOffset(bytes, i == 0 ? 0 : i - 1)));
    }
    encoding = CsvEncoding::Utf8WithBom;
    text.assign(bytes);
  } else if (IsValidUtf8(bytes)) {
    encoding = CsvEncoding::Utf8;
    text.assign(bytes);
  } else {
    encoding = CsvEncoding::Windows1252;
    text = FromCodePage(bytes);
  }
  if (Trim(text).empty()) {
    return Status::Error("Die Datei ist leer.");
  }
  return text;
}

char DetectDelimiter(std::string_view text) {
  size_t semicolons = 0, commas = 0;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    else if (!quoted && (c == '\n' || c == '\r')) break;
    else if (!quoted && c == ';') ++semicolons;
    else if (!quoted && c == ',') ++commas;
  }
  return commas > semicolons ? ',' : ';';
}

std::optional<CsvParseFailure> ParseCsv(std::string_view text, char delimiter,
                                        const std::function<void(const CsvRecord&)>& onRecord,
                                        const std::function<void(size_t, size_t)>& onProgress) {
  csv_parser parser;
  if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) return CsvParseFailure{0, "Kein Speicher für den Leser."};
  std::unique_ptr<csv_parser, void (*)(csv_parser*)> guard(&parser, csv_free);
  csv_set_delim(&parser, static_cast<unsigned char>(delimiter));
  // The buffer of a field grows by this much at a time: the default of 128 bytes would
  // copy a field of some megabytes thousands of times.
  csv_set_blk_size(&parser, 1 << 20);
  ParseState state;
  state.onRecord = &onRecord;

  constexpr size_t kProgressStep = 1 << 20;
  size_t nextProgress = kProgressStep;
  // Fed a line at a time, so that every record knows the line it ends on.
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = text.find('\n', pos);
    const size_t length = (end == std::string_view::npos ? text.size() : end + 1) - pos;
    const size_t parsed = csv_parse(&parser, text.data() + pos, length, OnField, OnRecordEnd, &state);
    if (state.failure) std::rethrow_exception(state.failure);
    if (parsed != length) {
      const int err = csv_error(&parser);
      if (err == CSV_EPARSE)
        return CsvParseFailure{state.line,
                               "Anführungszeichen sind hier nicht nach den CSV-Regeln gesetzt (ein Anführungszeichen "
                               "in einem Feld muss verdoppelt und das Feld in Anführungszeichen gesetzt werden)."};
      return CsvParseFailure{state.line, "Ein Feld ist zu groß für den Speicher."};
    }
    pos += length;
    ++state.line;
    if (onProgress && pos >= nextProgress) {
      onProgress(pos, text.size());
      nextProgress = pos + kProgressStep;
    }
  }
  --state.line;  // the last line fed
  const int finished = csv_fini(&parser, OnField, OnRecordEnd, &state);
  if (state.failure) std::rethrow_exception(state.failure);
  if (finished != 0) {
    return CsvParseFailure{NextContentLine(text, state.lastRowEnd),
                           "Ein Anführungszeichen wird bis zum Ende der Datei nicht geschlossen."};
  }
  if (onProgress) onProgress(text.size(), text.size());
  return std::nullopt;
}

Result<std::string> ReadCsvFile(const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    return Status::Error(Format("Die Datei \"%s\" ist nicht vorhanden.", file.string()));
  }
  const uint64_t size = std::filesystem::file_size(file, ec);
  if (!ec && size > kMaxCsvFileBytes) {
    return Status::Error(Format("Die Datei \"%s\" ist mit %d MB zu groß (höchstens %d MB).", file.string(),
                   static_cast<long long>(size >> 20), static_cast<long long>(kMaxCsvFileBytes >> 20)));
  }
  std::ifstream in(file, std::ios::binary);
  std::string bytes(ec ? 0 : size, '\0');
  if (!in || !in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
    return Status::Error(Format("Die Datei \"%s\" kann nicht gelesen werden.", file.string()));
  }
  return bytes;
}

}  // namespace vendora
