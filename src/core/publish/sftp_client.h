#pragma once
// SftpClient: publishing over SSH file transfer (libssh). The server's host key is
// checked against known_hosts as OpenSSH does; logon by a key from ssh-agent or the
// ssh folder (the merchant's password unlocking it), else by the password.
//
// Threading and failures as for every Transport. SFTP knows no working folder: the
// client keeps one and resolves relative names against it. A server that does not
// answer within the time-out has its connection cut; every later operation fails.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "publish/ftp_client.h"
#include "publish/transport.h"

namespace vendora {

class GenerationLog;

class SftpClient : public Transport {
 public:
  // `log` (not owned, may be null) receives the log lines and the progress. Uses the
  // time-out, deadline, listing bounds, sshDir and trustedHostKey of the options.
  SftpClient(GenerationLog* log, FtpClientOptions options);
  ~SftpClient() override;
  SftpClient(const SftpClient&) = delete;
  SftpClient& operator=(const SftpClient&) = delete;

  // Host, sftpPort, user and password of the settings; the logon types do not apply.
  bool LogOn(const FtpValues& server) override;
  bool LogOff() override;
  bool ChangeDir(std::string_view path) override;
  bool CurrentDir(std::string& path) override;
  int MakeDir(std::string_view name, int acceptPermanentError) override;
  bool List(std::string_view directory, FtpListing& table) override;
  bool Send(std::string_view remoteName, const std::filesystem::path& localPath) override;
  // Replaces an existing `to` (OpenSSH's posix-rename where the server offers it).
  bool Rename(std::string_view from, std::string_view to) override;
  int Chmod755(std::string_view fileName, int resultIfRefused) override;
  int Delete(std::string_view name, int resultIfRefused) override;
  void Abort() override;

  bool Aborted() const override { return abort_.load(); }
  bool Connected() const override;
  const std::string& LastMessage() const override { return lastMessage_; }
  bool Refused() const override { return refused_; }
  const std::optional<UntrustedCertificate>& Untrusted() const override { return untrusted_; }
  void SetProgressScale(uint64_t bytesPerStep) override { progressScale_ = bytesPerStep ? bytesPerStep : 1; }
  void AdvanceProgress(uint64_t bytes) override;

 private:
  struct Session;
  class Busy;

  bool Connect(const FtpValues& server);
  bool CheckHostKey(const std::string& host);
  bool Authenticate(const std::string& user, const std::string& password);
  std::string Resolve(std::string_view name) const;
  // Whether the client may go on: not aborted, within the deadline, still connected.
  bool Ready();
  // Sets the reason of a failed SFTP request; closes the session when the connection
  // is gone. Returns false.
  bool Fail(std::string_view what);
  void Close();
  void Watch();
  void Log(std::string_view text, int level);

  GenerationLog* log_;
  FtpClientOptions options_;
  std::unique_ptr<Session> session_;
  std::string cwd_;
  std::atomic<bool> abort_{false};
  std::string lastMessage_;
  bool refused_ = false;
  std::optional<UntrustedCertificate> untrusted_;
  uint64_t progressScale_ = 1, progressPending_ = 0;
  int64_t deadlineTick_ = 0;

  // The watchdog cuts the socket of a call that has waited longer than the time-out.
  std::mutex watchMutex_;
  std::condition_variable watchWake_;
  std::thread watchdog_;
  bool stopWatch_ = false;
  int64_t busySince_ = 0;  // 0: no call waiting
  int socket_ = -1;
  std::atomic<bool> timedOut_{false};
};

}  // namespace vendora
