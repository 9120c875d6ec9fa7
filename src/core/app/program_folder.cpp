#include "app/program_folder.h"

#include <cstdlib>

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

std::filesystem::path ShippedDataFolder() {
  if (auto p = FromEnv("VENDORA_DATA"); !p.empty()) return p;
  return VENDORA_DATA_DIR;
}

std::filesystem::path SettingsFilePath() {
  std::filesystem::path base = FromEnv("XDG_CONFIG_HOME");
  if (base.empty()) base = Home() / ".config";
  return base / "Vendora" / "Vendora.ini";
}

}  // namespace vendora
