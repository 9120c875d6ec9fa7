// Serving: runs a generated shop on this machine until Ctrl-C.
#include <CLI/CLI.hpp>

#include <signal.h>
#include <unistd.h>

#include <ctime>
#include <ostream>

#include "app/shop_manager.h"
#include "cli_prompter.h"
#include "command_group.h"
#include "common/status.h"
#include "common/clock.h"
#include "common/log.h"
#include "serve/local_shop_server.h"
#include "terminal_log.h"

namespace vendora {

namespace {

class ServeCommands : public CommandGroup {
 public:
  void Register(CLI::App& app) override {
    serve_ = app.add_subcommand("serve", "Den erzeugten Shop lokal unter lighttpd ausprobieren (bis Strg+C)");
    serve_->add_option("SHOP", path_, "Pfad der Shop-Datei")->required();
    serve_->add_option("--port", options_.port, "Port auf 127.0.0.1 (Vorgabe: 8080 oder ein freier)")
        ->check(CLI::Range(1, 65535));
    serve_->add_option("--smtp", options_.smtpHost,
                       "Bestell-E-Mails per SMTP an HOST[:PORT] statt in den Ordner \"mail\" des Shops");
    serve_->add_flag("--force,-f", force_, "Vorher auch ohne Änderungen neu erzeugen");
  }

  std::optional<int> Run(CliContext& c) override {
    if (!*serve_) return std::nullopt;
    const ShopPaths given = DeriveShopPaths(NormalShopPath(path_));
    const bool generate = force_ || !GeneratedOutputIsCurrent(given);
    std::error_code ec;
    if (!force_ && std::filesystem::exists(given.incompleteRun, ec))
      c.out << "Die letzte Erzeugung des Shops wurde nicht vollständig beendet; er wird jetzt neu erzeugt."
            << std::endl;
    ShopRun run(c);
    if (!run.Open(path_)) return 1;
    const auto shop = PrepareServedShop(run.Database(), run.Paths(), run.log, c.prompter, run.clock, generate);
    run.Finish();
    if (!shop) return 1;

    // Ctrl-C and a plain kill are awaited here rather than ending the process, so
    // that the server and its run folder go away with it.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stopSignals, s);
    // A shell starts background jobs with Ctrl-C ignored; an ignored signal would
    // never arrive here, so it is taken back (a HUP ignored by nohup stays ignored).
    for (int s : {SIGINT, SIGTERM}) signal(s, SIG_DFL);
    // Blocked only while serving: a caller in the same process (the tests) gets its
    // signals back however this ends.
    struct MaskGuard {
      sigset_t saved;
      ~MaskGuard() { sigprocmask(SIG_SETMASK, &saved, nullptr); }
    } guard;
    sigprocmask(SIG_BLOCK, &stopSignals, &guard.saved);

    LocalShopServer server;
    if (Status started = server.Start(*shop, options_); !started.ok()) return Failed(c, started);
    c.out << "Der Shop läuft unter " << server.EntryUrl() << "\n"
          << "Bestell-E-Mails: "
          << (options_.smtpHost.empty() ? server.MailFolder().string() : "SMTP an " + options_.smtpHost) << "\n"
          << "Beenden mit Strg+C." << std::endl;
    const timespec second{1, 0};
    while (server.IsRunning()) {
      if (sigtimedwait(&stopSignals, nullptr, &second) > 0) {
        server.Stop();
        c.out << "Der Web-Server wurde beendet." << std::endl;
        return 0;
      }
    }
    c.err << "Der Web-Server hat sich unerwartet beendet.\n";
    return 1;
  }

 private:
  std::string path_;
  ServeOptions options_;
  bool force_ = false;
  CLI::App* serve_ = nullptr;
};

}  // namespace

std::unique_ptr<CommandGroup> MakeServeCommands() { return std::make_unique<ServeCommands>(); }

}  // namespace vendora
