// Publishing: the upload of the generated shop to its FTP server, or a dry run of it.
#include <CLI/CLI.hpp>

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <mutex>
#include <optional>
#include <ostream>
#include <thread>

#include "app/shop_manager.h"
#include "cli_prompter.h"
#include "command_group.h"
#include "common/clock.h"
#include "common/program_text.h"
#include "common/text_format.h"
#include "generator/generation.h"
#include "preview/browser_launcher.h"
#include "common/fingerprint.h"
#include "publish/transfer_texts.h"
#include "publish/ftp_tls.h"
#include "publish/shop_script_writer.h"
#include "publish/upload_driver.h"
#include "terminal_log.h"

namespace vendora {

namespace fs = std::filesystem;

namespace {

volatile std::sig_atomic_t interrupted = 0;
extern "C" void OnInterrupt(int) { interrupted = 1; }

// Ctrl-C while the upload runs aborts it after the current chunk; a second Ctrl-C
// ends the program as usual.
class InterruptGuard {
 public:
  InterruptGuard() {
    interrupted = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous_);
  }
  ~InterruptGuard() { sigaction(SIGINT, &previous_, nullptr); }
  bool Interrupted() const { return interrupted != 0; }

 private:
  struct sigaction previous_ {};
};

// The worker's reports, kept until the worker has ended and then handled on this
// thread, as the desktop program handles them on its interface thread.
class QueuedObserver : public UploadObserver {
 public:
  void UpdateLastFtp(std::time_t lastTransfer) override {
    std::lock_guard lock(mutex_);
    lastTransfer_ = lastTransfer;
  }
  void BrowseNewShop(const std::string& url) override {
    std::lock_guard lock(mutex_);
    url_ = url;
  }
  void EnableGenerate(bool) override {}
  void CertificateNotTrusted(const UntrustedCertificate& certificate) override {
    std::lock_guard lock(mutex_);
    certificate_ = certificate;
  }

  std::optional<std::time_t> TakeLastTransfer() { return Take(lastTransfer_); }
  std::optional<std::string> TakeUrl() { return Take(url_); }
  std::optional<UntrustedCertificate> TakeCertificate() { return Take(certificate_); }

 private:
  template <class T>
  std::optional<T> Take(std::optional<T>& slot) {
    std::lock_guard lock(mutex_);
    std::optional<T> value = std::move(slot);
    slot.reset();
    return value;
  }
  std::mutex mutex_;
  std::optional<std::time_t> lastTransfer_;
  std::optional<std::string> url_;
  std::optional<UntrustedCertificate> certificate_;
};

const char* ActionName(SyncAction action) {
  switch (action) {
    case SyncAction::Send: return "senden";
    case SyncAction::Skip: return "überspringen";
    case SyncAction::Delete: return "löschen";
    case SyncAction::Keep: return "behalten";
    case SyncAction::Refuse: return "nicht angetastet";
  }
  return "";
}

void PrintPlan(const PublishPlan& plan, std::ostream& out) {
  out << texts::kDryRunHeader << "\n";
  std::string scripts;
  for (const std::string& s : plan.scripts) scripts += (scripts.empty() ? "" : ", ") + s;
  out << Format(plan.scriptDirMissing ? texts::kDryRunScriptsNewFolder : texts::kDryRunScripts, plan.scriptDir,
                scripts)
      << "\n";
  out << Format(plan.shopDirMissing ? texts::kDryRunShopNewFolder : texts::kDryRunShop, plan.shopDir) << "\n";
  uint64_t sendBytes = plan.entryPageSize, skipBytes = 0;
  int send = 1, skip = 0, remove = 0, keep = 0;
  out << Format("%-16s %s (%d Bytes)", ActionName(SyncAction::Send), plan.entryPage, plan.entryPageSize) << "\n";
  for (const PublishPlan::Folder& folder : plan.folders) {
    if (folder.missing) out << Format(texts::kDryRunNewFolder, folder.name) << "\n";
    for (const SyncStep& step : folder.steps) {
      const std::string remote = folder.name + "/" + step.name;
      if (step.action == SyncAction::Send || step.action == SyncAction::Skip)
        out << Format("%-16s %s (%d Bytes)", ActionName(step.action), remote, step.size) << "\n";
      else out << Format("%-16s %s", ActionName(step.action), remote) << "\n";
      switch (step.action) {
        case SyncAction::Send: ++send, sendBytes += step.size; break;
        case SyncAction::Skip: ++skip, skipBytes += step.size; break;
        case SyncAction::Delete: ++remove; break;
        case SyncAction::Keep: ++keep; break;
        case SyncAction::Refuse: break;
      }
    }
  }
  out << Format(texts::kDryRunSummary, send, sendBytes, skip, skipBytes, remove, keep,
                static_cast<int>(plan.scripts.size()))
      << "\n";
}

class PublishCommands : public CommandGroup {
 public:
  void Register(CLI::App& app) override {
    publish_ = app.add_subcommand("publish", "Den Shop per FTP veröffentlichen");
    publish_->add_option("SHOP", path_, "Pfad der Shop-Datei")->required();
    publish_->add_flag("--all", all_, "Den gesamten Shop erneut übertragen");
    publish_->add_flag("--open", open_, "Den veröffentlichten Shop danach im Browser öffnen");
    publish_->add_flag("--dry-run", dryRun_, "Nur anzeigen, was gesendet, übersprungen und gelöscht würde");
    publish_->add_option("--timeout", timeout_, "Wartezeit auf den FTP-Server in Sekunden")->check(CLI::Range(1, 3600));
    publish_->add_option("--deadline", deadline_,
                         "Zeitlimit der ganzen Veröffentlichung in Minuten (0: keines; Vorgabe: 0)")
        ->check(CLI::Range(0, 100000));
    publish_->add_option("--trust", trust_,
                         "Dem Zertifikat (64 Hexadezimalziffern) oder dem SSH-Host-Schlüssel (SHA256:...) mit diesem "
                         "Fingerabdruck vertrauen");
    publish_->add_option("--ca-file", caFile_, "Vertrauenswürdige Zertifikate statt der des Systems");
    publish_->add_option("--ssh-dir", sshDir_, "SFTP: Schlüssel und known_hosts aus diesem Ordner statt aus ~/.ssh");
  }

  std::optional<int> Run(CliContext& c) override {
    if (!*publish_) return std::nullopt;
    ShopManager& manager = c.manager;
    ShopRun run(c);
    if (!run.Open(path_)) return 1;
    ShopDatabase& db = run.Database();
    // An SSH host key goes into known_hosts when the server shows it, not into the shop.
    const bool hostKey = trust_.starts_with("SHA256:");
    if (!trust_.empty() && !hostKey) {
      const std::string fingerprint = NormalizeFingerprint(trust_);
      if (fingerprint.empty() || !TrustCertificate(db, fingerprint)) {
        c.err << Format(texts::kBadFingerprint, trust_) << "\n";
        return 1;
      }
    }

    const ShopPaths& paths = run.Paths();
    GenerationLog& pageLog = run.log;
    TerminalLog& terminal = run.terminal;
    SystemClock& clock = run.clock;
    ShopGenerator generator(db, paths, pageLog, c.prompter, clock);
    QueuedObserver observer;
    FtpClientOptions client;
    client.timeoutSeconds = timeout_;
    client.caFile = caFile_;
    client.deadlineSeconds = int64_t{deadline_} * 60;
    if (hostKey) client.trustedHostKey = trust_;
    client.sshDir = sshDir_;
    UploadDriver driver(UploadSetup{db, paths.folder, generator, c.prompter, clock, pageLog, observer,
                                    MakeShopScriptWriter, {&terminal}, &terminal, manager.Settings().doFileLog,
                                    paths.logFile, paths.sentRecord, client});
    const TransferMethod method = all_ ? TransferMethod::WholeShop : TransferMethod::Update;

    // A certificate the merchant trusts when asked is used at once by a second run.
    for (int attempt = 0; attempt < 2; ++attempt) {
      if (!driver.Start(method, dryRun_)) {
        terminal.Finish();
        return 1;
      }
      {
        InterruptGuard guard;
        bool abortSent = false;
        while (driver.IsRunning()) {
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
          if (guard.Interrupted() && !abortSent) {
            driver.Abort();
            abortSent = true;
          }
        }
        driver.Wait();
      }
      terminal.Finish();
      if (const auto t = observer.TakeLastTransfer()) {
        StoreLastTransferTime(db, *t, c.prompter);
        c.out << LastTransferLabel(*t) << "\n";
      }
      if (const auto url = observer.TakeUrl()) {
        SystemBrowserLauncher browser(c.prompter);
        auto launch = [&](const std::string& u) { browser.LaunchBrowser(u); };
        // Asked only of a person at the terminal; --open opens without asking, and
        // otherwise the address is only printed.
        if (open_) {
          pageLog.Log(FormatProgramText(text::kOpeningBrowser, *url));
          launch(*url);
        } else if (c.inputIsTerminal) {
          OfferPublishedShop(*url, c.prompter, pageLog, launch);
        } else {
          c.out << *url << "\n";
        }
      }
      if (dryRun_ && driver.Succeeded()) PrintPlan(driver.Plan(), c.out);
      const auto certificate = observer.TakeCertificate();
      if (!certificate || attempt > 0 || !AskTrust(c, db, driver, *certificate, sshDir_)) break;
    }
    return driver.Succeeded() ? 0 : 1;
  }

 private:
  // Trusting a certificate is never answered by --yes: only a person at the terminal
  // or the --trust option decides it.
  static bool AskTrust(CliContext& c, ShopDatabase& db, UploadDriver& driver, const UntrustedCertificate& certificate,
                       const std::string& sshDir) {
    if (!c.inputIsTerminal) {
      c.err << Format(certificate.sshHostKey ? texts::kSftpTrustHint : texts::kTrustHint, certificate.fingerprint)
            << "\n";
      return false;
    }
    CliPrompter person(CliAnswerMode::Interactive, c.in, c.out, c.err, true);
    if (certificate.sshHostKey) {
      const std::string knownHosts = sshDir.empty() ? "~/.ssh/known_hosts" : (fs::path(sshDir) / "known_hosts").string();
      const std::string question = Format(texts::kSftpTrustQuestion, certificate.problem, knownHosts);
      if (person.AskYesNo(question, Answer::No, MessageIcon::Warning) != Answer::Yes) return false;
      driver.TrustHostKey(certificate.fingerprint);
      return true;
    }
    const std::string question =
        Format(texts::kFtpTrustQuestion, Format(texts::kFtpCertificateUntrusted, certificate.host, certificate.problem,
                                                ShowFingerprint(certificate.fingerprint)));
    if (person.AskYesNo(question, Answer::No, MessageIcon::Warning) != Answer::Yes) return false;
    if (!TrustCertificate(db, certificate.fingerprint)) return false;
    c.err << texts::kFtpTrustStored << "\n";
    return true;
  }

  std::string path_, trust_, caFile_, sshDir_;
  bool all_ = false, dryRun_ = false, open_ = false;
  int timeout_ = FtpClientOptions().timeoutSeconds;
  int deadline_ = 0;
  CLI::App* publish_ = nullptr;
};

}  // namespace

std::unique_ptr<CommandGroup> MakePublishCommands() { return std::make_unique<PublishCommands>(); }

}  // namespace vendora
