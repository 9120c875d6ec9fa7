#pragma once
// The upload: the transfer half of the publish page. Pressing "&Publizieren" makes
// sure a current generation exists, checks the FTP settings, and starts one worker
// thread that logs on through the shop's transport (FTP, FTP over TLS or SFTP) and
// synchronises the remote shop with the last generation: new and changed files sent,
// unchanged ones skipped, files of the keep lists left alone, every other remote file
// deleted. Each file is sent under a part name and renamed over the old one, and the
// order keeps the live shop whole: pictures, then the data files, the seven scripts,
// the entry page, and the deletions last, only when every file arrived.
//
// Threading: Start, PressPublishButton, Abort and the page handlers run on the
// interface thread; the worker reports only through UploadObserver, called on the
// worker thread (the desktop program marshals the calls onto its own thread; the
// observer must not block on the interface thread). The interface thread touches the
// worker's client only through Abort, under the driver's lock.
#include <array>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "generator/file_lists.h"
#include "generator/scripts.h"
#include "generator/server_checks.h"
#include "publish/ftp_client.h"
#include "publish/ftp_listing.h"
#include "publish/sent_record.h"
#include "publish/transport.h"

namespace vendora {

class Clock;
class GenerationLog;
class LogSink;
class ProgressSink;
class Prompter;
class ShopDatabase;
class ShopGenerator;
struct RunContext;

// The seven scripts in the order they are sent: "catalog" and "order" with the
// script extension (made executable), then webcode.pm, product.pm, sales.pm,
// olpcnf.pm and Payvane.pm.
inline constexpr int kUploadScriptCount = kScriptCount;

// Writes one script file into the shop's cgi folder on request (its content exists
// only while it is published).
class ScriptWriter {
 public:
  virtual ~ScriptWriter() = default;
  virtual std::string FileName(int index) const = 0;
  // Writes the full content of script `index`; false when it could not be written.
  virtual bool Write(int index) = 0;
};
// Makes the writer for the last generation run; called on the interface thread, the
// writer is then used on the worker thread.
using ScriptWriterFactory = std::function<std::unique_ptr<ScriptWriter>(const RunContext& run)>;

// The worker's reports to the page, each called on the worker thread.
class UploadObserver {
 public:
  virtual ~UploadObserver() = default;
  // A run succeeded at `lastTransfer`: store it (StoreLastTransferTime) and show it.
  virtual void UpdateLastFtp(std::time_t lastTransfer) = 0;
  // A run succeeded: offer the browser on the published shop (OfferPublishedShop).
  virtual void BrowseNewShop(const std::string& url) = 0;
  // Disable ("&Erzeugen" greyed) at the start, enable at the end.
  virtual void EnableGenerate(bool enable) = 0;
  // The server's certificate is neither verified nor trusted: the page may ask the
  // merchant (kFtpTrustQuestion) and store the answer with TrustCertificate. For an
  // SSH host key not in known_hosts (`sshHostKey` set) the page may ask
  // kSftpTrustQuestion and publish again after UploadDriver::TrustHostKey.
  virtual void CertificateNotTrusted(const UntrustedCertificate& certificate) { (void)certificate; }
};

enum class TransferMethod {
  Update = 0,     // "Aktualisieren der Shop-Daten.": what changed since the last transfer
  WholeShop = 1,  // "Erneute Übertragung des gesamten Shops"
};

// One decision of the synchronisation of a folder.
enum class SyncAction {
  Send,    // new or changed since the comparison time
  Skip,    // on the server and unchanged
  Delete,  // on the server, used by the shop no more
  Keep,    // on the keep list: left alone
  Refuse,  // a folder, or a remote name that is no plain file name: never touched
};
struct SyncStep {
  SyncAction action;
  std::string name;       // the name in the remote folder
  std::string localPath;  // Send and Skip: relative to the shop folder ("imgs/logo.gif")
  uint64_t size = 0;      // Send and Skip: bytes of the local file
};

// The synchronisation of one folder: first every remote entry in turn (sent when the
// local file is later than `comparison`, else skipped; kept; or deleted), then every
// file of the transfer set the server lacks. The local time and size are read now,
// so a file changed since the generation is sent. `comparison` is the time the last
// successful run started: a file changed while it was sending goes again. With a
// `record`, a file written anew with the content last sent, and of that size on the
// server, is skipped as well.
std::vector<SyncStep> PlanSynchronisation(const FileLists::List& transfer, const FileLists::List& keep,
                                          const FtpListing& remote, std::time_t comparison,
                                          const std::filesystem::path& shopFolder,
                                          const SentRecord* record = nullptr);

// What a dry run found: everything a publish would do, in its order.
struct PublishPlan {
  struct Folder {
    std::string name;      // "imgs" ...
    bool missing = false;  // would be created; nothing on the server yet
    std::vector<SyncStep> steps;
  };
  std::string scriptDir, shopDir;
  bool scriptDirMissing = false, shopDirMissing = false;
  std::vector<std::string> scripts;  // always sent
  std::string entryPage;             // always sent
  uint64_t entryPageSize = 0;
  std::vector<Folder> folders;
};

struct UploadSetup {
  ShopDatabase& db;
  std::filesystem::path shopFolder;
  ShopGenerator& generator;
  Prompter& prompter;
  const Clock& clock;
  // The page's log (generation, start banner, FTP check).
  GenerationLog& pageLog;
  UploadObserver& observer;
  ScriptWriterFactory scripts;
  // Where the upload log of each run writes.
  std::vector<LogSink*> logSinks;
  ProgressSink* progress = nullptr;
  bool fileLog = false;
  std::filesystem::path logFile;
  // The shop's record of what was sent (ShopPaths::sentRecord); empty: none.
  std::filesystem::path sentRecord;
  // Time-out and certificate store of the client (the TLS choice is the shop's).
  FtpClientOptions client;
};

class UploadDriver {
 public:
  // Reads the last transfer time (Options.LastFTP) as the page does when it is shown.
  explicit UploadDriver(UploadSetup setup);
  // Aborts a running worker and waits for it.
  ~UploadDriver();
  UploadDriver(const UploadDriver&) = delete;
  UploadDriver& operator=(const UploadDriver&) = delete;

  // The button: while a worker runs, asks 23832 and aborts on Yes; otherwise starts.
  void PressPublishButton(TransferMethod method);
  // The start procedure. True when the worker was started; false when it stopped
  // before (the merchant said No, generation failed, the FTP check failed ...).
  // A dry run goes the same way but changes nothing on either side and fills Plan().
  bool Start(TransferMethod method, bool dryRun = false);
  // Raises the abort flag of the running client, under the lock, without asking; a
  // worker that has not made its client yet aborts it as soon as it has.
  void Abort();
  // The next run accepts an SSH host key with this fingerprint that known_hosts does
  // not know yet, and adds it there (the merchant's answer to the question).
  void TrustHostKey(const std::string& fingerprint);
  bool IsRunning() const;
  // Waits for the worker to end.
  void Wait();

  // After the worker ended: whether the run counted as successful.
  // Whether the merchant asked the last run to stop (it then failed on purpose).
  bool AbortRequested() const;
  bool Succeeded() const;
  const PublishPlan& Plan() const { return plan_; }
  std::time_t LastTransferTime() const;
  // "&Publizieren", or "A&bbrechen" while a worker runs.
  std::string ButtonCaption() const;
  // The expected total of the next run: the transfer sets plus the entry page.
  uint64_t ExpectedTotal() const;

 private:
  struct Job;
  class FileLog;
  void Work(std::shared_ptr<Job> job);
  bool Route(Job& job, Transport& client, bool& loggedOn);
  bool EnterDir(Transport& client, std::string path, bool create);

  UploadSetup setup_;
  mutable std::mutex lock_;
  std::thread worker_;
  bool running_ = false;
  bool abortRequested_ = false;
  bool succeeded_ = false;
  Transport* currentClient_ = nullptr;
  std::unique_ptr<GenerationLog> uploadLog_;
  std::unique_ptr<FileLog> uploadFileLog_;  // the run's lines in the shop's log file
  std::time_t lastTransfer_ = 0;
  PublishPlan plan_;
};

// The transport for the shop's protocol: SftpClient or FtpClient (with or without TLS).
std::unique_ptr<Transport> MakeTransport(const FtpValues& server, GenerationLog* log, const FtpClientOptions& options);

// Reads Options.LastFTP (0 when there is no row or it cannot be read).
std::time_t ReadLastTransferTime(ShopDatabase& db);
// "WM_UPDATELASTFTP": writes the time into Options.LastFTP (adding the row when the
// table is empty) without raising the database-changed flag. A database error is
// shown and otherwise ignored. False when it could not be stored.
bool StoreLastTransferTime(ShopDatabase& db, std::time_t time, Prompter& prompter);
// "Zuletzt übertragen am: %s" with the time in the "%c" form, or "Unbekannt." for 0.
std::string LastTransferLabel(std::time_t time);
// "WM_BROWSENEWSHOP": asks 20080 with the URL; on Yes logs 23846 and opens the URL.
void OfferPublishedShop(const std::string& url, Prompter& prompter, GenerationLog& log,
                        const std::function<void(const std::string&)>& openUrl);
// Stores the fingerprint of a certificate the merchant trusts for this shop, without
// raising the database-changed flag.
bool TrustCertificate(ShopDatabase& db, const std::string& fingerprint);

}  // namespace vendora
