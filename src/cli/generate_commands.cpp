// Generating: the generation run.
#include <CLI/CLI.hpp>

#include <unistd.h>

#include <ostream>

#include "app/shop_manager.h"
#include "cli_prompter.h"
#include "command_group.h"
#include "common/clock.h"
#include "common/program_text.h"
#include "common/text_format.h"
#include "generator/generation.h"
#include "shopdb/changed_flag.h"
#include "shopdb/db_error.h"
#include "terminal_log.h"

namespace vendora {

namespace fs = std::filesystem;

namespace {

class GenerateCommands : public CommandGroup {
 public:
  void Register(CLI::App& app) override {
    generate_ = app.add_subcommand("generate", "Den Web-Shop eines Shops erzeugen");
    generate_->add_option("SHOP", path_, "Pfad der Shop-Datei")->required();
    generate_->add_flag("--force,-f", force_, "Auch ohne Änderungen neu erzeugen");
  }

  std::optional<int> Run(CliContext& c) override {
    if (*generate_) return Generate(c);
    return std::nullopt;
  }

 private:
  int Generate(CliContext& c) {
    ShopRun run(c);
    if (!run.Open(path_)) return 1;
    ShopGenerator generator(run.Database(), run.Paths(), run.log, c.prompter, run.clock);
    if (force_) SetDatabaseChanged(true);
    const bool ok = generator.Start();
    run.Finish();
    return ok ? 0 : 1;
  }

  std::string path_;
  bool force_ = false;
  CLI::App* generate_ = nullptr;
};

}  // namespace

std::unique_ptr<CommandGroup> MakeGenerateCommands() { return std::make_unique<GenerateCommands>(); }

}  // namespace vendora
