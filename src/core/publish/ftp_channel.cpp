#include "publish/ftp_channel.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "common/text_format.h"
#include "common/output_file.h"

namespace vendora {

namespace {

std::string NetworkErrorText(int error) {
  switch (error) {
    case ECONNREFUSED: return "Die Verbindung wurde abgelehnt.";
    case ETIMEDOUT: return "Zeitüberschreitung.";
    case EHOSTUNREACH:
    case ENETUNREACH: return "Der Rechner ist nicht erreichbar.";
    case ECONNRESET:
    case EPIPE: return "Die Verbindung wurde von der Gegenseite getrennt.";
    default: return SystemErrorText(std::error_code(error, std::generic_category()));
  }
}

std::string TimeoutText(int timeoutMs) {
  return Format("Zeitüberschreitung: keine Antwort innerhalb von %d Sekunden.", (timeoutMs + 999) / 1000);
}

bool SetNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL, 0);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

// Sockets stay non-blocking: every wait goes through poll with the time-out. Small
// command lines go out at once instead of waiting for more.
SocketFd NewSocket(int family) {
  SocketFd fd(socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.Valid()) return fd;
  if (!SetNonBlocking(fd.Get())) return SocketFd();
  int one = 1;
  setsockopt(fd.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

bool WaitFor(int fd, short events, int timeoutMs, bool* timedOut) {
  if (timedOut) *timedOut = false;
  pollfd p{fd, events, 0};
  for (;;) {
    const int n = poll(&p, 1, timeoutMs);
    if (n > 0) return true;  // errors and hang-ups show in the following call
    if (n == 0) {
      if (timedOut) *timedOut = true;
      return false;
    }
    if (errno != EINTR) return false;
  }
}

std::optional<SocketAddress> ToAddress(const sockaddr_storage& s) {
  char text[INET6_ADDRSTRLEN] = {};
  SocketAddress a;
  if (s.ss_family == AF_INET) {
    const auto& in = reinterpret_cast<const sockaddr_in&>(s);
    if (!inet_ntop(AF_INET, &in.sin_addr, text, sizeof text)) return std::nullopt;
    a.port = ntohs(in.sin_port);
  } else if (s.ss_family == AF_INET6) {
    const auto& in6 = reinterpret_cast<const sockaddr_in6&>(s);
    if (!inet_ntop(AF_INET6, &in6.sin6_addr, text, sizeof text)) return std::nullopt;
    a.port = ntohs(in6.sin6_port);
    a.ipv4 = false;
  } else {
    return std::nullopt;
  }
  a.host = text;
  return a;
}

}  // namespace

SocketFd::~SocketFd() { Reset(); }

SocketFd& SocketFd::operator=(SocketFd&& other) noexcept {
  if (this != &other) {
    Reset();
    fd_ = other.Release();
  }
  return *this;
}

int SocketFd::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

void SocketFd::Reset() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool WaitReadable(int fd, int timeoutMs, bool* timedOut) { return WaitFor(fd, POLLIN, timeoutMs, timedOut); }
bool WaitWritable(int fd, int timeoutMs, bool* timedOut) { return WaitFor(fd, POLLOUT, timeoutMs, timedOut); }

Result<SocketFd> ConnectTcp(const std::string& host, int port, int timeoutMs) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  // Data connections go to a numeric address, one per file: no need to ask which
  // address families the machine has each time.
  unsigned char numeric[sizeof(in6_addr)];
  const bool isNumeric =
      inet_pton(AF_INET, host.c_str(), numeric) == 1 || inet_pton(AF_INET6, host.c_str(), numeric) == 1;
  hints.ai_flags = isNumeric ? AI_NUMERICHOST : AI_ADDRCONFIG;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (host.empty() || getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found) {
    return Status::Error(Format("Der Rechner \"%s\" wurde nicht gefunden.", host));
  }
  std::string last = "Die Verbindung konnte nicht aufgebaut werden.";
  for (addrinfo* a = found; a; a = a->ai_next) {
    SocketFd fd = NewSocket(a->ai_family);
    if (!fd.Valid()) {
      last = NetworkErrorText(errno);
      continue;
    }
    if (connect(fd.Get(), a->ai_addr, a->ai_addrlen) != 0) {
      if (errno != EINPROGRESS) {
        last = NetworkErrorText(errno);
        continue;
      }
      bool timedOut = false;
      if (!WaitWritable(fd.Get(), timeoutMs, &timedOut)) {
        last = timedOut ? TimeoutText(timeoutMs) : NetworkErrorText(errno);
        continue;
      }
      int soError = 0;
      socklen_t len = sizeof soError;
      if (getsockopt(fd.Get(), SOL_SOCKET, SO_ERROR, &soError, &len) != 0 || soError != 0) {
        last = NetworkErrorText(soError ? soError : errno);
        continue;
      }
    }
    freeaddrinfo(found);
    return fd;
  }
  freeaddrinfo(found);
  return Status::Error(last);
}

Result<SocketFd> ListenTcp(bool ipv4) {
  SocketFd fd = NewSocket(ipv4 ? AF_INET : AF_INET6);
  sockaddr_storage s{};
  socklen_t len = 0;
  if (ipv4) {
    auto& in = reinterpret_cast<sockaddr_in&>(s);
    in.sin_family = AF_INET;
    in.sin_addr.s_addr = htonl(INADDR_ANY);
    len = sizeof in;
  } else {
    auto& in6 = reinterpret_cast<sockaddr_in6&>(s);
    in6.sin6_family = AF_INET6;
    in6.sin6_addr = in6addr_any;
    len = sizeof in6;
  }
  if (!fd.Valid() || bind(fd.Get(), reinterpret_cast<sockaddr*>(&s), len) != 0 || listen(fd.Get(), 5) != 0) {
    return Status::Error(NetworkErrorText(errno));
  }
  return fd;
}

Result<SocketFd> AcceptTcp(int listenFd, int timeoutMs) {
  bool timedOut = false;
  if (!WaitReadable(listenFd, timeoutMs, &timedOut)) {
    return Status::Error(timedOut ? TimeoutText(timeoutMs) : NetworkErrorText(errno));
  }
  SocketFd fd(accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
  if (!fd.Valid()) return Status::Error(NetworkErrorText(errno));
  return fd;
}

std::optional<SocketAddress> LocalAddress(int fd) {
  sockaddr_storage s{};
  socklen_t len = sizeof s;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&s), &len) != 0) return std::nullopt;
  return ToAddress(s);
}

std::optional<SocketAddress> PeerAddress(int fd) {
  sockaddr_storage s{};
  socklen_t len = sizeof s;
  if (getpeername(fd, reinterpret_cast<sockaddr*>(&s), &len) != 0) return std::nullopt;
  return ToAddress(s);
}

bool TcpChannel::SendAll(const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = send(fd_.Get(), data, size, MSG_NOSIGNAL);
    if (n > 0) {
      data += n;
      size -= static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (WaitWritable(fd_.Get(), timeoutMs_, &timedOut_)) continue;
      error_ = timedOut_ ? TimeoutText(timeoutMs_) : NetworkErrorText(errno);
      return false;
    }
    error_ = NetworkErrorText(errno);
    return false;
  }
  return true;
}

long TcpChannel::Receive(char* data, size_t size) {
  for (;;) {
    const ssize_t n = recv(fd_.Get(), data, size, 0);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (WaitReadable(fd_.Get(), timeoutMs_, &timedOut_)) continue;
      error_ = timedOut_ ? TimeoutText(timeoutMs_) : NetworkErrorText(errno);
      return -1;
    }
    error_ = NetworkErrorText(errno);
    return -1;
  }
}

}  // namespace vendora
