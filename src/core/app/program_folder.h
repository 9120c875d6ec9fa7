#pragma once
// Where the program keeps its per-user data (new shops, graphic sets) and settings.
#include <filesystem>

namespace vendora {

// $VENDORA_HOME, else $XDG_DATA_HOME/Vendora, else ~/.local/share/Vendora.
std::filesystem::path ProgramFolder();
// $XDG_CONFIG_HOME/Vendora/Vendora.ini, else ~/.config/Vendora/Vendora.ini.
std::filesystem::path SettingsFilePath();
// The data that ships with the program (built-in graphic sets, the demo shop's
// pictures): $VENDORA_DATA, else the folder the program was built with.
std::filesystem::path ShippedDataFolder();

}  // namespace vendora
