#pragma once
// Where the program keeps its per-user data (new shops, graphic sets) and settings.
#include <filesystem>

namespace vendora {

// $VENDORA_HOME, else $XDG_DATA_HOME/Vendora, else ~/.local/share/Vendora.
std::filesystem::path ProgramFolder();
// $XDG_CONFIG_HOME/Vendora/Vendora.ini, else ~/.config/Vendora/Vendora.ini.
std::filesystem::path SettingsFilePath();
// The data that ships with the program (built-in graphic sets, the demo shop's
// pictures): $VENDORA_DATA;
// else share/vendora beside the installed program (<prefix>/bin/.. as the FHS lays it
// out); else the resources of the source tree the program was built from, so that a
// program run from its build folder finds them too.
std::filesystem::path DataFolder();

}  // namespace vendora
