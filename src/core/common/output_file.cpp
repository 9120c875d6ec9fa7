#include "common/output_file.h"

#include <algorithm>
#include <array>
#include <cerrno>

#include "common/program_text.h"
#include "common/text_util.h"
#include "common/prompter.h"
#include "common/log.h"

namespace vendora {
namespace {

// Windows-1252 bytes 0x80..0x9F; 0 where the code page has no character.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int CodePageByte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (size_t i = 0; i < kHighControls.size(); ++i)
    if (kHighControls[i] == c && c != 0) return static_cast<int>(0x80 + i);
  return -1;
}

}  // namespace

std::string ToCodePage(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {  // the same byte in both
      out.push_back(s[i++]);
      continue;
    }
    const char32_t c = DecodeUtf8(s, i);
    // A byte that is not UTF-8 is kept as the byte it is: it is 0x80 or above, so it
    // can never become a separator or a line end.
    if (IsByteEscape(c)) {
      out.push_back(static_cast<char>(c - kByteEscapeBase));
      continue;
    }
    const int byte = CodePageByte(c);
    if (byte >= 0) out.push_back(static_cast<char>(byte));
    else out += "&#" + std::to_string(static_cast<uint32_t>(c)) + ";";
  }
  return out;
}

OutputFile::~OutputFile() {
  if (file_) Close();
}

bool OutputFile::Create(const std::filesystem::path& path, std::error_code& error) {
  if (file_) Close();
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) {
    error = std::error_code(errno, std::generic_category());
    return false;
  }
  buffer_.clear();
  buffer_.reserve(4096);
  size_ = 0;
  failed_ = false;
  return true;
}

void OutputFile::Write(std::string_view utf8) {
  // Plain ASCII, most of a catalogue, is the same in the code page: no copy needed.
  if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    WriteBytes(utf8);
  else
    WriteBytes(ToCodePage(utf8));
}

void OutputFile::WriteBytes(std::string_view bytes) {
  if (!file_) return;
  size_ += bytes.size();
  while (!bytes.empty()) {
    const size_t room = 4096 - buffer_.size();
    const size_t n = std::min(room, bytes.size());
    buffer_.append(bytes.substr(0, n));
    bytes.remove_prefix(n);
    if (buffer_.size() == 4096) Flush();
  }
}

void OutputFile::Flush() {
  if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) failed_ = true;
  buffer_.clear();
}

bool OutputFile::Close() {
  if (!file_) return false;
  Flush();
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

std::string FromCodePage(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (char b : bytes) {
    const auto byte = static_cast<unsigned char>(b);
    char32_t c = byte;
    if (byte >= 0x80 && byte < 0xA0 && kHighControls[byte - 0x80] != 0) c = kHighControls[byte - 0x80];
    AppendUtf8(out, c);
  }
  return out;
}

std::string SystemErrorText(const std::error_code& error) {
  switch (error.value()) {
    case ENOENT: return "Der Pfad wurde nicht gefunden.";
    case EACCES:
    case EPERM: return "Zugriff verweigert.";
    case EISDIR: return "Unter diesem Namen besteht ein Verzeichnis.";
    case ENOTDIR: return "Ein Teil des Pfades ist kein Verzeichnis.";
    case ENOSPC: return "Auf dem Datenträger ist kein Platz mehr.";
    case EROFS: return "Der Datenträger ist schreibgeschützt.";
    case EMFILE:
    case ENFILE: return "Zu viele geöffnete Dateien.";
    default: return "Unbekannter Fehler (" + error.message() + ").";
  }
}

bool CreateGeneratedFile(OutputFile& file, const std::filesystem::path& path, std::string_view displayName,
                         GenerationLog& log, Prompter* prompter) {
  std::error_code error;
  if (file.Create(path, error)) return true;
  const std::string first = FormatProgramText(text::kFileNotCreated, displayName);
  const std::string second = FormatProgramText(text::kFileErrorReason, SystemErrorText(error), error.value());
  log.Log(first);
  log.Log(second);
  if (prompter) prompter->Show(first + "\n" + second, MessageIcon::Stop);
  return false;
}

bool FinishGeneratedFile(OutputFile& file, std::string_view displayName, GenerationLog& log) {
  if (file.Close()) return true;
  log.Log(Format(kFileIncomplete, displayName));
  return false;
}

}  // namespace vendora
