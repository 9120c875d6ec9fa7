#pragma once
// One group of vendora-cli's commands (shops, pictures, generation, ...). A group adds
// its subcommands to the parser and, after parsing, runs the one that was chosen.
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <vector>

namespace CLI {
class App;
}

namespace vendora {

class CliPrompter;
class ShopManager;
class Status;

// What every command may use: the streams, the answers to questions, the shop list.
struct CliContext {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  bool inputIsTerminal;
  CliPrompter& prompter;
  ShopManager& manager;
  std::filesystem::path settingsFile;

  // Writes the shop list back; prints the failure and returns false when it cannot.
  bool SaveSettings();
};

// The one way a command reports a failure the core gives back: its German message on
// stderr, exit code 1.
int Failed(CliContext& context, const Status& failure);

class CommandGroup {
 public:
  virtual ~CommandGroup() = default;
  // Adds the group's subcommands; the options are bound to the group's own members.
  virtual void Register(CLI::App& app) = 0;
  // Runs the chosen command of this group and returns its exit code, or nothing when
  // none of the group's commands was chosen. Database errors propagate as DbError.
  virtual std::optional<int> Run(CliContext& context) = 0;
};

std::unique_ptr<CommandGroup> MakeShopCommands();
std::unique_ptr<CommandGroup> MakeImageCommands();
std::unique_ptr<CommandGroup> MakeGenerateCommands();
std::unique_ptr<CommandGroup> MakePreviewCommands();
std::unique_ptr<CommandGroup> MakePublishCommands();
std::unique_ptr<CommandGroup> MakeServeCommands();
std::unique_ptr<CommandGroup> MakeCatalogueCommands();

}  // namespace vendora
