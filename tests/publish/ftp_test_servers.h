#pragma once
// FTP servers for the publishing tests, all on 127.0.0.1 at free ports: real vsftpd
// and pyftpdlib processes over a temporary root, and a scripted one-connection server
// that answers as a test tells it (firewalls, broken and hostile servers).
//
// The real servers fail the test (never skip it) when their program is missing.
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vendora::test {

struct VsftpdTls;

class FtpTestServer {
 public:
  virtual ~FtpTestServer();
  int Port() const { return port_; }
  // The folder that the FTP root "/" shows.
  const std::filesystem::path& Root() const { return root_; }
  const std::string& User() const { return user_; }
  const std::string& Password() const { return password_; }
  // A folder below which the server lets the client create and write ("/" or "/pub/").
  const std::string& WritableBase() const { return writableBase_; }
  // Stored and deleted files since the last MarkLog, as FTP paths ("/pub/www/x.gif");
  // a file stored under another name and then renamed counts under its last name.
  std::vector<std::string> Uploads() const;
  std::vector<std::string> Deletes() const { return LogPaths("DELETE"); }
  void MarkLog();

 protected:
  friend std::unique_ptr<FtpTestServer> StartPyftpdlib(const std::filesystem::path& dir, int storDelayMs);
  friend std::unique_ptr<FtpTestServer> StartVsftpd(const std::filesystem::path& dir, const VsftpdTls* tls);
  virtual std::vector<std::string> LogPaths(const std::string& kind) const = 0;
  std::string ReadLogFromMark() const;

  pid_t pid_ = -1;
  int port_ = 0;
  std::filesystem::path root_, logFile_;
  std::string user_, password_, writableBase_;
  size_t logMark_ = 0;
};

// pyftpdlib with a user and password over `dir`/root. `storDelayMs` holds every upload
// back that long before it starts (a slow server, to act during a publish).
std::unique_ptr<FtpTestServer> StartPyftpdlib(const std::filesystem::path& dir, int storDelayMs = 0);

// vsftpd, anonymous with write access below "/pub/". With a certificate and key it
// requires TLS for logon and data, with session reuse on the data connections.
struct VsftpdTls {
  std::filesystem::path certificate, key;
};
std::unique_ptr<FtpTestServer> StartVsftpd(const std::filesystem::path& dir, const VsftpdTls* tls = nullptr);

// Makes a key and a certificate with openssl: self-signed for "localhost", or, with a
// CA (its files are made too), a certificate for 127.0.0.1 signed by that CA.
bool MakeSelfSignedCertificate(const std::filesystem::path& certificate, const std::filesystem::path& key);
bool MakeCaSignedCertificate(const std::filesystem::path& ca, const std::filesystem::path& certificate,
                             const std::filesystem::path& key);

// OpenSSH's sshd on 127.0.0.1 with its own configuration, host key and authorized key
// under `dir`. The account is a test user (made once, as root, and kept: tests running
// side by side share it) whose SFTP sessions start in Root(). ClientDir() is the
// client's ssh folder: its key "id_ed25519" (protected by `keyPassphrase` unless empty)
// and no known_hosts. Uploads, renames and deletes are read from the server's log.
class SshdTestServer : public FtpTestServer {
 public:
  static std::unique_ptr<SshdTestServer> Start(const std::filesystem::path& dir, const std::string& keyPassphrase = "");
  ~SshdTestServer() override;
  const std::filesystem::path& ClientDir() const { return clientDir_; }
  // "SHA256:" and the base64 digest, as ssh-keygen -l prints it.
  std::string HostKeyFingerprint() const;
  // Starts again on the same port, with a new host key when asked.
  bool Restart(bool newHostKey);
  // Stops every process of the server (it no longer answers) and lets it go on.
  void Pause();
  void Resume();

 protected:
  std::vector<std::string> LogPaths(const std::string& kind) const override;

 private:
  bool Launch();
  std::filesystem::path dir_, clientDir_;
  bool paused_ = false;
};

// A one-connection FTP server on 127.0.0.1 driven by the test: every command line
// received is recorded and handed to the handler, which answers through Reply and
// may serve one data connection per command.
class ScriptedFtpServer {
 public:
  using Handler = std::function<void(ScriptedFtpServer& server, const std::string& command)>;
  // `greeting` is sent as it stands (lines with CR LF).
  ScriptedFtpServer(std::string greeting, Handler handler);
  ~ScriptedFtpServer();
  int Port() const { return port_; }

  // Inside the handler:
  void Reply(const std::string& lines);  // CR LF is appended to each "\n"-separated line
  // Opens a listener for one data connection; returns its port.
  int ListenForData();
  // Accepts the data connection, writes the bytes, closes it. With `pauseMs`, one
  // byte at a time with that pause between (a server that drips), stopping when the
  // client has gone.
  void SendData(const std::string& bytes, int pauseMs = 0);
  // Accepts the data connection, reads until it is closed, returns what came.
  std::string ReceiveData();

  // After the client has gone.
  std::vector<std::string> Commands();

 private:
  void Serve();
  int Accept(int fd);

  std::string greeting_;
  Handler handler_;
  int listen_ = -1, control_ = -1, dataListen_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> commands_;
};

}  // namespace vendora::test
