#include "publish/ftp_client.h"

#include <chrono>
#include <cstdio>

#include "common/program_text.h"
#include "common/fingerprint.h"
#include "common/text_util.h"
#include "common/log.h"
#include "publish/ftp_tls.h"

namespace vendora {

namespace {

constexpr int kLevelConnection = 1, kLevelProtocol = 2, kLevelListing = 3;
constexpr size_t kMaxReplyLine = 64 * 1024;
constexpr int kMaxReplyLines = 1000;

std::string Text(int number) { return std::string(ProgramText(number)); }

int64_t TickMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool HasCode(std::string_view line) { return line.size() >= 4 && IsDigit(line[0]) && IsDigit(line[1]) && IsDigit(line[2]); }

// The logon sequences: each step sends a command and goes on by the reply's class.
constexpr int kDone = -1, kFail = -2;
struct LogonStep {
  int command;
  int on2xx, on3xx;
};
constexpr int kMaxSteps = 6;
constexpr LogonStep kEnd{-1, kFail, kFail};
constexpr LogonStep kSequences[kLogonTypeCount][kMaxSteps] = {
    {{0, kDone, 1}, {1, kDone, 2}, {2, kDone, kFail}, kEnd, kEnd, kEnd},
    {{3, 2, 1}, {4, 2, kFail}, {5, kFail, 3}, {0, kDone, 4}, {1, kDone, 5}, {2, kDone, kFail}},
    {{3, 2, 1}, {4, 2, kFail}, {6, kDone, 3}, {1, kDone, 4}, {2, kDone, kFail}, kEnd},
    {{7, 1, 1}, {0, kDone, 2}, {1, kDone, 3}, {2, kDone, kFail}, kEnd, kEnd},
    {{3, 2, 1}, {4, 2, kFail}, {0, kDone, 3}, {1, kDone, 4}, {2, kDone, kFail}, kEnd},
    {{6, kDone, 1}, {1, kDone, 2}, {2, kDone, kFail}, kEnd, kEnd, kEnd},
    {{8, 2, 1}, {4, 2, kFail}, {0, kDone, 3}, {1, kDone, 4}, {2, kDone, kFail}, kEnd},
    {{9, kFail, 1}, {1, kDone, 2}, {2, kDone, kFail}, kEnd, kEnd, kEnd},
    {{10, kDone, 1}, {11, kDone, 2}, {2, kDone, kFail}, kEnd, kEnd, kEnd},
};

class LocalFile {
 public:
  LocalFile(const std::filesystem::path& path, bool write) : f_(std::fopen(path.c_str(), write ? "wb" : "rb")) {}
  ~LocalFile() { Close(); }
  explicit operator bool() const { return f_ != nullptr; }
  std::FILE* get() const { return f_; }
  bool Close() {
    if (!f_) return true;
    const bool ok = std::fclose(f_) == 0;
    f_ = nullptr;
    return ok;
  }

 private:
  std::FILE* f_;
};

}  // namespace

std::optional<PassiveAddress> ParsePasvReply(std::string_view reply) {
  const size_t open = reply.find('(');
  if (open == std::string_view::npos) return std::nullopt;
  const size_t close = reply.find(')', open + 1);
  if (close == std::string_view::npos) return std::nullopt;
  std::string_view rest = reply.substr(open + 1, close - open - 1);
  int numbers[6];
  for (int n = 0; n < 6; ++n) {
    const size_t comma = rest.find(',');
    if ((comma == std::string_view::npos) != (n == 5)) return std::nullopt;
    const std::string_view part = Trim(rest.substr(0, comma));
    if (part.empty() || part.size() > 3) return std::nullopt;
    int value = 0;
    for (char c : part) {
      if (!IsDigit(c)) return std::nullopt;
      value = value * 10 + (c - '0');
    }
    if (value > 255) return std::nullopt;
    numbers[n] = value;
    if (comma != std::string_view::npos) rest.remove_prefix(comma + 1);
  }
  PassiveAddress a;
  a.host = Format("%d.%d.%d.%d", numbers[0], numbers[1], numbers[2], numbers[3]);
  a.port = numbers[4] * 256 + numbers[5];
  if (a.port == 0) return std::nullopt;
  return a;
}

std::string PortCommand(std::string_view ipv4, int port) {
  std::string address(ipv4);
  for (char& c : address)
    if (c == '.') c = ',';
  return Format("PORT %s,%d,%d", address, port / 256, port % 256);
}

std::string TransferStatistics(bool upload, uint64_t bytes, int64_t startTick, int64_t endTick) {
  int64_t elapsed = endTick - startTick;
  if (endTick > startTick) ++elapsed;
  if (elapsed < 10) elapsed = 10;
  const double seconds = static_cast<double>(elapsed) * 0.001;
  const auto perSecond = static_cast<long long>(static_cast<double>(bytes) / seconds);
  return FormatProgramText(upload ? text::kUploadSummary : text::kDownloadSummary, bytes, seconds, perSecond);
}

std::string CommandLogLine(std::string_view command) {
  if (!command.starts_with("PASS ")) return Format("Sending %s", command);
  std::string hidden = "PASS ********";
  if (command.find('@', 1) != std::string_view::npos) hidden += "@********";
  return Format("Sending %s", hidden);
}

struct FtpClient::DataConnection {
  SocketFd listening;  // active mode: where the server connects to
  SocketFd connected;  // passive mode: the connection to the server's port
  std::unique_ptr<FtpChannel> channel;
};

FtpClient::FtpClient(GenerationLog* log, FtpClientOptions options)
    : log_(log), options_(std::move(options)), buffer_(kBufferSize + 16) {
  if (options_.deadlineSeconds > 0) deadlineTick_ = TickMs() + options_.deadlineSeconds * 1000;
}

FtpClient::~FtpClient() { CloseControl(); }

void FtpClient::Log(std::string_view text, int level) {
  if (log_) log_->Log(text, level);
}

void FtpClient::AdvanceProgress(uint64_t bytes) {
  progressPending_ += bytes;
  const uint64_t steps = progressPending_ / progressScale_;
  progressPending_ %= progressScale_;
  if (steps > 0 && log_) log_->Step(static_cast<int>(steps));
}

void FtpClient::Abort() {
  abort_.store(true);
  Log(ProgramText(text::kAbortingTransfer), kLevelConnection);
}

void FtpClient::CloseControl() {
  control_.reset();
  controlTls_ = nullptr;
  readBuffer_.clear();
  readPos_ = 0;
}

bool FtpClient::PastDeadline() {
  if (deadlineTick_ == 0 || TickMs() < deadlineTick_) return false;
  if (!abort_.exchange(true)) Log(texts::kFtpDeadlinePassed, kLevelConnection);
  lastMessage_ = std::string(texts::kFtpDeadlinePassed);
  return true;
}

void FtpClient::FailNetwork(const std::string& reason) {
  lastMessage_ = Text(text::kFtpNetworkError);
  Log(Format(texts::kFtpConnectionLost, reason), kLevelConnection);
  // The state of the conversation is unknown now: a late reply would be read as the
  // answer to the next command.
  CloseControl();
}

bool FtpClient::SendCommand(std::string_view text) {
  lastMessage_ = Text(text::kFtpNetworkError);
  if (!control_) return false;
  if (PastDeadline()) {
    CloseControl();
    return false;
  }
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) {
      lastMessage_ = std::string(texts::kFtpCommandHasLineEnd);
      Log(lastMessage_, kLevelConnection);
      return false;
    }
  }
  Log(CommandLogLine(text), kLevelProtocol);
  std::string line(text);
  line += "\r\n";
  if (!control_->SendAll(line.data(), line.size())) {
    FailNetwork(control_->Error());
    return false;
  }
  return true;
}

bool FtpClient::ReadLine(std::string& line) {
  lastMessage_ = Text(text::kFtpNetworkError);
  if (!control_) return false;
  for (;;) {
    const size_t lf = readBuffer_.find('\n', readPos_);
    if (lf != std::string::npos) {
      line.assign(readBuffer_, readPos_, lf - readPos_);
      readPos_ = lf + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      break;
    }
    if (readBuffer_.size() - readPos_ > kMaxReplyLine) {
      FailNetwork(std::string(texts::kFtpReplyTooLong));
      return false;
    }
    readBuffer_.erase(0, readPos_);
    readPos_ = 0;
    char chunk[4096];
    const long n = control_->Receive(chunk, sizeof chunk);
    if (n <= 0) {
      FailNetwork(n == 0 ? std::string(texts::kFtpServerClosed) : control_->Error());
      return false;
    }
    readBuffer_.append(chunk, static_cast<size_t>(n));
  }
  lastMessage_ = line;
  // An empty line is no reply: it must not pass for the class of the one before.
  replyClass_ = line.empty() ? 0 : line[0] - '0';
  Log(line, kLevelProtocol);
  return true;
}

bool FtpClient::ReadReply() {
  std::string line;
  if (!ReadLine(line)) return false;
  if (line.size() < 4 || line[3] != '-' || !HasCode(line)) return true;
  const std::string code = line.substr(0, 3);
  for (int count = 0;; ++count) {
    if (count == kMaxReplyLines) {
      FailNetwork(std::string(texts::kFtpReplyTooLong));
      return false;
    }
    if (!ReadLine(line)) return false;
    if (line.size() >= 4 && line[3] == ' ' && line.compare(0, 3, code) == 0) return true;
  }
}

bool FtpClient::Command(std::string_view text) {
  if (!text.empty() && !SendCommand(text)) return false;
  if (!ReadReply()) return false;
  return replyClass_ == 2;
}

bool FtpClient::Connect(const std::string& host, int port) {
  CloseControl();
  Result<SocketFd> fd = ConnectTcp(host, port, options_.timeoutSeconds * 1000);
  if (!fd.ok()) {
    lastMessage_ = Text(text::kFtpConnectFailed);
    Log(Format(texts::kFtpConnectFailed, fd.message()), kLevelConnection);
    return false;
  }
  control_ = std::make_unique<TcpChannel>(std::move(*fd), options_.timeoutSeconds * 1000);
  return true;
}

bool FtpClient::StartTls(const std::string& host) {
  if (!Command("AUTH TLS")) {
    Log(Format(texts::kFtpTlsRefused, lastMessage_), kLevelConnection);
    return false;
  }
  Status failed;
  if (!tls_) {
    Result<std::unique_ptr<TlsContext>> context = TlsContext::Create(options_.caFile);
    if (context.ok()) tls_ = std::move(*context);
    else failed = context.status();
  }
  std::unique_ptr<TlsChannel> channel;
  if (tls_) {
    SocketFd fd = static_cast<TcpChannel&>(*control_).TakeSocket();
    Result<std::unique_ptr<TlsChannel>> connected =
        TlsChannel::Connect(*tls_, std::move(fd), host, nullptr, options_.timeoutSeconds * 1000);
    if (connected.ok()) channel = std::move(*connected);
    else failed = connected.status();
  }
  if (!channel) {
    CloseControl();
    lastMessage_ = failed.message();
    Log(lastMessage_, kLevelConnection);
    return false;
  }
  if (!channel->Verified()) {
    if (channel->Fingerprint() != NormalizeFingerprint(options_.trustedFingerprint)) {
      untrusted_ = UntrustedCertificate{host, channel->Fingerprint(), channel->Problem()};
      lastMessage_ =
          Format(texts::kFtpCertificateUntrusted, host, channel->Problem(), ShowFingerprint(channel->Fingerprint()));
      Log(lastMessage_, kLevelConnection);
      CloseControl();
      return false;
    }
    Log(texts::kFtpCertificateTrustedByFingerprint, kLevelConnection);
  }
  controlFingerprint_ = channel->Fingerprint();
  controlTls_ = channel.get();
  readBuffer_.clear();
  readPos_ = 0;
  control_ = std::move(channel);
  return true;
}

bool FtpClient::RunLogonSequence(int type, const std::vector<std::string>& commands) {
  int step = 0;
  for (;;) {
    if (abort_) {
      LogOff();
      return false;
    }
    const LogonStep& s = kSequences[type][step];
    if (!SendCommand(commands[static_cast<size_t>(s.command)]) || !ReadReply()) return false;
    if (replyClass_ != 2 && replyClass_ != 3) return false;  // 4xx, 5xx or garbage
    const int next = replyClass_ == 2 ? s.on2xx : s.on3xx;
    if (next == kDone) return true;
    if (next == kFail) {
      lastMessage_ = Text(text::kFtpLoginFailed);
      Log(lastMessage_, kLevelConnection);
      return false;
    }
    step = next;
  }
}

bool FtpClient::LogOn(const std::string& host, int hostPort, const std::string& user, const std::string& password,
                      const std::string& account, const std::string& firewallHost, const std::string& firewallUser,
                      const std::string& firewallPassword, int firewallPort, int logonType) {
  if (logonType < 0 || logonType >= kLogonTypeCount) return false;
  untrusted_.reset();
  const std::string remote = hostPort == 21 ? host : Format("%s:%d", host, hostPort);
  const std::string& connectHost = logonType == 0 ? host : firewallHost;
  if (!Connect(connectHost, logonType == 0 ? hostPort : firewallPort)) return false;
  if (!Command("")) return false;
  if (options_.useTls && !StartTls(connectHost)) return false;

  const std::vector<std::string> commands = {
      "USER " + user,
      "PASS " + password,
      "ACCT " + account,
      "USER " + firewallUser,
      "PASS " + firewallPassword,
      "SITE " + remote,
      "USER " + user + "@" + remote,
      "OPEN " + remote,
      "USER " + firewallUser + "@" + remote,
      "USER " + user + "@" + remote + " " + firewallUser,
      "USER " + user + "@" + firewallUser + "@" + remote,
      "PASS " + password + "@" + firewallPassword,
  };
  if (!RunLogonSequence(logonType, commands)) return false;

  if (controlTls_ && !(Command("PBSZ 0") && Command("PROT P"))) {
    Log(Format(texts::kFtpTlsProtectionRefused, lastMessage_), kLevelConnection);
    return false;
  }
  passive_ = false;
  SetAsciiType();
  return true;
}

bool FtpClient::LogOff() {
  if (SendCommand("QUIT")) ReadReply();
  CloseControl();
  return true;
}

bool FtpClient::ChangeDir(std::string_view path) { return Command(Format("CWD %s", path.empty() ? "." : path)); }

bool FtpClient::CurrentDir(std::string& path) {
  path.clear();
  if (!Command("PWD")) return false;
  const std::string& reply = lastMessage_;
  if (reply.size() < 6) return true;
  const char quote = reply[4];
  const size_t end = reply.find(quote, 5);
  if (end != std::string::npos) path = reply.substr(5, end - 5);
  return true;
}

int FtpClient::Chmod755(std::string_view fileName, int resultIfRefused) {
  return Command(Format("SITE chmod 755 %s", fileName)) ? 1 : resultIfRefused;
}

int FtpClient::MakeDir(std::string_view name, int acceptPermanentError) {
  if (name.empty()) return 1;
  if (Command(Format("MKD %s", name))) return 1;
  return replyClass_ == 5 ? acceptPermanentError : 0;
}

bool FtpClient::LogOn(const FtpValues& f) {
  if (!LogOn(f.hostName, f.hostPort, f.hostUser, f.hostPass, f.hostAcct, f.proxyName, f.proxyUser, f.proxyPass,
             f.proxyPort, f.proxyType))
    return false;
  passive_ = f.passive;
  return true;
}

bool FtpClient::Send(std::string_view remoteName, const std::filesystem::path& localPath) {
  return MoveFile(remoteName, localPath, false, true);
}

bool FtpClient::Rename(std::string_view from, std::string_view to) {
  if (abort_ || from.empty() || to.empty()) return false;
  // RNFR is answered 350 ("pending further information"), not 2xx.
  if (!SendCommand(Format("RNFR %s", from)) || !ReadReply() || replyClass_ != 3) return false;
  return Command(Format("RNTO %s", to));
}

int FtpClient::Delete(std::string_view name, int resultIfRefused) {
  // After an abort nothing more goes: the live shop keeps the files its data may name.
  if (abort_) return 0;
  if (name.empty()) return 1;
  if (Command(Format("DELE %s", name))) return 1;
  // Only the server's refusal is the caller's to judge; without a connection nothing was done.
  return control_ ? resultIfRefused : 0;
}

bool FtpClient::SetImageType() {
  if (!Command("TYPE I")) return false;
  asciiMode_ = false;
  return true;
}

bool FtpClient::SetAsciiType() {
  if (!Command("TYPE A")) return false;
  asciiMode_ = true;
  return true;
}

bool FtpClient::PrepareData(DataConnection& data) {
  if (passive_) {
    if (!Command("PASV")) return false;
    const std::optional<PassiveAddress> offered = ParsePasvReply(lastMessage_);
    if (!offered) return false;
    const std::optional<SocketAddress> peer = control_ ? PeerAddress(control_->Fd()) : std::nullopt;
    if (!peer) {
      lastMessage_ = Text(text::kFtpNetworkError);
      return false;
    }
    // The data connection goes where the control connection goes: a server behind
    // NAT names its private address, a hostile one a third host to attack.
    if (offered->host != peer->host) Log(Format(texts::kFtpForeignPasvHost, offered->host, peer->host), kLevelConnection);
    // Connected before the command goes out: the server can answer it at once, and a
    // failure leaves no command waiting for its reply.
    Result<SocketFd> connected = ConnectTcp(peer->host, offered->port, options_.timeoutSeconds * 1000);
    if (!connected.ok()) {
      lastMessage_ = Text(text::kFtpNetworkError);
      Log(Format(texts::kFtpDataFailed, connected.message()), kLevelConnection);
      return false;
    }
    data.connected = std::move(*connected);
    return true;
  }
  lastMessage_ = Text(text::kFtpNetworkError);
  const std::optional<SocketAddress> local = control_ ? LocalAddress(control_->Fd()) : std::nullopt;
  if (!local) return false;
  if (!local->ipv4) {
    Log(texts::kFtpActiveNeedsIpv4, kLevelConnection);
    return false;
  }
  Result<SocketFd> listener = ListenTcp(true);
  if (listener.ok()) data.listening = std::move(*listener);
  const std::optional<SocketAddress> listening =
      data.listening.Valid() ? LocalAddress(data.listening.Get()) : std::nullopt;
  if (!listening) {
    Log(Format(texts::kFtpDataFailed, listener.ok() ? std::string() : listener.message()), kLevelConnection);
    return false;
  }
  return Command(PortCommand(local->host, listening->port));
}

// Steps 9 and 10 of a transfer: the 1xx reply, the server's connection in active
// mode, TLS.
bool FtpClient::OpenData(DataConnection& data) {
  const int timeoutMs = options_.timeoutSeconds * 1000;
  SocketFd fd = std::move(data.connected);
  if (!ReadReply()) return false;
  if (replyClass_ != 1) return false;
  if (!passive_) {
    const std::optional<SocketAddress> peer = control_ ? PeerAddress(control_->Fd()) : std::nullopt;
    const int64_t deadline = TickMs() + timeoutMs;
    while (!fd.Valid()) {
      const int left = static_cast<int>(deadline - TickMs());
      if (left <= 0) {
        FailNetwork(Format(texts::kFtpDataFailed, "Zeitüberschreitung."));
        return false;
      }
      Result<SocketFd> accepted = AcceptTcp(data.listening.Get(), left);
      if (!accepted.ok()) {
        FailNetwork(Format(texts::kFtpDataFailed, accepted.message()));
        return false;
      }
      SocketFd candidate = std::move(*accepted);
      const std::optional<SocketAddress> from = PeerAddress(candidate.Get());
      if (peer && from && from->host == peer->host) fd = std::move(candidate);
      else Log(Format(texts::kFtpForeignDataPeer, from ? from->host : "?", peer ? peer->host : "?"), kLevelConnection);
    }
    data.listening.Reset();
  }
  if (!controlTls_) {
    data.channel = std::make_unique<TcpChannel>(std::move(fd), timeoutMs);
    return true;
  }
  Result<std::unique_ptr<TlsChannel>> tls = TlsChannel::Connect(*tls_, std::move(fd), "", controlTls_, timeoutMs);
  if (tls.ok() && (*tls)->Fingerprint() != controlFingerprint_)
    tls = Status::Error(std::string(texts::kFtpDataCertificateChanged));
  if (!tls.ok()) {
    Log(Format(texts::kFtpDataFailed, tls.message()), kLevelConnection);
    ReadReply();  // the server's answer to the failed transfer
    lastMessage_ = Text(text::kFtpNetworkError);
    return false;
  }
  data.channel = std::move(*tls);
  return true;
}

bool FtpClient::MoveFile(std::string_view remoteName, const std::filesystem::path& localPath, bool download,
                         bool imageMode) {
  if (abort_) return false;
  LocalFile file(localPath, download);
  if (!file) {
    lastMessage_ = Text(text::kLocalFileNotOpened);
    return false;
  }
  if (imageMode && asciiMode_ && !SetImageType()) return false;
  DataConnection data;
  if (!PrepareData(data)) return false;
  if (abort_) return false;
  if (!SendCommand(Format("%s %s", download ? "RETR" : "STOR", remoteName))) return false;
  // Once the command is out, the exchange is finished even after an abort, so that
  // the next reply read answers the next command.
  if (!OpenData(data)) return false;

  uint64_t total = 0;
  bool aborted = abort_, fileError = false, streamError = false;
  const int64_t start = TickMs();
  char* buffer = buffer_.data();
  while (!aborted) {
    if (download) {
      const long n = data.channel->Receive(buffer, kBufferSize);
      if (n < 0) streamError = true;
      if (n <= 0) break;
      if (std::fwrite(buffer, 1, static_cast<size_t>(n), file.get()) != static_cast<size_t>(n)) {
        fileError = true;
        break;
      }
      total += static_cast<uint64_t>(n);
      AdvanceProgress(static_cast<uint64_t>(n));
    } else {
      const size_t n = std::fread(buffer, 1, kBufferSize, file.get());
      if (n == 0) {
        fileError = std::ferror(file.get()) != 0;
        break;
      }
      // A short send is an error here: the stream sends every byte or none.
      if (!data.channel->SendAll(buffer, n)) {
        streamError = true;
        break;
      }
      total += n;
      AdvanceProgress(n);
    }
    if (abort_ || PastDeadline()) {
      aborted = true;
      break;
    }
  }
  const int64_t end = TickMs();
  const std::string streamReason = streamError ? data.channel->Error() : std::string();
  if (!streamError) data.channel->Shutdown();
  data.channel.reset();
  if (!file.Close()) fileError = true;

  const bool replied = ReadReply();
  const bool ok = replied && replyClass_ == 2 && !aborted && !fileError && !streamError;
  if (fileError) lastMessage_ = Text(text::kFtpFileError);
  else if (streamError && replied) {
    // The server may take a cut upload for a whole one; the file is not sent.
    Log(Format(texts::kFtpDataFailed, streamReason), kLevelConnection);
    lastMessage_ = Text(text::kFtpNetworkError);
  }
  if (!aborted) Log(TransferStatistics(!download, total, start, end), kLevelProtocol);
  return ok;
}

bool FtpClient::List(std::string_view directory, FtpListing& table) {
  if (abort_) return false;
  if (!asciiMode_ && !SetAsciiType()) return false;
  DataConnection data;
  if (!PrepareData(data)) return false;
  if (abort_) return false;
  if (!SendCommand(Format("LIST %s", directory))) return false;
  if (!OpenData(data)) return false;

  size_t entries = 0;
  uint64_t bytes = 0;
  bool tooLarge = false;
  ListingSplitter splitter([&](std::string_view line, bool overlong) {
    if (++entries > options_.maxListingEntries) tooLarge = true;
    if (tooLarge) return;
    if (overlong) {
      Log(Format(texts::kFtpOverlongListingLine, static_cast<int>(ListingSplitter::kMaxLine)), kLevelProtocol);
      return;
    }
    if (std::optional<FtpFileEntry> entry = ParseListingLine(line)) table.insert_or_assign(entry->name, *entry);
    Log(line, kLevelListing);
  });
  bool aborted = abort_, streamError = false;
  while (!aborted) {
    const long n = data.channel->Receive(buffer_.data(), kBufferSize);
    if (n < 0) streamError = true;
    if (n <= 0) break;
    bytes += static_cast<uint64_t>(n);
    splitter.Feed(std::string_view(buffer_.data(), static_cast<size_t>(n)));
    if (tooLarge || bytes > options_.maxListingBytes) {
      // A server that sends without end gets no further say in this run.
      data.channel.reset();
      const std::string message = Format(texts::kFtpListingTooLarge, directory,
                                         static_cast<int>(options_.maxListingEntries),
                                         static_cast<int>(options_.maxListingBytes >> 20));
      Log(message, kLevelConnection);
      FailNetwork(message);
      lastMessage_ = message;
      return false;
    }
    if (abort_ || PastDeadline()) {
      aborted = true;
      break;
    }
  }
  data.channel.reset();
  const bool replied = ReadReply();
  if (streamError && replied) lastMessage_ = Text(text::kFtpNetworkError);
  return replied && replyClass_ == 2 && !aborted && !streamError;
}

}  // namespace vendora
