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

std::vector<std::string> FtpTestServer::Uploads() const {
  std::vector<std::string> stored = LogPaths("UPLOAD");
  // Both servers log a rename as "FROM TO".
  const std::vector<std::string> renames = LogPaths("RENAME");
  for (std::string& path : stored)
    for (const std::string& rename : renames)
      if (rename.starts_with(path + " ")) path = rename.substr(path.size() + 1);
  return stored;
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

namespace {
constexpr const char* kSftpUser = "vendora-sftp";
constexpr const char* kSftpPassword = "Sftp-Geheim-7";

std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }
}  // namespace

std::unique_ptr<SshdTestServer> SshdTestServer::Start(const fs::path& dir, const std::string& keyPassphrase) {
  if (!fs::exists("/usr/sbin/sshd") || !fs::exists("/usr/bin/ssh-keygen")) {
    ADD_FAILURE() << "sshd is missing (Debian package openssh-server)";
    return nullptr;
  }
  if (geteuid() != 0) {
    ADD_FAILURE() << "sshd needs root to log a test user on by password";
    return nullptr;
  }
  auto server = std::unique_ptr<SshdTestServer>(new SshdTestServer());
  server->dir_ = dir;
  server->root_ = dir / "root";
  server->clientDir_ = dir / "client";
  server->logFile_ = dir / "sftp-server.log";
  server->user_ = kSftpUser;
  server->password_ = kSftpPassword;
  server->writableBase_ = "";
  fs::create_directories(server->root_);
  fs::create_directories(server->clientDir_);
  fs::create_directories("/run/sshd");
  if (!getpwnam(kSftpUser) &&
      !Run(std::string("useradd -M -d /nonexistent -s /bin/sh ") + kSftpUser + " >/dev/null 2>&1")) {
    ADD_FAILURE() << "the test user could not be made";
    return nullptr;
  }
  const passwd* user = getpwnam(kSftpUser);
  if (!user || !Run(std::string("echo '") + kSftpUser + ":" + kSftpPassword + "' | chpasswd") ||
      chown(server->root_.c_str(), user->pw_uid, user->pw_gid) != 0 ||
      !std::ofstream(server->logFile_) || chown(server->logFile_.c_str(), user->pw_uid, user->pw_gid) != 0) {
    ADD_FAILURE() << "the test user could not be set up";
    return nullptr;
  }
  const fs::path clientKey = server->clientDir_ / "id_ed25519";
  if (!Run("ssh-keygen -q -t ed25519 -N '' -f " + Quoted(dir / "host_key") + " </dev/null >/dev/null") ||
      !Run("ssh-keygen -q -t ed25519 -N '" + keyPassphrase + "' -f " + Quoted(clientKey) + " </dev/null >/dev/null")) {
    ADD_FAILURE() << "ssh-keygen failed";
    return nullptr;
  }
  fs::copy_file(clientKey.string() + ".pub", dir / "authorized_keys");
  server->port_ = FreePort();
  if (!server->Launch()) {
    ADD_FAILURE() << "sshd did not start";
    return nullptr;
  }
  return server;
}

bool SshdTestServer::Launch() {
  {
    std::ofstream conf(dir_ / "sshd_config");
    conf << "Port " << port_ << "\nListenAddress 127.0.0.1\nHostKey " << (dir_ / "host_key").string()
         << "\nPidFile none\nAuthorizedKeysFile " << (dir_ / "authorized_keys").string()
         << "\nStrictModes no\nUsePAM no\nPasswordAuthentication yes\nKbdInteractiveAuthentication no\n"
            "PubkeyAuthentication yes\nPermitRootLogin no\nAllowUsers "
         << kSftpUser << "\nLogLevel INFO\n"
         // Through the user's shell: the server's log of every request goes to a file.
         << "Subsystem sftp /usr/lib/openssh/sftp-server -e -l INFO -d " << Quoted(root_) << " 2>>" << Quoted(logFile_)
         << "\n";
  }
  std::error_code ec;
  const pid_t pid = Spawn({"/bin/sh", "-c",
                           "exec /usr/sbin/sshd -D -e -f " + Quoted(dir_ / "sshd_config") + " 2>>" +
                               Quoted(dir_ / "sshd.log")},
                          nullptr);
  bool ended = false;
  if (pid > 0 && WaitUntil([&] { return CanConnect(port_) || (ended = waitpid(pid, nullptr, WNOHANG) == pid); }) &&
      !ended) {
    pid_ = pid;
    return true;
  }
  if (pid > 0 && !ended) {
    kill(-pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
  return false;
}

SshdTestServer::~SshdTestServer() { Resume(); }

bool SshdTestServer::Restart(bool newHostKey) {
  Resume();
  if (pid_ > 0) {
    kill(-pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  if (newHostKey) {
    fs::remove(dir_ / "host_key");
    fs::remove(dir_ / "host_key.pub");
    if (!Run("ssh-keygen -q -t ed25519 -N '' -f " + Quoted(dir_ / "host_key") + " </dev/null >/dev/null")) return false;
  }
  return WaitUntil([&] { return !CanConnect(port_); }) && Launch();
}

namespace {
// sshd runs each session in a session of its own: the server is the listener and
// every process below it.
std::vector<pid_t> ProcessTree(pid_t root) {
  std::vector<pid_t> tree{root};
  for (size_t i = 0; i < tree.size(); ++i)
    for (const auto& e : fs::directory_iterator("/proc")) {
      const std::string name = e.path().filename().string();
      if (name.find_first_not_of("0123456789") != std::string::npos) continue;
      std::ifstream in(e.path() / "stat");
      std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      const size_t close = stat.rfind(')');
      if (close == std::string::npos) continue;
      std::istringstream fields(stat.substr(close + 2));
      std::string state;
      pid_t parent = 0;
      fields >> state >> parent;
      if (parent == tree[i]) tree.push_back(std::stoi(name));
    }
  return tree;
}
}  // namespace

void SshdTestServer::Pause() {
  if (pid_ > 0 && !paused_)
    for (pid_t p : ProcessTree(pid_)) kill(p, SIGSTOP);
  paused_ = true;
}

void SshdTestServer::Resume() {
  if (pid_ > 0 && paused_)
    for (pid_t p : ProcessTree(pid_)) kill(p, SIGCONT);
  paused_ = false;
}

std::string SshdTestServer::HostKeyFingerprint() const {
  std::string out;
  if (FILE* p = popen(("ssh-keygen -l -E sha256 -f " + Quoted(dir_ / "host_key.pub")).c_str(), "r")) {
    for (int c; (c = fgetc(p)) != EOF;) out += static_cast<char>(c);
    pclose(p);
  }
  // "256 SHA256:... comment (ED25519)"
  const size_t start = out.find("SHA256:");
  return start == std::string::npos ? std::string() : out.substr(start, out.find(' ', start) - start);
}

// sftp-server's lines: open "P" flags WRITE,..., posix-rename old "A" new "B" (or
// rename), remove name "P"; paths as the server saw them, made relative to Root().
std::vector<std::string> SshdTestServer::LogPaths(const std::string& kind) const {
  const std::string root = fs::canonical(root_).string();
  auto relative = [&](std::string path) {
    if (path.starts_with(root)) path = path.substr(root.size());
    return path;
  };
  auto quoted = [](const std::string& line, size_t from, size_t* end) {
    const size_t open = line.find('"', from);
    const size_t close = open == std::string::npos ? open : line.find('"', open + 1);
    if (close == std::string::npos) return std::string();
    *end = close + 1;
    return line.substr(open + 1, close - open - 1);
  };
  std::vector<std::string> paths;
  std::istringstream in(ReadLogFromMark());
  for (std::string line; std::getline(in, line);) {
    size_t at = 0, end = 0;
    if (kind == "UPLOAD" && line.starts_with("open \"") && line.find(" flags WRITE") != std::string::npos) {
      paths.push_back(relative(quoted(line, at, &end)));
    } else if (kind == "DELETE" && line.starts_with("remove name \"")) {
      paths.push_back(relative(quoted(line, at, &end)));
    } else if (kind == "RENAME" && (line.starts_with("rename old \"") || line.starts_with("posix-rename old \""))) {
      const std::string from = quoted(line, at, &end);
      const std::string to = quoted(line, end, &end);
      paths.push_back(relative(from) + " " + relative(to));
    }
  }
  return paths;
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
