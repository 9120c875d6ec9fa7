#include "app/program_folder.h"

#include <cstdlib>
#include <system_error>

#ifndef VENDORA_DATA_DIR
#define VENDORA_DATA_DIR "resources"
#endif

#ifndef VENDORA_DATA_DIR
#define VENDORA_DATA_DIR "resources"
#endif

namespace vendora {
namespace {

std::filesystem::path FromEnv(const char* name) {
  const char* v = std::getenv(name);
  return v && *v ? std::filesystem::path(v) : std::filesystem::path();
}

std::filesystem::path Home() {
  std::filesystem::path home = FromEnv("HOME");
  return home.empty() ? std::filesystem::current_path() : home;
}

}  // namespace

std::filesystem::path ProgramFolder() {
  if (auto p = FromEnv("VENDORA_HOME"); !p.empty()) return p;
  if (auto p = FromEnv("XDG_DATA_HOME"); !p.empty()) return p / "Vendora";
  return Home() / ".local" / "share" / "Vendora";
}

std::filesystem::path SettingsFilePath() {
  std::filesystem::path base = FromEnv("XDG_CONFIG_HOME");
  if (base.empty()) base = Home() / ".config";
  return base / "Vendora" / "Vendora.ini";
}

std::filesystem::path DataFolder() {
  if (auto p = FromEnv("VENDORA_DATA"); !p.empty()) return p;
  std::error_code ec;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const std::filesystem::path installed = program.parent_path().parent_path() / "share" / "vendora";
    if (std::filesystem::is_directory(installed / "GraphicSets", ec)) return installed;
  }
  return VENDORA_DATA_DIR;
}

}  // namespace vendora
