#include "publish/sftp_client.h"

#include <fcntl.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdio>
#include <system_error>
#include <vector>

#include <libssh/libssh.h>
#include <libssh/sftp.h>

#include "common/log.h"
#include "common/program_text.h"
#include "common/text_format.h"
#include "common/text_util.h"
#include "publish/transfer_texts.h"

namespace vendora {

namespace fs = std::filesystem;

namespace {

constexpr int kLevelConnection = 1;
constexpr int kLevelCommand = 2;
constexpr int kLevelListing = 3;
// One write request, with its header inside the 32 KB an SSH packet carries, so that
// it is never split into a full packet and a tiny one.
constexpr size_t kChunk = 32 * 1024 - 64;

std::string Text(int number) { return std::string(ProgramText(number)); }

int64_t TickMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string StatusText(int status) {
  switch (status) {
    case SSH_FX_EOF: return "Dateiende";
    case SSH_FX_NO_SUCH_FILE: return "Datei oder Verzeichnis nicht vorhanden";
    case SSH_FX_PERMISSION_DENIED: return "Zugriff verweigert";
    case SSH_FX_FILE_ALREADY_EXISTS: return "Datei oder Verzeichnis existiert bereits";
    case SSH_FX_OP_UNSUPPORTED: return "vom Server nicht unterstützt";
    case SSH_FX_NO_CONNECTION:
    case SSH_FX_CONNECTION_LOST: return "Verbindung verloren";
    default: return "Fehler " + std::to_string(status);
  }
}

struct CharDeleter {
  void operator()(char* p) const { ssh_string_free_char(p); }
};
using SshText = std::unique_ptr<char, CharDeleter>;

}  // namespace

struct SftpClient::Session {
  ssh_session ssh = nullptr;
  sftp_session sftp = nullptr;
  ~Session() {
    if (sftp) sftp_free(sftp);
    if (ssh) {
      if (ssh_is_connected(ssh)) ssh_disconnect(ssh);
      ssh_free(ssh);
    }
  }
};

// Marks a blocking call for the watchdog; every chunk is a call of its own, so a slow
// but moving transfer never times out.
class SftpClient::Busy {
 public:
  explicit Busy(SftpClient& client) : client_(client) {
    std::lock_guard lock(client_.watchMutex_);
    client_.busySince_ = TickMs();
  }
  ~Busy() {
    std::lock_guard lock(client_.watchMutex_);
    client_.busySince_ = 0;
  }

 private:
  SftpClient& client_;
};

SftpClient::SftpClient(GenerationLog* log, FtpClientOptions options) : log_(log), options_(std::move(options)) {
  if (options_.deadlineSeconds > 0) deadlineTick_ = TickMs() + options_.deadlineSeconds * 1000;
  watchdog_ = std::thread(&SftpClient::Watch, this);
}

SftpClient::~SftpClient() {
  {
    std::lock_guard lock(watchMutex_);
    stopWatch_ = true;
  }
  watchWake_.notify_all();
  watchdog_.join();
  Close();
}

void SftpClient::Watch() {
  std::unique_lock lock(watchMutex_);
  const int64_t limit = static_cast<int64_t>(options_.timeoutSeconds) * 1000;
  while (!stopWatch_) {
    watchWake_.wait_for(lock, std::chrono::milliseconds(200));
    if (busySince_ != 0 && socket_ >= 0 && limit > 0 && TickMs() - busySince_ > limit && !timedOut_) {
      // Shutting the socket down makes the waiting read return at once; libssh then
      // reports the connection as lost.
      timedOut_ = true;
      ::shutdown(socket_, SHUT_RDWR);
    }
  }
}

void SftpClient::Log(std::string_view text, int level) {
  if (log_) log_->Log(text, level);
}

void SftpClient::AdvanceProgress(uint64_t bytes) {
  progressPending_ += bytes;
  const uint64_t steps = progressPending_ / progressScale_;
  progressPending_ %= progressScale_;
  if (steps > 0 && log_) log_->Step(static_cast<int>(steps));
}

void SftpClient::Abort() {
  abort_.store(true);
  Log(ProgramText(text::kAbortingTransfer), kLevelConnection);
}

bool SftpClient::Connected() const { return session_ != nullptr; }

void SftpClient::Close() {
  {
    std::lock_guard lock(watchMutex_);
    socket_ = -1;
  }
  session_.reset();
}

bool SftpClient::Ready() {
  if (abort_) return false;
  if (deadlineTick_ != 0 && TickMs() >= deadlineTick_) {
    if (!abort_.exchange(true)) Log(texts::kFtpDeadlinePassed, kLevelConnection);
    lastMessage_ = std::string(texts::kFtpDeadlinePassed);
    return false;
  }
  if (!session_) {
    lastMessage_ = Text(text::kFtpNetworkError);
    return false;
  }
  return true;
}

bool SftpClient::Fail(std::string_view what) {
  const int status = session_ ? sftp_get_error(session_->sftp) : SSH_FX_NO_CONNECTION;
  const bool lost = !session_ || timedOut_ || !ssh_is_connected(session_->ssh) || status == SSH_FX_NO_CONNECTION ||
                    status == SSH_FX_CONNECTION_LOST || (status == SSH_FX_OK && ssh_get_error_code(session_->ssh) != 0);
  refused_ = !lost;
  if (!lost) {
    lastMessage_ = Format(texts::kSftpServerError, what, StatusText(status));
    Log(lastMessage_, kLevelCommand);
    return false;
  }
  if (timedOut_) {
    lastMessage_ = Format(texts::kSftpTimedOut, options_.timeoutSeconds);
  } else {
    lastMessage_ = Format(texts::kSftpConnectionLost, session_ ? ssh_get_error(session_->ssh) : "");
  }
  Log(lastMessage_, kLevelConnection);
  Close();
  return false;
}

std::string SftpClient::Resolve(std::string_view name) const {
  if (name.empty() || name == ".") return cwd_;
  if (name.front() == '/') return std::string(name);
  return (cwd_ == "/" ? "/" : cwd_ + "/") + std::string(name);
}

bool SftpClient::LogOn(const FtpValues& server) {
  untrusted_.reset();
  refused_ = false;
  Close();
  if (abort_) return false;
  Log(Format("SSH %s:%d, Benutzer %s", server.hostName, server.sftpPort, server.hostUser), kLevelCommand);
  if (!Connect(server) || !CheckHostKey(server.hostName) || !Authenticate(server.hostUser, server.hostPass)) {
    Close();
    return false;
  }
  Busy busy(*this);
  session_->sftp = sftp_new(session_->ssh);
  if (!session_->sftp || sftp_init(session_->sftp) != SSH_OK) {
    lastMessage_ = Format(texts::kSftpSubsystemFailed, ssh_get_error(session_->ssh));
    Log(lastMessage_, kLevelConnection);
    Close();
    return false;
  }
  SshText home(sftp_canonicalize_path(session_->sftp, "."));
  cwd_ = home ? home.get() : "/";
  return true;
}

bool SftpClient::Connect(const FtpValues& server) {
  session_ = std::make_unique<Session>();
  session_->ssh = ssh_new();
  ssh_session ssh = session_->ssh;
  if (!ssh) {
    lastMessage_ = Text(23826);
    return false;
  }
  const unsigned int port = static_cast<unsigned int>(server.sftpPort);
  const long timeout = options_.timeoutSeconds;
  ssh_options_set(ssh, SSH_OPTIONS_HOST, server.hostName.c_str());
  ssh_options_set(ssh, SSH_OPTIONS_PORT, &port);
  ssh_options_set(ssh, SSH_OPTIONS_USER, server.hostUser.c_str());
  ssh_options_set(ssh, SSH_OPTIONS_TIMEOUT, &timeout);
  // Every request waits for its answer: Nagle's delay would hold back each one.
  const int noDelay = 1;
  ssh_options_set(ssh, SSH_OPTIONS_NODELAY, &noDelay);
  if (!options_.sshDir.empty()) {
    // A folder of its own means a setup of its own: no user or system settings.
    const bool no = false;
    ssh_options_set(ssh, SSH_OPTIONS_PROCESS_CONFIG, &no);
    ssh_options_set(ssh, SSH_OPTIONS_SSH_DIR, options_.sshDir.c_str());
    ssh_options_set(ssh, SSH_OPTIONS_KNOWNHOSTS, (options_.sshDir / "known_hosts").c_str());
    ssh_options_set(ssh, SSH_OPTIONS_GLOBAL_KNOWNHOSTS, "/dev/null");
  }
  if (ssh_connect(ssh) != SSH_OK) {
    lastMessage_ = Format(texts::kSftpConnectFailed, server.hostName, ssh_get_error(ssh));
    Log(lastMessage_, kLevelConnection);
    return false;
  }
  std::lock_guard lock(watchMutex_);
  socket_ = ssh_get_fd(ssh);
  return true;
}

bool SftpClient::CheckHostKey(const std::string& host) {
  ssh_session ssh = session_->ssh;
  ssh_key key = nullptr;
  if (ssh_get_server_publickey(ssh, &key) != SSH_OK) {
    lastMessage_ = Format(texts::kSftpConnectFailed, host, ssh_get_error(ssh));
    return false;
  }
  unsigned char* hash = nullptr;
  size_t length = 0;
  const int hashed = ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &length);
  ssh_key_free(key);
  if (hashed != SSH_OK) {
    lastMessage_ = Format(texts::kSftpConnectFailed, host, ssh_get_error(ssh));
    return false;
  }
  SshText printed(ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, length));
  ssh_clean_pubkey_hash(&hash);
  const std::string fingerprint = printed ? printed.get() : "";
  char* file = nullptr;
  ssh_options_get(ssh, SSH_OPTIONS_KNOWNHOSTS, &file);
  const std::string knownHosts = file ? file : "~/.ssh/known_hosts";
  ssh_string_free_char(file);

  switch (ssh_session_is_known_server(ssh)) {
    case SSH_KNOWN_HOSTS_OK: return true;
    case SSH_KNOWN_HOSTS_CHANGED:
    case SSH_KNOWN_HOSTS_OTHER:
      // Never accepted, whatever the merchant said before: that is what the check is for.
      lastMessage_ = Format(texts::kSftpHostKeyChanged, host, fingerprint, knownHosts);
      Log(lastMessage_, kLevelConnection);
      return false;
    case SSH_KNOWN_HOSTS_UNKNOWN:
    case SSH_KNOWN_HOSTS_NOT_FOUND: break;
    case SSH_KNOWN_HOSTS_ERROR:
    default:
      lastMessage_ = Format(texts::kSftpConnectFailed, host, ssh_get_error(ssh));
      Log(lastMessage_, kLevelConnection);
      return false;
  }
  if (fingerprint.empty() || fingerprint != options_.trustedHostKey) {
    const std::string problem = Format(texts::kSftpHostKeyUnknown, host, fingerprint);
    untrusted_ = UntrustedCertificate{host, fingerprint, problem, true};
    lastMessage_ = problem;
    Log(problem, kLevelConnection);
    return false;
  }
  std::error_code ec;
  const fs::path folder = fs::path(knownHosts).parent_path();
  if (!folder.empty() && !fs::exists(folder, ec)) {
    fs::create_directories(folder, ec);
    fs::permissions(folder, fs::perms::owner_all, ec);
  }
  if (ssh_session_update_known_hosts(ssh) != SSH_OK) {
    lastMessage_ = Format(texts::kSftpHostKeyNotStored, knownHosts, ssh_get_error(ssh));
    Log(lastMessage_, kLevelConnection);
    return false;
  }
  Log(Format(texts::kSftpHostKeyAdded, host, knownHosts), kLevelConnection);
  return true;
}

bool SftpClient::Authenticate(const std::string& user, const std::string& password) {
  ssh_session ssh = session_->ssh;
  Busy busy(*this);
  // "none" first: it tells which methods the server takes.
  if (ssh_userauth_none(ssh, nullptr) == SSH_AUTH_SUCCESS) return true;
  const int methods = ssh_userauth_list(ssh, nullptr);
  // The merchant's password doubles as the passphrase of a protected key, as the one
  // secret the shop keeps for its server.
  if ((methods & SSH_AUTH_METHOD_PUBLICKEY) &&
      ssh_userauth_publickey_auto(ssh, nullptr, password.empty() ? nullptr : password.c_str()) == SSH_AUTH_SUCCESS) {
    Log(texts::kSftpLoggedOnWithKey, kLevelConnection);
    return true;
  }
  if (!password.empty() && (methods & SSH_AUTH_METHOD_PASSWORD) &&
      ssh_userauth_password(ssh, nullptr, password.c_str()) == SSH_AUTH_SUCCESS) {
    Log(texts::kSftpLoggedOnWithPassword, kLevelConnection);
    return true;
  }
  if (!password.empty() && (methods & SSH_AUTH_METHOD_INTERACTIVE)) {
    // Servers that ask for the password through PAM do it this way.
    int rc = ssh_userauth_kbdint(ssh, nullptr, nullptr);
    for (int rounds = 0; rc == SSH_AUTH_INFO && rounds < 4; ++rounds) {
      const int prompts = ssh_userauth_kbdint_getnprompts(ssh);
      for (int i = 0; i < prompts; ++i) ssh_userauth_kbdint_setanswer(ssh, static_cast<unsigned>(i), password.c_str());
      rc = ssh_userauth_kbdint(ssh, nullptr, nullptr);
    }
    if (rc == SSH_AUTH_SUCCESS) {
      Log(texts::kSftpLoggedOnWithPassword, kLevelConnection);
      return true;
    }
  }
  lastMessage_ = Text(text::kFtpLoginFailed);
  Log(Format(texts::kSftpAuthFailed, user), kLevelConnection);
  return false;
}

bool SftpClient::LogOff() {
  Close();
  return true;
}

bool SftpClient::ChangeDir(std::string_view path) {
  if (!Ready()) return false;
  Busy busy(*this);
  const std::string target = Resolve(path);
  SshText canonical(sftp_canonicalize_path(session_->sftp, target.c_str()));
  if (!canonical) return Fail(target);
  sftp_attributes attributes = sftp_stat(session_->sftp, canonical.get());
  if (!attributes) return Fail(target);
  const bool folder = attributes->type == SSH_FILEXFER_TYPE_DIRECTORY;
  sftp_attributes_free(attributes);
  if (!folder) {
    refused_ = true;
    lastMessage_ = Format(texts::kSftpServerError, target, StatusText(SSH_FX_NO_SUCH_FILE));
    return false;
  }
  cwd_ = canonical.get();
  Log("CWD " + cwd_, kLevelCommand);
  return true;
}

bool SftpClient::CurrentDir(std::string& path) {
  if (!Ready()) return false;
  path = cwd_;
  return true;
}

int SftpClient::MakeDir(std::string_view name, int acceptPermanentError) {
  if (name.empty()) return 1;
  if (!Ready()) return 0;
  Busy busy(*this);
  const std::string target = Resolve(name);
  Log("MKD " + target, kLevelCommand);
  if (sftp_mkdir(session_->sftp, target.c_str(), 0755) == 0) return 1;
  Fail(target);
  return refused_ ? acceptPermanentError : 0;
}

bool SftpClient::List(std::string_view directory, FtpListing& table) {
  if (!Ready()) return false;
  const std::string target = Resolve(directory);
  Log("LIST " + target, kLevelCommand);
  sftp_dir dir = nullptr;
  {
    Busy busy(*this);
    dir = sftp_opendir(session_->sftp, target.c_str());
  }
  if (!dir) return Fail(target);
  size_t entries = 0;
  uint64_t bytes = 0;
  bool ok = true;
  while (ok) {
    sftp_attributes a = nullptr;
    {
      Busy busy(*this);
      a = sftp_readdir(session_->sftp, dir);
    }
    if (!a) {
      if (!sftp_dir_eof(dir)) ok = Fail(target);
      break;
    }
    const std::string name = a->name ? a->name : "";
    if (a->longname) Log(a->longname, kLevelListing);
    bytes += name.size() + (a->longname ? std::string_view(a->longname).size() : 0);
    // Symbolic links are no files of the shop (the FTP listing skips them too).
    if (name != "." && name != ".." && !name.empty() && a->type != SSH_FILEXFER_TYPE_SYMLINK) {
      FtpFileEntry entry;
      entry.name = name;
      entry.directory = a->type == SSH_FILEXFER_TYPE_DIRECTORY;
      entry.size = entry.directory ? 0 : a->size;
      // Seconds since 1970, compared as text like an FTP listing's date.
      entry.stamp = std::to_string(a->mtime64 ? a->mtime64 : a->mtime);
      table[name] = std::move(entry);
    }
    sftp_attributes_free(a);
    if (++entries > options_.maxListingEntries || bytes > options_.maxListingBytes) {
      lastMessage_ = Format(texts::kFtpListingTooLarge, std::string(directory),
                            static_cast<int>(options_.maxListingEntries),
                            static_cast<int>(options_.maxListingBytes >> 20));
      Log(lastMessage_, kLevelConnection);
      abort_ = true;
      ok = false;
    }
    if (abort_) ok = false;
  }
  if (session_) sftp_closedir(dir);
  return ok;
}

bool SftpClient::Send(std::string_view remoteName, const fs::path& localPath) {
  if (!Ready()) return false;
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(localPath.c_str(), "rb"), std::fclose);
  if (!file) {
    lastMessage_ = Text(text::kLocalFileNotOpened);
    return false;
  }
  const std::string target = Resolve(remoteName);
  Log("STOR " + target, kLevelCommand);
  sftp_file remote = nullptr;
  {
    Busy busy(*this);
    remote = sftp_open(session_->sftp, target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  if (!remote) return Fail(target);
  std::vector<char> buffer(kChunk);
  uint64_t total = 0;
  bool ok = true, writeFailed = false;
  const int64_t start = TickMs();
  while (true) {
    const size_t n = std::fread(buffer.data(), 1, buffer.size(), file.get());
    if (n == 0) {
      if (std::ferror(file.get())) {
        lastMessage_ = Text(text::kFtpFileError);
        ok = false;
      }
      break;
    }
    ssize_t written = 0;
    {
      Busy busy(*this);
      written = sftp_write(remote, buffer.data(), n);
    }
    if (written != static_cast<ssize_t>(n)) {
      writeFailed = true;
      break;
    }
    total += n;
    AdvanceProgress(n);
    if (abort_) {
      ok = false;
      break;
    }
  }
  // The handle is closed (and freed) before Fail may end the session it belongs to; on
  // a lost connection the close fails at once. The server may only report a full disk
  // when the file is closed.
  int closed = SSH_NO_ERROR;
  {
    Busy busy(*this);
    closed = sftp_close(remote);
  }
  if (writeFailed || (closed != SSH_NO_ERROR && ok)) ok = Fail(target);
  if (ok) Log(TransferStatistics(true, total, start, TickMs()), kLevelCommand);
  return ok;
}

namespace {

void PutU32(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}
void PutText(std::string& out, std::string_view text) {
  PutU32(out, static_cast<uint32_t>(text.size()));
  out += text;
}
uint32_t GetU32(const unsigned char* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}
bool ReadExactly(ssh_channel channel, unsigned char* into, size_t size) {
  for (size_t got = 0; got < size;) {
    const int n = ssh_channel_read(channel, into + got, static_cast<uint32_t>(size - got), 0);
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  return true;
}

// OpenSSH's "posix-rename@openssh.com": rename(2) on the server, which replaces the
// target in one step. libssh offers only the protocol's own RENAME, which refuses an
// existing target. The request is synchronous like every other here, so no reply of
// libssh's own can be waiting on the channel. Returns the status code, or -1 when the
// channel failed.
int PosixRename(sftp_session sftp, const std::string& source, const std::string& target) {
  const uint32_t id = ++sftp->id_counter;
  std::string body;
  body += static_cast<char>(SSH_FXP_EXTENDED);
  PutU32(body, id);
  PutText(body, "posix-rename@openssh.com");
  PutText(body, source);
  PutText(body, target);
  std::string packet;
  PutU32(packet, static_cast<uint32_t>(body.size()));
  packet += body;
  if (ssh_channel_write(sftp->channel, packet.data(), static_cast<uint32_t>(packet.size())) !=
      static_cast<int>(packet.size()))
    return -1;
  unsigned char head[4];
  if (!ReadExactly(sftp->channel, head, sizeof head)) return -1;
  const uint32_t length = GetU32(head);
  if (length < 9 || length > 256 * 1024) return -1;
  std::vector<unsigned char> reply(length);
  if (!ReadExactly(sftp->channel, reply.data(), length)) return -1;
  if (reply[0] != SSH_FXP_STATUS || GetU32(&reply[1]) != id) return -1;
  return static_cast<int>(GetU32(&reply[5]));
}

}  // namespace

bool SftpClient::Rename(std::string_view from, std::string_view to) {
  if (!Ready()) return false;
  Busy busy(*this);
  const std::string source = Resolve(from), target = Resolve(to);
  Log("RENAME " + source + " " + target, kLevelCommand);
  if (!sftp_extension_supported(session_->sftp, "posix-rename@openssh.com", "1"))
    return sftp_rename(session_->sftp, source.c_str(), target.c_str()) == 0 || Fail(target);
  const int status = PosixRename(session_->sftp, source, target);
  if (status == SSH_FX_OK) return true;
  if (status < 0) {
    // The conversation is out of step now; nothing more can be asked on it.
    lastMessage_ = Format(texts::kSftpConnectionLost, ssh_get_error(session_->ssh));
    Log(lastMessage_, kLevelConnection);
    Close();
    return false;
  }
  refused_ = true;
  lastMessage_ = Format(texts::kSftpServerError, target, StatusText(status));
  Log(lastMessage_, kLevelCommand);
  return false;
}

int SftpClient::Chmod755(std::string_view fileName, int resultIfRefused) {
  if (!Ready()) return 0;
  Busy busy(*this);
  const std::string target = Resolve(fileName);
  Log("CHMOD 755 " + target, kLevelCommand);
  if (sftp_chmod(session_->sftp, target.c_str(), 0755) == 0) return 1;
  Fail(target);
  return refused_ ? resultIfRefused : 0;
}

int SftpClient::Delete(std::string_view name, int resultIfRefused) {
  // After an abort nothing more goes: the live shop keeps the files its data may name.
  if (abort_) return 0;
  if (name.empty()) return 1;
  if (!Ready()) return 0;
  Busy busy(*this);
  const std::string target = Resolve(name);
  Log("DELE " + target, kLevelCommand);
  if (sftp_unlink(session_->sftp, target.c_str()) == 0) return 1;
  Fail(target);
  return refused_ ? resultIfRefused : 0;
}

}  // namespace vendora
