#pragma once
// What the log viewer of the publish page does with the shop's log file; the dialog
// only shows the text and forwards the buttons.
#include <cstdint>
#include <filesystem>
#include <string>

namespace vendora {

class Prompter;

inline constexpr uint64_t kLogViewLimit = 1024 * 1024;

struct LogView {
  bool opened = false;
  std::string text;    // the whole file, or its last `limit` bytes
  std::string notice;  // set when only the tail is shown
};

// Reads the log for showing; a file larger than the limit shows only its last bytes
// (starting at a whole character) with the notice. A file that cannot be opened shows
// "Kann die Log-Datei '%s' nicht öffnen!".
LogView OpenLogView(const std::filesystem::path& file, Prompter& prompter, uint64_t limit = kLogViewLimit);

// Writes the text back in full; with `confirm` says "Die Protokolldatei '%s' wurde
// gespeichert!". False when it cannot be written (the file stays as it was).
bool SaveLogView(const std::filesystem::path& file, const std::string& text, Prompter& prompter, bool confirm = true);

// Asks, then empties the log file. True when it was emptied.
bool DeleteLogFile(const std::filesystem::path& file, Prompter& prompter);

// Closing with unsaved edits asks (Yes, No, Cancel; No preselected); Yes saves without
// the confirmation. Returns false when the viewer must stay open.
bool CloseLogView(const std::filesystem::path& file, const std::string& text, bool edited, Prompter& prompter);

}  // namespace vendora
