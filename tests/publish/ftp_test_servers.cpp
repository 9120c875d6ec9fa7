#include "publish/ftp_test_servers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>

extern char** environ;

namespace vendora::test {

namespace fs = std::filesystem;

namespace {

constexpr int kWaitMs = 10000;

int ListenLoopback(int* port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), len) != 0 || listen(fd, 5) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    if (fd >= 0) close(fd);
    return -1;
  }
  *port = ntohs(a.sin_port);
  return fd;
}

int FreePort() {
  int port = 0;
  const int fd = ListenLoopback(&port);
  if (fd >= 0) close(fd);
  return port;
}

bool CanConnect(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return ok;
}

// Starts the program in a process group of its own, so that the servers' session
// processes end with it. `out` (may be null) receives the read end of its stdout.
pid_t Spawn(const std::vector<std::string>& args, int* out) {
  int pipeFds[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (out) {
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  }
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (out) {
    close(pipeFds[1]);
    *out = pipeFds[0];
  }
  return pid;
}

bool WaitUntil(const std::function<bool()>& ready) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
  while (std::chrono::steady_clock::now() < end) {
    if (ready()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

std::string ReadLineWithin(int fd, int timeoutMs) {
  std::string line;
  pollfd p{fd, POLLIN, 0};
  char c;
  while (poll(&p, 1, timeoutMs) > 0 && read(fd, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

class PyftpdlibServer : public FtpTestServer {
 protected:
  std::vector<std::string> LogPaths(const std::string& kind) const override {
    std::vector<std::string> paths;
    std::istringstream in(ReadLogFromMark());
    for (std::string line; std::getline(in, line);)
      if (line.starts_with(kind + " ")) paths.push_back(line.substr(kind.size() + 1));
    return paths;
  }
};

class VsftpdServer : public FtpTestServer {
 protected:
  // "... [ftp] OK UPLOAD: Client "127.0.0.1", "/pub/x.gif", 6 bytes, ..."
  std::vector<std::string> LogPaths(const std::string& kind) const override {
    std::vector<std::string> paths;
    std::istringstream in(ReadLogFromMark());
    const std::string marker = "OK " + kind + ": Client \"";
    for (std::string line; std::getline(in, line);) {
      const size_t at = line.find(marker);
      if (at == std::string::npos) continue;
      const size_t open = line.find("\", \"", at);
      const size_t close = open == std::string::npos ? open : line.find('"', open + 4);
      if (close != std::string::npos) paths.push_back(line.substr(open + 4, close - open - 4));
    }
    return paths;
  }
};

}  // namespace

FtpTestServer::~FtpTestServer() {
  if (pid_ > 0) {
    kill(-pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

void FtpTestServer::MarkLog() {
  std::error_code ec;
  logMark_ = fs::exists(logFile_, ec) ? static_cast<size_t>(fs::file_size(logFile_, ec)) : 0;
}

std::string FtpTestServer::ReadLogFromMark() const {
  std::ifstream in(logFile_, std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return logMark_ < all.size() ? all.substr(logMark_) : std::string();
}

std::unique_ptr<FtpTestServer> StartPyftpdlib(const fs::path& dir, int storDelayMs) {
  const fs::path script = fs::path(VENDORA_TEST_SOURCE_DIR) / "publish" / "pyftpd_server.py";
  if (!fs::exists("/usr/bin/python3") || std::system("/usr/bin/python3 -c 'import pyftpdlib' 2>/dev/null") != 0) {
    ADD_FAILURE() << "pyftpdlib is missing (Debian package python3-pyftpdlib)";
    return nullptr;
  }
  auto server = std::make_unique<PyftpdlibServer>();
  server->root_ = dir / "root";
  server->logFile_ = dir / "pyftpd.log";
  server->user_ = "kaufmann";
  server->password_ = "geheim@1";
  server->writableBase_ = "/";
  fs::create_directories(server->root_);
  int out = -1;
  server->pid_ = Spawn({"/usr/bin/python3", script.string(), server->root_.string(), server->logFile_.string(),
                        server->user_, server->password_, std::to_string(storDelayMs)},
                       &out);
  const std::string port = out >= 0 ? ReadLineWithin(out, kWaitMs) : std::string();
  if (out >= 0) close(out);
  server->port_ = port.empty() ? 0 : std::stoi(port);
  if (server->pid_ <= 0 || server->port_ == 0) {
    ADD_FAILURE() << "pyftpdlib did not start";
    return nullptr;
  }
  return server;
}

std::unique_ptr<FtpTestServer> StartVsftpd(const fs::path& dir, const VsftpdTls* tls) {
  if (!fs::exists("/usr/sbin/vsftpd")) {
    ADD_FAILURE() << "vsftpd is missing (Debian package vsftpd)";
    return nullptr;
  }
  auto server = std::make_unique<VsftpdServer>();
  server->root_ = dir / "root";
  server->logFile_ = dir / "vsftpd.log";
  server->user_ = "anonymous";
  server->password_ = "shop@example.org";
  server->writableBase_ = "/pub/";
  const fs::path empty = dir / "empty";
  fs::create_directories(server->root_ / "pub");
  fs::create_directories(empty);
  // The anonymous root must not be writable for the session; its "pub" must be.
  const passwd* ftp = getpwnam("ftp");
  if (geteuid() != 0 || !ftp || chown((server->root_ / "pub").c_str(), ftp->pw_uid, ftp->pw_gid) != 0) {
    ADD_FAILURE() << "vsftpd needs root and the ftp user to serve an anonymous upload folder";
    return nullptr;
  }
  fs::permissions(server->root_, fs::perms(0755));
  // The port is chosen before vsftpd binds it: should another process take it first,
  // vsftpd ends at once and the next port is tried.
  for (int attempt = 0; attempt < 3; ++attempt) {
    server->port_ = FreePort();
    std::ofstream conf(dir / "vsftpd.conf");
    conf << "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" << server->port_
         << "\nbackground=NO\nanonymous_enable=YES\nlocal_enable=NO\nwrite_enable=YES\nanon_root="
         << server->root_.string()
         << "\nanon_upload_enable=YES\nanon_mkdir_write_enable=YES\nanon_other_write_enable=YES\n"
            "anon_umask=022\nno_anon_password=YES\nftp_username=ftp\nsecure_chroot_dir="
         << empty.string() << "\nseccomp_sandbox=NO\nxferlog_enable=YES\nxferlog_std_format=NO\nvsftpd_log_file="
         << server->logFile_.string() << "\npasv_enable=YES\nport_enable=YES\nconnect_from_port_20=NO\n";
    if (tls)
      conf << "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\nforce_anon_data_ssl=YES\n"
              "require_ssl_reuse=YES\nssl_ciphers=HIGH\nrsa_cert_file="
           << tls->certificate.string() << "\nrsa_private_key_file=" << tls->key.string() << "\n";
    conf.close();
    const pid_t pid = Spawn({"/usr/sbin/vsftpd", (dir / "vsftpd.conf").string()}, nullptr);
    const int port = server->port_;
    bool ended = false;
    if (pid > 0 && WaitUntil([&] { return CanConnect(port) || (ended = waitpid(pid, nullptr, WNOHANG) == pid); }) &&
        !ended) {
      server->pid_ = pid;
      return server;
    }
    if (pid > 0 && !ended) {
      kill(-pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }
  ADD_FAILURE() << "vsftpd did not start";
  return nullptr;
}

bool MakeSelfSignedCertificate(const fs::path& certificate, const fs::path& key) {
  return Run("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost -keyout '" + key.string() +
             "' -out '" + certificate.string() + "' >/dev/null 2>&1");
}

bool MakeCaSignedCertificate(const fs::path& ca, const fs::path& certificate, const fs::path& key) {
  const std::string caKey = ca.string() + ".key";
  return Run("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=Vendora Test CA' -keyout '" + caKey +
             "' -out '" + ca.string() + "' >/dev/null 2>&1") &&
         Run("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 -addext "
             "subjectAltName=IP:127.0.0.1 -CA '" + ca.string() + "' -CAkey '" + caKey + "' -keyout '" + key.string() +
             "' -out '" + certificate.string() + "' >/dev/null 2>&1");
}

ScriptedFtpServer::ScriptedFtpServer(std::string greeting, Handler handler)
    : greeting_(std::move(greeting)), handler_(std::move(handler)) {
  listen_ = ListenLoopback(&port_);
  thread_ = std::thread(&ScriptedFtpServer::Serve, this);
}

ScriptedFtpServer::~ScriptedFtpServer() {
  if (thread_.joinable()) thread_.join();
  for (int fd : {listen_, control_, dataListen_})
    if (fd >= 0) close(fd);
}

int ScriptedFtpServer::Accept(int fd) {
  pollfd p{fd, POLLIN, 0};
  if (fd < 0 || poll(&p, 1, kWaitMs) <= 0) return -1;
  return accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
}

void ScriptedFtpServer::Serve() {
  control_ = Accept(listen_);
  if (control_ < 0) return;
  if (!greeting_.empty()) send(control_, greeting_.data(), greeting_.size(), MSG_NOSIGNAL);
  std::string pending;
  char chunk[4096];
  pollfd p{control_, POLLIN, 0};
  while (poll(&p, 1, kWaitMs) > 0) {
    const ssize_t n = recv(control_, chunk, sizeof chunk, 0);
    if (n <= 0) return;
    pending.append(chunk, static_cast<size_t>(n));
    for (size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
      const std::string command = pending.substr(0, end);
      pending.erase(0, end + 2);
      {
        std::lock_guard lock(mutex_);
        commands_.push_back(command);
      }
      handler_(*this, command);
      if (command == "QUIT") return;
    }
  }
}

void ScriptedFtpServer::Reply(const std::string& lines) {
  std::string out;
  std::istringstream in(lines);
  for (std::string line; std::getline(in, line);) out += line + "\r\n";
  send(control_, out.data(), out.size(), MSG_NOSIGNAL);
}

int ScriptedFtpServer::ListenForData() {
  if (dataListen_ >= 0) close(dataListen_);
  int port = 0;
  dataListen_ = ListenLoopback(&port);
  return port;
}

void ScriptedFtpServer::SendData(const std::string& bytes, int pauseMs) {
  const int fd = Accept(dataListen_);
  if (fd < 0) return;
  if (pauseMs <= 0) {
    send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  } else {
    for (char c : bytes) {
      if (send(fd, &c, 1, MSG_NOSIGNAL) != 1) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
  }
  close(fd);
}

std::string ScriptedFtpServer::ReceiveData() {
  const int fd = Accept(dataListen_);
  std::string bytes;
  char chunk[4096];
  for (ssize_t n; fd >= 0 && (n = recv(fd, chunk, sizeof chunk, 0)) > 0;) bytes.append(chunk, static_cast<size_t>(n));
  if (fd >= 0) close(fd);
  return bytes;
}

std::vector<std::string> ScriptedFtpServer::Commands() {
  if (thread_.joinable()) thread_.join();
  std::lock_guard lock(mutex_);
  return commands_;
}

}  // namespace vendora::test
