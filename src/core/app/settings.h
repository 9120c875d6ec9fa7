#pragma once
// The program's settings and shop list, kept in an INI file with the sections and
// value names of the classic registry key ("General", "Stores.0407" ...).
#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vendora {

struct AppSettings {
  std::vector<std::string> shops;  // full paths of shop database files, in list order
  int current = -1;                // index of the chosen shop, -1 for none
  bool toolTips = true;
  bool doFileLog = true;
  std::optional<std::array<int, 3>> previewSize;
};

// "Stores.0407" for the German program.
std::string StoresSection(int languageId);

// Reads the settings. A missing or unreadable file gives the defaults. Shop entries
// that are empty or whose file does not exist are dropped and the gaps close; "Last"
// chooses the current shop (missing or 0 -> the first, too large -> the last).
AppSettings LoadAppSettings(const std::filesystem::path& iniFile, int languageId);

// Writes the settings, keeping every other value of the file. Surplus "Store%d"
// values of a longer earlier list are deleted. The file is replaced atomically.
// Returns false when the file cannot be written.
bool SaveAppSettings(const std::filesystem::path& iniFile, int languageId, const AppSettings& settings);

}  // namespace vendora
