#include "app/settings.h"

// Settings are UTF-8 throughout; no wide-character conversion is needed.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "common/file_write.h"
#include "common/text_format.h"
#include "common/text_util.h"

namespace vendora {

namespace fs = std::filesystem;

namespace {

constexpr const char* kGeneral = "General";

void LoadIni(CSimpleIniA& ini, const fs::path& file) {
  ini.SetUnicode(true);
  std::error_code ec;
  if (fs::is_regular_file(file, ec)) ini.LoadFile(file.c_str());
}

std::optional<std::array<int, 3>> ParseTriple(const char* text) {
  if (!text) return std::nullopt;
  std::array<int, 3> v{};
  std::string_view s(text);
  for (int i = 0; i < 3; ++i) {
    s = Trim(s);
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v[i]);
    if (ec != std::errc()) return std::nullopt;
    s = Trim(s.substr(static_cast<size_t>(p - s.data())));
    if (i < 2) {
      if (s.empty() || s.front() != ',') return std::nullopt;
      s.remove_prefix(1);
    }
  }
  if (!Trim(s).empty()) return std::nullopt;
  return v;
}

// The "StoreN" values present with 1 <= N <= `limit`, ordered by N. Loading and saving
// walk these instead of counting up to "Number", which a damaged file may set to
// billions.
std::vector<std::pair<long, std::string>> StoreEntries(const CSimpleIniA& ini, const std::string& section, long limit) {
  CSimpleIniA::TNamesDepend keys;
  ini.GetAllKeys(section.c_str(), keys);
  std::vector<std::pair<long, std::string>> entries;
  for (const auto& k : keys) {
    std::string_view name(k.pItem);
    if (name.size() <= 5 || !EqualsNoCase(name.substr(0, 5), "Store")) continue;
    long n = 0;
    auto [p, ec] = std::from_chars(name.data() + 5, name.data() + name.size(), n);
    if (ec != std::errc() || p != name.data() + name.size() || n < 1 || n > limit) continue;
    entries.emplace_back(n, std::string(name));
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

}  // namespace

std::string StoresSection(int languageId) { return Format("Stores.%04x", languageId); }

AppSettings LoadAppSettings(const fs::path& iniFile, int languageId) {
  CSimpleIniA ini;
  LoadIni(ini, iniFile);
  AppSettings s;
  const std::string section = StoresSection(languageId);
  const long number = ini.GetLongValue(section.c_str(), "Number", 0);
  for (const auto& [n, key] : StoreEntries(ini, section, number)) {
    const char* value = ini.GetValue(section.c_str(), key.c_str(), nullptr);
    if (!value) continue;
    std::string path(Trim(value));
    std::error_code ec;
    // A folder under a shop's name is no shop; it would only fail on opening.
    if (path.empty() || !fs::is_regular_file(path, ec)) continue;
    s.shops.push_back(std::move(path));
  }
  long last = ini.GetLongValue(section.c_str(), "Last", 0) - 1;
  const long count = static_cast<long>(s.shops.size());
  if (last >= count) last = count - 1;
  if (count > 0 && last < 0) last = 0;
  s.current = static_cast<int>(last);

  s.toolTips = ini.GetLongValue(kGeneral, "ToolTips", 1) > 0;
  s.doFileLog = ini.GetLongValue(kGeneral, "DoFileLog", 1) > 0;
  if (auto triple = ParseTriple(ini.GetValue(kGeneral, "PreviewSize", nullptr))) s.previewSize = *triple;
  return s;
}

bool SaveAppSettings(const fs::path& iniFile, int languageId, const AppSettings& s) {
  CSimpleIniA ini;
  LoadIni(ini, iniFile);
  const std::string section = StoresSection(languageId);

  ini.SetLongValue(kGeneral, "ToolTips", s.toolTips ? 1 : 0);
  ini.SetLongValue(kGeneral, "DoFileLog", s.doFileLog ? 1 : 0);

  const long count = static_cast<long>(s.shops.size());
  const long stored = ini.GetLongValue(section.c_str(), "Number", 0);
  for (const auto& [n, key] : StoreEntries(ini, section, stored))
    if (n > count) ini.Delete(section.c_str(), key.c_str());
  if (count == 0) {
    ini.Delete(section.c_str(), "Number");
  } else {
    ini.SetLongValue(section.c_str(), "Number", count);
    for (long i = 0; i < count; ++i)
      ini.SetValue(section.c_str(), Format("Store%d", i + 1).c_str(), s.shops[static_cast<size_t>(i)].c_str());
  }
  long index = s.current >= count ? count - 1 : s.current;
  if (index >= 0) ini.SetLongValue(section.c_str(), "Last", index + 1);
  else ini.Delete(section.c_str(), "Last");

  const auto& p = s.previewSize;
  ini.SetValue(kGeneral, "PreviewSize", Format("%d,%d,%d", p[0], p[1], p[2]).c_str());

  std::string text;
  if (ini.Save(text) < 0) return false;
  std::error_code ec;
  fs::create_directories(iniFile.parent_path(), ec);
  return ReplaceFileContent(iniFile, text);
}

}  // namespace vendora
