#pragma once
// vendora-cli speaks German like the rest of the program: CLI11's help layout and its
// parse errors, which it only knows in English, are given German words here.
#include <string>

namespace CLI {
class App;
class Error;
}  // namespace CLI

namespace vendora {

// Call on the top-level command before any option or subcommand is added: German
// help texts, labels and group names, inherited by every subcommand added later.
void UseGermanHelp(CLI::App& app);
// Call once every subcommand is added: puts them under "Befehle" in the help.
void GroupGermanCommands(CLI::App& app);

// The German message for a parse error of `app` (the top-level command), ending in a
// line that names the help to read. Never contains CLI11's English text.
std::string GermanParseError(const CLI::Error& error, const CLI::App& app);

}  // namespace vendora
