// The preview: writes the preview pages of a shop and, when asked, opens them in the
// user's browser.
#include <CLI/CLI.hpp>

#include <unistd.h>

#include <filesystem>
#include <ostream>

#include "app/shop_manager.h"
#include "cli_prompter.h"
#include "command_group.h"
#include "common/clock.h"
#include "common/log.h"
#include "preview/browser_launcher.h"
#include "preview/preview_run.h"
#include "terminal_log.h"

namespace vendora {

namespace {

class PreviewCommands : public CommandGroup {
 public:
  void Register(CLI::App& app) override {
    preview_ = app.add_subcommand("preview", "Die Vorschauseiten eines Shops erzeugen");
    preview_->add_option("SHOP", path_, "Pfad der Shop-Datei")->required();
    preview_->add_flag("--open", open_, "Die Vorschau danach im Browser öffnen");
  }

  std::optional<int> Run(CliContext& c) override {
    if (!*preview_) return std::nullopt;
    ShopRun run(c);
    if (!run.Open(path_)) return 1;
    const ShopPaths& paths = run.Paths();
    const bool ok = BuildPreview(run.Database(), paths, run.log, c.prompter, run.clock);
    run.Finish();
    if (!ok) return 1;
    // The browser runs elsewhere: a shop named by a relative path still opens.
    std::error_code ec;
    const std::string frameSet = std::filesystem::absolute(PreviewFrameSet(paths), ec).string();
    c.out << frameSet << "\n";
    if (!open_) return 0;
    SystemBrowserLauncher browser(c.prompter);
    return browser.LaunchBrowser(frameSet) ? 0 : 1;
  }

 private:
  std::string path_;
  bool open_ = false;
  CLI::App* preview_ = nullptr;
};

}  // namespace

std::unique_ptr<CommandGroup> MakePreviewCommands() { return std::make_unique<PreviewCommands>(); }

}  // namespace vendora
