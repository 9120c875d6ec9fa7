#include "publish/upload_driver.h"

#include <chrono>
#include <fstream>
#include <limits>
#include <set>
#include <system_error>

#include "common/clock.h"
#include "common/file_stamp.h"
#include "common/program_text.h"
#include "common/prompter.h"
#include "generator/generation.h"
#include "common/log.h"
#include "shopdb/changed_flag.h"
#include "shopdb/db_error.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "publish/sftp_client.h"
#include "publish/transfer_texts.h"

namespace vendora {

namespace fs = std::filesystem;

namespace {

constexpr int kLevelConnection = 1;
// The folders the driver synchronises: imgs, wraps, cats, lines, prods, thumbs, data.
constexpr int kSyncedFolders = 7;

std::string Text(int number) { return std::string(ProgramText(number)); }

std::time_t ToTime(fs::file_time_type t) {
  return static_cast<std::time_t>(
      std::chrono::floor<std::chrono::seconds>(std::chrono::file_clock::to_sys(t)).time_since_epoch().count());
}

uint64_t EntryPageSize(const fs::path& shopFolder, const std::string& entryPage) {
  if (entryPage.empty()) return 0;
  std::error_code ec;
  const auto size = fs::file_size(shopFolder / entryPage, ec);
  return ec ? 0 : size;
}

// The progress bar counts in ints: a shop of more than 1 GiB counts in larger steps.
uint64_t ProgressScale(uint64_t total) {
  constexpr uint64_t kMaxSteps = 1u << 30;
  return total <= kMaxSteps ? 1 : (total + kMaxSteps - 1) / kMaxSteps;
}

}  // namespace

// An upload logs every listing line: a hundred thousand of them for a large shop. The
// file is opened once per run rather than once per line (open, seek, write, close),
// and flushed per line, so it is complete whenever the run stops. Appending follows a
// log viewer that empties the file meanwhile.
class UploadDriver::FileLog : public LogSink {
 public:
  explicit FileLog(fs::path file) : file_(std::move(file)) {}
  void AddLine(const std::string& line) override {
    // A file that cannot be opened costs the line only; the next one tries again.
    if (!out_.is_open()) out_.open(file_, std::ios::binary | std::ios::app);
    if (!out_) {
      out_.close();
      out_.clear();
      return;
    }
    out_ << line << '\n' << std::flush;
  }

 private:
  fs::path file_;
  std::ofstream out_;
};

std::vector<SyncStep> PlanSynchronisation(const FileLists::List& transfer, const FileLists::List& keep,
                                          const FtpListing& remote, std::time_t comparison,
                                          const fs::path& shopFolder, const SentRecord* record) {
  // The file as it is now: a picture replaced since the generation is sent again.
  auto local = [&](const std::string& path, const FileListEntry& entry, std::time_t* time) {
    uint64_t size = entry.size;
    *time = entry.writeTime ? ToTime(*entry.writeTime) : 0;
    if (const std::optional<FileStamp> now = StampOf(shopFolder / path)) {
      size = now->size;
      *time = ToTime(now->writeTime);
    }
    return size;
  };
  std::vector<SyncStep> steps;
  steps.reserve(remote.size() + transfer.size());
  std::set<std::string_view> onServer;
  for (const auto& [name, entry] : remote) {
    if (const auto t = transfer.find(name); t != transfer.end()) {
      std::time_t time = 0;
      const std::string path = t->second.Path(t->first);
      const uint64_t size = local(path, t->second, &time);
      // The record vouches for a file only while the server lists it as our upload
      // left it; a file the record knows that the server now lists otherwise was
      // changed or damaged there and goes again, whatever its local time.
      const bool asLeft = record && record->ServerAsLeft(path, entry.size, entry.stamp);
      const bool changedOnServer = record && record->KnowsServer(path) && !asLeft;
      const bool changed = changedOnServer ||
                           (time > comparison && !(asLeft && record->Unchanged(path, shopFolder / path, size)));
      steps.push_back({changed ? SyncAction::Send : SyncAction::Skip, name, path, size});
      onServer.insert(t->first);
    } else if (keep.contains(name)) {
      steps.push_back({SyncAction::Keep, name, {}, 0});
    } else if (entry.directory || !IsPlainRemoteName(name)) {
      // No server deletes a folder with DELE; other names could point elsewhere.
      steps.push_back({SyncAction::Refuse, name, {}, 0});
    } else {
      steps.push_back({SyncAction::Delete, name, {}, 0});
    }
  }
  for (const auto& [name, entry] : transfer) {
    if (onServer.contains(name)) continue;
    std::time_t time = 0;
    std::string path = entry.Path(name);
    const uint64_t size = local(path, entry, &time);
    steps.push_back({SyncAction::Send, name, std::move(path), size});
  }
  return steps;
}

std::unique_ptr<Transport> MakeTransport(const FtpValues& server, GenerationLog* log, const FtpClientOptions& options) {
  if (server.sftp) return std::make_unique<SftpClient>(log, options);
  return std::make_unique<FtpClient>(log, options);
}

void UploadDriver::TrustHostKey(const std::string& fingerprint) {
  std::lock_guard lock(lock_);
  setup_.client.trustedHostKey = fingerprint;
}

struct UploadDriver::Job {
  FtpValues ftp;
  std::array<FileLists::List, kSyncedFolders> transfer, keep;
  std::string entryPage;
  std::string shopUrl;
  fs::path shopFolder;
  std::time_t comparison = 0;
  bool wholeShop = false;
  bool dryRun = false;
  SentRecord sent;
  std::unique_ptr<ScriptWriter> scripts;
  GenerationLog* log = nullptr;
  uint64_t progressScale = 1;
  bool scriptFailed = false;
  // Files whose transfer failed, as "folder/name", with the server's reason.
  std::vector<std::pair<std::string, std::string>> failed;
  PublishPlan plan;
};

UploadDriver::UploadDriver(UploadSetup setup) : setup_(std::move(setup)) {
  lastTransfer_ = ReadLastTransferTime(setup_.db);
}

UploadDriver::~UploadDriver() {
  Abort();
  Wait();
}

bool UploadDriver::IsRunning() const {
  std::lock_guard lock(lock_);
  return running_;
}

void UploadDriver::Wait() {
  if (worker_.joinable()) worker_.join();
}

bool UploadDriver::AbortRequested() const {
  std::lock_guard lock(lock_);
  return abortRequested_;
}

bool UploadDriver::Succeeded() const {
  std::lock_guard lock(lock_);
  return succeeded_;
}

std::time_t UploadDriver::LastTransferTime() const {
  std::lock_guard lock(lock_);
  return lastTransfer_;
}

std::string UploadDriver::ButtonCaption() const {
  return Text(IsRunning() ? text::kAbortPublishButton : text::kPublishButton);
}

void UploadDriver::Abort() {
  std::lock_guard lock(lock_);
  // Raised before the worker has made its client, the abort waits for it.
  if (running_) abortRequested_ = true;
  if (currentClient_) currentClient_->Abort();
}

void UploadDriver::PressPublishButton(TransferMethod method) {
  bool hasClient = false;
  {
    std::lock_guard lock(lock_);
    hasClient = running_ && currentClient_;
  }
  if (hasClient) {
    if (setup_.prompter.AskYesNo(Text(text::kConfirmAbortTransfer), Answer::No, MessageIcon::Question) == Answer::Yes)
      Abort();
    return;
  }
  if (!IsRunning()) Start(method);
}

uint64_t UploadDriver::ExpectedTotal() const {
  const RunContext* run = setup_.generator.LastRun();
  if (!run) return 0;
  return run->files.PublishedSize() + EntryPageSize(setup_.shopFolder, run->settings.server.startPage);
}

bool UploadDriver::Start(TransferMethod method, bool dryRun) {
  if (IsRunning()) return false;
  Wait();  // the worker of the last run has ended; its thread is collected here
  Prompter& prompter = setup_.prompter;

  uint64_t total = ExpectedTotal();
  if (IsDatabaseChanged() || total == 0) {
    if (prompter.AskYesNo(Text(text::kGenerateBeforePublishing), Answer::Yes, MessageIcon::Information) != Answer::Yes)
      return false;
    SetDatabaseChanged(true);  // so that the run does not return at once as unchanged
    if (!setup_.generator.Run()) {
      prompter.Show(Text(text::kPublishBlockedByErrors), MessageIcon::Stop);
      return false;
    }
    total = ExpectedTotal();
    // Asking again could only lead to the same empty result.
    if (total == 0) {
      prompter.Show(std::string(texts::kFtpNothingToPublish), MessageIcon::Information);
      return false;
    }
  }
  const RunContext& run = *setup_.generator.LastRun();

  setup_.pageLog.ClearList();
  setup_.pageLog.Log(FormatLocalTime(Text(text::kTransferStartBanner), setup_.clock.Now()));
  auto job = std::make_shared<Job>();
  if (!CheckFtpSettings(setup_.db, setup_.pageLog, prompter, &job->ftp)) {
    setup_.pageLog.LogText(text::kFtpSettingsPreventPublishing);
    return false;
  }

  for (int k = 0; k < kSyncedFolders; ++k) {
    job->transfer[k] = run.files.Publish(static_cast<ShopSubfolder>(k));
    job->keep[k] = run.files.Unused(static_cast<ShopSubfolder>(k));
  }
  job->entryPage = run.settings.server.startPage;
  const std::string& base = run.snapshot.webServer.StandAlone ? run.settings.server.homeUrl : run.settings.server.storeUrl;
  job->shopUrl = base + job->entryPage;
  job->shopFolder = setup_.shopFolder;
  job->dryRun = dryRun;
  job->scripts = setup_.scripts(run);
  job->progressScale = ProgressScale(total);
  {
    std::lock_guard lock(lock_);
    job->comparison = method == TransferMethod::WholeShop ? 0 : lastTransfer_;
    job->wholeShop = method == TransferMethod::WholeShop;
    running_ = true;
    abortRequested_ = false;
    succeeded_ = false;
    plan_ = PublishPlan();
    uploadLog_ = std::make_unique<GenerationLog>(9);
    for (LogSink* sink : setup_.logSinks) uploadLog_->AddSink(sink);
    if (setup_.fileLog && !setup_.logFile.empty()) {
      uploadFileLog_ = std::make_unique<FileLog>(setup_.logFile);
      uploadLog_->AddSink(uploadFileLog_.get());
    }
    if (setup_.progress) uploadLog_->AddProgress(setup_.progress);
    uploadLog_->SetRange(0, static_cast<int>(total / job->progressScale));
    uploadLog_->SetPosition(0);
    job->log = uploadLog_.get();
  }
  setup_.observer.EnableGenerate(false);
  try {
    worker_ = std::thread(&UploadDriver::Work, this, job);
  } catch (const std::system_error&) {
    {
      std::lock_guard lock(lock_);
      running_ = false;
      uploadLog_.reset();
      uploadFileLog_.reset();
    }
    setup_.observer.EnableGenerate(true);
    prompter.Show(Text(text::kFtpSessionNotStarted), MessageIcon::Information);
    return false;
  }
  return true;
}

void UploadDriver::Work(std::shared_ptr<Job> job) {
  GenerationLog& log = *job->log;
  // Files changed while this run sends are sent again by the next one.
  const std::time_t started = setup_.clock.Now();
  FtpClientOptions options;
  {
    std::lock_guard lock(lock_);
    options = setup_.client;
  }
  options.useTls = job->ftp.useTls;
  options.trustedFingerprint = job->ftp.tlsFingerprint;
  std::unique_ptr<Transport> client = MakeTransport(job->ftp, &log, options);
  {
    std::lock_guard lock(lock_);
    currentClient_ = client.get();
    if (abortRequested_) client->Abort();
  }
  client->SetProgressScale(job->progressScale);
  log.LogText(text::kFtpSessionStarting, kLevelConnection);
  log.Log(FormatProgramText(text::kFtpLoggingIn, job->ftp.hostName), kLevelConnection);

  bool loggedOn = false;
  job->sent = SentRecord(setup_.sentRecord, Format("%s:%d|%s", job->ftp.hostName, job->ftp.hostPort, job->ftp.remoteDir));
  const bool routeOk = Route(*job, *client, loggedOn);
  if (!job->dryRun) job->sent.Save();
  if (!job->dryRun && !job->failed.empty())
    log.Log(Format(texts::kFtpFilesNotSent, static_cast<int>(job->failed.size())), kLevelConnection);
  else if (!job->dryRun && loggedOn && !routeOk && !client->Aborted())
    log.Log(texts::kFtpRunIncomplete, kLevelConnection);
  if (loggedOn && client->Connected()) client->LogOff();
  log.LogText(text::kFtpSessionEnding, kLevelConnection);
  const bool aborted = client->Aborted();
  const std::optional<UntrustedCertificate> untrusted = client->Untrusted();
  {
    // Cleared before the client goes, so that an abort never reaches a deleted one.
    std::lock_guard lock(lock_);
    currentClient_ = nullptr;
  }
  client.reset();

  std::lock_guard lock(lock_);
  const bool success = routeOk && !aborted && !job->scriptFailed && job->failed.empty();
  running_ = false;
  succeeded_ = success;
  if (job->dryRun) plan_ = std::move(job->plan);
  if (success && !job->dryRun) {
    lastTransfer_ = started;
    setup_.observer.UpdateLastFtp(started);
    log.Log(FormatLocalTime(Text(text::kTransferEndBanner), started), kLevelConnection);
    setup_.observer.BrowseNewShop(job->shopUrl);
  }
  if (untrusted) setup_.observer.CertificateNotTrusted(*untrusted);
  setup_.observer.EnableGenerate(true);
  uploadLog_.reset();
  uploadFileLog_.reset();
}

bool UploadDriver::EnterDir(Transport& client, std::string path, bool create) {
  if (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  if (client.ChangeDir(path)) return true;
  if (!create) return false;
  const size_t separator = path.find_last_of("/\\");
  const std::string parent = separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
  const std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
  // An empty path or a lone separator cannot be split any further.
  if (name.empty() || name == "." || name == "..") return false;
  if (!EnterDir(client, parent, true)) return false;
  return client.MakeDir(name, 1) && client.ChangeDir(name);
}

// The order differs from the classic one (scripts, entry page, then each folder sent
// and cleaned in turn) so that the live shop never names a file that is not there:
// pictures first, then the data files that name them, then the scripts that read the
// data and the entry page that links everything; files nobody refers to any more go
// last, and only when everything before arrived. Each file arrives by rename, whole.
bool UploadDriver::Route(Job& job, Transport& client, bool& loggedOn) {
  GenerationLog& log = *job.log;
  const FtpValues& f = job.ftp;
  PublishPlan& plan = job.plan;
  if (!client.LogOn(f)) {
    log.LogText(text::kFtpLoginFailedLogLine, kLevelConnection);
    return false;
  }
  loggedOn = true;
  std::string home, current;
  if (!client.CurrentDir(home)) return false;

  // A dry run creates nothing: a folder that cannot be entered is noted as missing.
  auto enter = [&](const std::string& dir, bool& missing) {
    if (!job.dryRun) return EnterDir(client, dir, true) && client.CurrentDir(current);
    std::string path = dir;
    if (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
    missing = !client.ChangeDir(path);
    return missing || client.CurrentDir(current);
  };

  // A failed file is noted and the run goes on; a lost connection or an abort ends it.
  auto usable = [&] { return client.Connected() && !client.Aborted(); };
  // Part files of a run that was cut off: removed before anything new arrives.
  auto removeParts = [&](FtpListing& listing, const std::string& prefix) {
    for (auto it = listing.begin(); it != listing.end();) {
      if (!IsPartName(it->first) || it->second.directory || !IsPlainRemoteName(it->first)) {
        ++it;
        continue;
      }
      if (!job.dryRun) client.Delete(prefix + it->first, 1);
      it = listing.erase(it);
    }
    return usable() || job.dryRun;
  };
  auto send = [&](const std::string& remote, const fs::path& local, const std::string& shown, bool executable) {
    const size_t slash = remote.find_last_of('/');
    const std::string part = slash == std::string::npos ? PartName(remote)
                                                        : remote.substr(0, slash + 1) + PartName(remote.substr(slash + 1));
    // Made executable before it appears under its name; a refused chmod is the
    // server's policy, not a failed file.
    const bool arrived = client.Send(part, local) && (!executable || client.Chmod755(part, 1));
    bool ok = arrived && client.Rename(part, remote);
    // A server that cannot rename over a file: the old one goes first. Should the
    // rename fail again, the file counts as not sent and the next publish sends it.
    if (arrived && !ok && usable() && client.Refused() && client.Delete(remote, 1) && usable())
      ok = client.Rename(part, remote);
    if (ok) return true;
    // A transfer cut by the merchant's abort is the abort's, reported as such; its
    // part file goes with the next run.
    if (client.Aborted()) return false;
    job.failed.emplace_back(shown, client.LastMessage());
    log.Log(Format(texts::kFtpFileNotSent, shown, client.LastMessage()), kLevelConnection);
    if (client.Connected()) client.Delete(part, 1);
    return false;
  };

  plan.shopDir = f.remoteDir;
  if (!enter(f.remoteDir, plan.shopDirMissing)) return false;
  FtpListing root;
  if (!plan.shopDirMissing && (!client.List(".", root) || !removeParts(root, ""))) return false;
  std::array<FtpListing, kSyncedFolders> listings;
  std::array<bool, kSyncedFolders> missing{};
  for (int k = 0; k < kSyncedFolders; ++k) {
    const std::string dir(kShopSubfolderNames[static_cast<size_t>(k)]);
    if (job.dryRun) {
      if (plan.shopDirMissing) {
        missing[k] = true;
      } else if (!client.List(dir, listings[k])) {
        // A folder that is not there yet is refused; anything else is a failure.
        if (!client.Refused() || client.Aborted()) return false;
        missing[k] = true;
      }
    } else {
      client.MakeDir(dir, 1);
      if (!client.List(dir, listings[k])) return false;
    }
    if (!removeParts(listings[k], dir + "/")) return false;
  }

  std::array<std::vector<SyncStep>, kSyncedFolders> steps;
  for (int k = 0; k < kSyncedFolders; ++k) {
    // The whole shop goes again, whatever was sent before.
    steps[k] = PlanSynchronisation(job.transfer[k], job.keep[k], listings[k], job.comparison, job.shopFolder,
                                   job.wholeShop ? nullptr : &job.sent);
    if (job.dryRun) plan.folders.push_back({std::string(kShopSubfolderNames[static_cast<size_t>(k)]), missing[k], steps[k]});
  }

  // Pictures first and the data folder last: the folders stand in that order.
  if (!job.dryRun) {
    for (int k = 0; k < kSyncedFolders; ++k) {
      const std::string dir(kShopSubfolderNames[static_cast<size_t>(k)]);
      std::vector<const SyncStep*> sent;
      for (const SyncStep& step : steps[k]) {
        if (step.action == SyncAction::Send) {
          if (send(step.localPath, job.shopFolder / step.localPath, step.localPath, false)) sent.push_back(&step);
          else job.sent.Failed(step.localPath);
        } else if (step.action == SyncAction::Skip) {
          client.AdvanceProgress(step.size);
        }
        if (!usable()) return false;
      }
      if (sent.empty()) continue;
      // How the server lists what was just sent: the next run tells from it whether a
      // file is still as this upload left it.
      FtpListing after;
      if (!client.List(dir, after)) return false;
      for (const SyncStep* step : sent) {
        const auto listed = after.find(step->name);
        job.sent.Sent(step->localPath, job.shopFolder / step->localPath,
                      listed == after.end() ? 0 : listed->second.size,
                      listed == after.end() ? std::string() : listed->second.stamp);
      }
    }
  }

  if (!client.ChangeDir(home)) return false;
  plan.scriptDir = f.remoteScript;
  if (!enter(f.remoteScript, plan.scriptDirMissing)) return false;
  FtpListing scriptListing;
  if (!job.dryRun && (!client.List(".", scriptListing) || !removeParts(scriptListing, ""))) return false;
  for (int i = 0; i < kUploadScriptCount; ++i) {
    const std::string name = job.scripts->FileName(i);
    if (job.dryRun) {
      plan.scripts.push_back(name);
      continue;
    }
    // A script that cannot be written is not sent: the server keeps its working copy.
    if (!job.scripts->Write(i)) {
      log.Log(Format(texts::kFtpScriptNotWritten, name), kLevelConnection);
      job.scriptFailed = true;
      continue;
    }
    const fs::path local = job.shopFolder / "cgi" / name;
    send(name, local, "cgi/" + name, i < 2);
    std::error_code ec;
    fs::remove(local, ec);
    if (!usable()) return false;
  }

  if (!client.ChangeDir(home)) return false;
  bool ignored = false;
  if (!enter(f.remoteDir, ignored)) return false;
  plan.entryPage = job.entryPage;
  plan.entryPageSize = EntryPageSize(job.shopFolder, job.entryPage);
  if (job.dryRun) return true;
  send(job.entryPage, job.shopFolder / job.entryPage, job.entryPage, false);
  if (!usable()) return false;

  // A file that did not arrive may still be named by what the live shop shows.
  if (!job.failed.empty() || job.scriptFailed) {
    log.Log(std::string(texts::kPublishNothingDeleted), kLevelConnection);
    return true;
  }
  for (int k = 0; k < kSyncedFolders; ++k) {
    const std::string dir(kShopSubfolderNames[static_cast<size_t>(k)]);
    for (const SyncStep& step : steps[k]) {
      if (step.action == SyncAction::Delete) {
        // A refusal counts as done; the record only forgets what is gone.
        if (client.Delete(dir + "/" + step.name, 0)) job.sent.Forget(dir + "/" + step.name);
      } else if (step.action == SyncAction::Refuse) {
        log.Log(Format(texts::kFtpUnsafeRemoteName, step.name, dir), kLevelConnection);
      }
      if (!usable()) return false;
    }
  }
  return true;
}

std::time_t ReadLastTransferTime(ShopDatabase& db) {
  try {
    CRecSetOptions options(db);
    options.Open();
    return options.IsEOF() ? 0 : static_cast<std::time_t>(options->LastFTP);
  } catch (const DbError&) {
    return 0;
  }
}

bool StoreLastTransferTime(ShopDatabase& db, std::time_t time, Prompter& prompter) {
  // The time of a transfer is no change of the shop: the next publish must not ask
  // to generate again because of it.
  const bool changed = IsDatabaseChanged();
  bool stored = true;
  try {
    EnsureOptionsRow(db);
    CRecSetOptions options(db);
    options.Open();
    if (options.IsEOF()) throw DbError(DbFrameworkError::None, 0, std::string(texts::kMissingOptions));
    options.Edit();
    options->LastFTP = static_cast<int32_t>(time);
    options.Update();
  } catch (const DbError& e) {
    prompter.Show(DbErrorReport(e), MessageIcon::Warning, std::string(texts::kDbErrorTitle));
    stored = false;
  }
  SetDatabaseChanged(changed);
  return stored;
}

std::string LastTransferLabel(std::time_t time) {
  const std::string when = time == 0 ? Text(text::kLastTransferUnknown) : FormatLocalTime("%c", time);
  return FormatProgramText(text::kLastTransferredAt, when);
}

void OfferPublishedShop(const std::string& url, Prompter& prompter, GenerationLog& log,
                        const std::function<void(const std::string&)>& openUrl) {
  if (prompter.AskYesNo(FormatProgramText(text::kTestShopInBrowser, url), Answer::Yes, MessageIcon::Question) !=
      Answer::Yes)
    return;
  log.Log(FormatProgramText(text::kOpeningBrowser, url));
  if (openUrl) openUrl(url);
}

bool TrustCertificate(ShopDatabase& db, const std::string& fingerprint) {
  // Nothing of the generated shop depends on it: the publish that follows must not ask
  // to generate again because of it.
  const bool changed = IsDatabaseChanged();
  bool stored = false;
  try {
    CRecSetFtpServer ftp(db);
    ftp.Open();
    if (!ftp.IsEOF()) {
      ftp.Edit();
      ftp->TlsFingerprint = fingerprint;
      ftp.Update();
      stored = true;
    }
  } catch (const DbError&) {
    stored = false;
  }
  SetDatabaseChanged(changed);
  return stored;
}

}  // namespace vendora
