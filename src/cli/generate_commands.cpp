// Generating: the demo shop and the generation run.
#include <CLI/CLI.hpp>

#include <unistd.h>

#include <ostream>

#include "app/demo_shop.h"
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
    demo_ = app.add_subcommand("demo", "Einen vollständigen Demo-Shop anlegen");
    demo_->add_option("DIR", path_, "Ordner des Demo-Shops")->required();
    demo_->add_option("--products", products_, "Anzahl der Produkte")->check(CLI::Range(1, 1000000));
  }

  std::optional<int> Run(CliContext& c) override {
    if (*demo_) return Demo(c);
    if (*generate_) return Generate(c);
    return std::nullopt;
  }

 private:
  int Demo(CliContext& c) {
    // An existing demo shop may hold the merchant's trials: replaced only when confirmed.
    std::error_code ec;
    if (fs::exists(fs::path(path_) / "Demoshop.mdb", ec) &&
        c.prompter.AskYesNo(Format(texts::kDemoShopExists, path_), Answer::No) != Answer::Yes)
      return 1;
    DemoShopOptions demoOptions;
    demoOptions.products = products_;
    try {
      const fs::path database = CreateDemoShop(path_, demoOptions);
      c.out << Format(texts::kDemoShopCreated, database.string()) << "\n";
      return 0;
    } catch (const DbError&) {
      throw;
    } catch (const std::exception& e) {
      c.err << Format(texts::kDemoShopFailed, e.what()) << "\n";
      return 1;
    }
  }

  int Generate(CliContext& c) {
    ShopManager& manager = c.manager;
    if (!manager.OpenShopDatabase(path_)) return 1;
    GenerationLog log;
    TerminalLog terminal(c.err, isatty(2) != 0);
    log.AddSink(&terminal);
    log.AddProgress(&terminal);
    const ShopPaths shopPaths = DeriveShopPaths(manager.Database().Path());
    log.SetFileLog(manager.Settings().doFileLog, shopPaths.logFile);
    SystemClock clock;
    ShopGenerator generator(manager.Database(), shopPaths, log, c.prompter, clock);
    if (force_) SetDatabaseChanged(true);
    const bool ok = generator.Start();
    terminal.Finish();
    return ok ? 0 : 1;
  }

  std::string path_;
  bool force_ = false;
  int products_ = DemoShopOptions().products;
  CLI::App *generate_ = nullptr, *demo_ = nullptr;
};

}  // namespace

std::unique_ptr<CommandGroup> MakeGenerateCommands() { return std::make_unique<GenerateCommands>(); }

}  // namespace vendora
