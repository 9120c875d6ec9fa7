#pragma once
// FtpClient: the program's own FTP client. One control connection, one data
// connection per transfer or listing (passive or active), logon directly or through
// one of eight kinds of firewall or proxy, optionally FTP over explicit TLS.
//
// Threading: every operation is called from one thread (the upload worker) and blocks
// until the server has answered or the time-out has passed. Abort() may be called
// from any other thread; it only raises a flag that the worker reads between steps
// and after every data chunk.
//
// Failures: operations return false (or the given refusal result) and leave the
// reason in LastMessage(): a program text for local failures, otherwise the server's
// last reply line. A failed operation leaves the connection open, except after a
// time-out or a broken control connection: the connection is closed then, so every
// later command fails at once instead of reading a stale reply.
#include <atomic>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "publish/ftp_channel.h"
#include "publish/ftp_listing.h"
#include "publish/transport.h"

namespace vendora {

class GenerationLog;
class TlsChannel;
class TlsContext;

// Logon types, the codes of FtpServer.ProxyType.
inline constexpr int kLogonTypeCount = 9;

struct FtpClientOptions {
  // Connect, every reply and every data chunk; a dead server ends the operation.
  int timeoutSeconds = 60;
  // FTP over explicit TLS (AUTH TLS, PBSZ 0, PROT P, TLS on every data connection).
  bool useTls = false;
  // A certificate the merchant trusted: its SHA-256 as 64 hex digits.
  std::string trustedFingerprint;
  // Certificates to trust instead of the system's store (tests); empty: the system's.
  std::string caFile;
  // The whole life of the client (a publish run) in seconds; 0: no limit. Past it every
  // operation fails and the client counts as aborted.
  int64_t deadlineSeconds = 0;
  // What one listing may hold; a server sending more ends the run.
  size_t maxListingEntries = 250'000;
  uint64_t maxListingBytes = 64ull << 20;
  // SFTP: the folder holding known_hosts and the keys id_*; empty: ~/.ssh.
  std::filesystem::path sshDir;
  // SFTP: an unknown host key with this fingerprint ("SHA256:..."), which the merchant
  // confirmed, is accepted and added to known_hosts. A changed key never is.
  std::string trustedHostKey;
};

// The host and port of a PASV reply: the six numbers between the first "(" and the
// following ")". Nullopt without parentheses or six numbers from 0 to 255.
struct PassiveAddress {
  std::string host;
  int port = 0;
};
std::optional<PassiveAddress> ParsePasvReply(std::string_view reply);
// "PORT h1,h2,h3,h4,p1,p2" for an IPv4 address and port.
std::string PortCommand(std::string_view ipv4, int port);
// The statistics line of a transfer, from the milliseconds of the tick counter.
std::string TransferStatistics(bool upload, uint64_t bytes, int64_t startTick, int64_t endTick);
// "Sending %s" with passwords hidden.
std::string CommandLogLine(std::string_view command);

class FtpClient : public Transport {
 public:
  // `log` (not owned, may be null) receives the log lines and the progress.
  explicit FtpClient(GenerationLog* log, FtpClientOptions options = {});
  ~FtpClient();
  FtpClient(const FtpClient&) = delete;
  FtpClient& operator=(const FtpClient&) = delete;

  // Opens the control connection (to the firewall for every type but 0) and runs the
  // logon sequence of the type. With TLS, the certificate is checked right after
  // AUTH TLS and the data connections are protected after the logon.
  bool LogOn(const std::string& host, int hostPort, const std::string& user, const std::string& password,
             const std::string& account, const std::string& firewallHost, const std::string& firewallUser,
             const std::string& firewallPassword, int firewallPort, int logonType);
  // The same with the shop's settings; sets passive mode after a successful logon.
  bool LogOn(const FtpValues& server) override;
  // "QUIT", whatever the reply, then closes the control connection.
  bool LogOff() override;
  // Sends the text (unless empty) and reads one reply; true on a 2xx reply.
  bool Command(std::string_view text);
  // Stores the local file under the remote name (download false) or fetches the
  // remote name into the local file. `imageMode` switches to TYPE I first if needed.
  bool MoveFile(std::string_view remoteName, const std::filesystem::path& localPath, bool download, bool imageMode);
  // Lists the remote directory into the table (entries added or replaced).
  bool List(std::string_view directory, FtpListing& table) override;
  bool ChangeDir(std::string_view path) override;
  bool CurrentDir(std::string& path) override;
  int Chmod755(std::string_view fileName, int resultIfRefused) override;
  int MakeDir(std::string_view name, int acceptPermanentError) override;
  // 1 when deleted, `resultIfRefused` when the server refused, 0 after an abort or
  // without a connection (nothing is sent then).
  int Delete(std::string_view name, int resultIfRefused) override;
  // MoveFile upload in image mode.
  bool Send(std::string_view remoteName, const std::filesystem::path& localPath) override;
  // RNFR, then RNTO on its 3xx reply.
  bool Rename(std::string_view from, std::string_view to) override;
  bool SetImageType();
  bool SetAsciiType();
  // Any thread: raises the abort flag (it stays raised) and logs 23833.
  void Abort() override;

  const std::string& LastMessage() const override { return lastMessage_; }
  int ReplyClass() const { return replyClass_; }
  bool Refused() const override { return replyClass_ == 5; }
  bool Aborted() const override { return abort_.load(); }
  bool Passive() const { return passive_; }
  void SetPassive(bool passive) { passive_ = passive; }
  bool Connected() const override { return control_ != nullptr; }
  // Set when the last LogOn failed on a certificate that is neither verified nor trusted.
  const std::optional<UntrustedCertificate>& Untrusted() const override { return untrusted_; }

  // Progress goes to the log in steps of `bytesPerStep` bytes (for totals beyond the
  // range of the progress bar). AdvanceProgress counts bytes not transferred (skipped
  // files) so that the bar still reaches its end.
  void SetProgressScale(uint64_t bytesPerStep) override { progressScale_ = bytesPerStep ? bytesPerStep : 1; }
  void AdvanceProgress(uint64_t bytes) override;

 private:
  struct DataConnection;

  bool Connect(const std::string& host, int port);
  bool StartTls(const std::string& host);
  bool SendCommand(std::string_view text);
  bool ReadLine(std::string& line);
  bool ReadReply();
  bool RunLogonSequence(int type, const std::vector<std::string>& commands);
  bool PrepareData(DataConnection& data);
  bool OpenData(DataConnection& data);
  void CloseControl();
  void FailNetwork(const std::string& reason);
  // Whether the run's deadline has passed; raises the abort flag the first time.
  bool PastDeadline();
  void Log(std::string_view text, int level);

  GenerationLog* log_;
  FtpClientOptions options_;
  static constexpr size_t kBufferSize = 4096;
  std::vector<char> buffer_;
  std::atomic<bool> abort_{false};
  std::string lastMessage_;
  std::unique_ptr<FtpChannel> control_;
  std::string readBuffer_;
  size_t readPos_ = 0;
  int replyClass_ = 0;
  bool passive_ = false;
  bool asciiMode_ = false;
  std::unique_ptr<TlsContext> tls_;
  TlsChannel* controlTls_ = nullptr;  // control_ when it runs over TLS
  std::string controlFingerprint_;
  std::optional<UntrustedCertificate> untrusted_;
  uint64_t progressScale_ = 1, progressPending_ = 0;
  int64_t deadlineTick_ = 0;  // 0: none
};

}  // namespace vendora
