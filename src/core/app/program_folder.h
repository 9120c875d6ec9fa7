#pragma once
// Where the program keeps its per-user data (new shops, graphic sets) and settings.
#include <filesystem>

namespace vendora {

// $VENDORA_HOME, else $XDG_DATA_HOME/Vendora, else ~/.local/share/Vendora.
std::filesystem::path ProgramFolder();
// $XDG_CONFIG_HOME/Vendora/Vendora.ini, else ~/.config/Vendora/Vendora.ini.
std::filesystem::path SettingsFilePath();

}  // namespace vendora
