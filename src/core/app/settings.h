#pragma once
// The program's settings and shop list, kept in an INI file with the sections and
// value names of the classic registry key ("General", "Stores.0407" ...).
#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace vendora {

// No size known yet: width and height 0, not maximised; the preview window then
// opens with its template size.
inline constexpr std::array<int, 3> kDefaultPreviewSize = {0, 0, 0};

struct AppSettings {
  std::vector<std::string> shops;  // full paths of shop database files, in list order
  int current = -1;                // index of the chosen shop, -1 for none
  bool toolTips = true;
  bool doFileLog = true;
  // Width, height and maximised flag of the preview window; it is written on every
  // save, so a size never learnt is stored as the default.
  std::array<int, 3> previewSize = kDefaultPreviewSize;
};

// "Stores.0407" for the German program.
std::string StoresSection(int languageId);

// Reads the settings. A missing or unreadable file gives the defaults. Shop entries
// that are empty or name no regular file are dropped and the gaps close; "Last"
// chooses the current shop (missing or 0 -> the first, too large -> the last).
AppSettings LoadAppSettings(const std::filesystem::path& iniFile, int languageId);

// Writes the settings, keeping every other value of the file. Surplus "Store%d"
// values of a longer earlier list are deleted. The file is replaced atomically.
// Returns false when the file cannot be written.
bool SaveAppSettings(const std::filesystem::path& iniFile, int languageId, const AppSettings& settings);

}  // namespace vendora
