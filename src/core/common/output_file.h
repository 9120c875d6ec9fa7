#pragma once
// Generated text files. Texts are UTF-8 inside the program; every generated file is
// written in the shop's 8-bit code page (Windows-1252) by this one encoder, and a
// character the code page lacks becomes an HTML numeric reference ("&#8364;" style),
// never dropped or replaced. Writes go through a 4096-byte buffer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace vendora {

class GenerationLog;
class Prompter;

// UTF-8 (decoded strictly) to Windows-1252. Bytes that are not valid UTF-8 are taken
// as they are.
std::string ToCodePage(std::string_view utf8);
// Windows-1252 to UTF-8 (files merchants bring in). The five bytes the code page leaves
// undefined become the control characters of the same number.
std::string FromCodePage(std::string_view bytes);

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates (or truncates) the file; false with the system's error in `error`.
  bool Create(const std::filesystem::path& path, std::error_code& error);
  // Appends text, encoded to the code page.
  void Write(std::string_view utf8);
  // Appends bytes as they are.
  void WriteBytes(std::string_view bytes);
  // Flushes and closes; false when anything could not be written.
  bool Close();
  bool IsOpen() const { return file_ != nullptr; }
  // Bytes written so far.
  uint64_t Size() const { return size_; }

 private:
  void Flush();

  std::FILE* file_ = nullptr;
  std::string buffer_;
  uint64_t size_ = 0;
  bool failed_ = false;
};

// Creates a generated file; when it cannot be created, logs "Die Datei \"%s\" konnte
// nicht erstellt werden." with `displayName` and "Grund: %s (Fehlernummer: %d).", shows
// both lines with the stop icon (when a prompter is given) and returns false.
bool CreateGeneratedFile(OutputFile& file, const std::filesystem::path& path, std::string_view displayName,
                         GenerationLog& log, Prompter* prompter);

// Own wording: a generated file whose bytes did not all reach the disk.
inline constexpr std::string_view kFileIncomplete = "Die Datei \"%s\" konnte nicht vollständig geschrieben werden.";

// Closes a generated file; when anything could not be written, logs kFileIncomplete
// with `displayName` and returns false, so that a truncated file is never published.
bool FinishGeneratedFile(OutputFile& file, std::string_view displayName, GenerationLog& log);

// A German text for a system error number (the generic text for others).
std::string SystemErrorText(const std::error_code& error);

}  // namespace vendora
