#pragma once
// The byte streams under the FTP client: TCP sockets (POSIX) with a time-out on every
// wait, and the channel seam through which the control and data connections are read
// and written, plain or through TLS.
//
// Every call blocks at most `timeoutMs` per wait; nothing here retries or throws.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/status.h"

namespace vendora {

// One connected stream. Send and Receive report failures (including time-outs) by
// their result; the text of the last failure is in Error().
class FtpChannel {
 public:
  virtual ~FtpChannel() = default;
  // Sends every byte; false on an error or time-out.
  virtual bool SendAll(const char* data, size_t size) = 0;
  // Up to `size` bytes: > 0 bytes read, 0 at the orderly end of the stream, -1 on an
  // error or time-out.
  virtual long Receive(char* data, size_t size) = 0;
  // Ends the stream orderly (the TLS close notification) before the socket closes.
  virtual void Shutdown() {}
  virtual int Fd() const = 0;
  const std::string& Error() const { return error_; }
  bool TimedOut() const { return timedOut_; }

 protected:
  std::string error_;
  bool timedOut_ = false;
};

// An owned socket descriptor, closed on destruction.
class SocketFd {
 public:
  SocketFd() = default;
  explicit SocketFd(int fd) : fd_(fd) {}
  ~SocketFd();
  SocketFd(SocketFd&& other) noexcept : fd_(other.Release()) {}
  SocketFd& operator=(SocketFd&& other) noexcept;
  SocketFd(const SocketFd&) = delete;
  SocketFd& operator=(const SocketFd&) = delete;

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  int Release();
  void Reset();

 private:
  int fd_ = -1;
};

// A numeric address and port of one end of a connection.
struct SocketAddress {
  std::string host;  // "127.0.0.1", "::1"
  int port = 0;
  bool ipv4 = true;
};

// Connects to the host (name or address) and port, trying each address the name
// resolves to, each within `timeoutMs`. Fails with the German reason.
Result<SocketFd> ConnectTcp(const std::string& host, int port, int timeoutMs);
// A socket listening on every local address of the family, at a port the system
// chooses (backlog 5).
Result<SocketFd> ListenTcp(bool ipv4);
// Waits up to `timeoutMs` for one connection on a listening socket.
Result<SocketFd> AcceptTcp(int listenFd, int timeoutMs);
std::optional<SocketAddress> LocalAddress(int fd);
std::optional<SocketAddress> PeerAddress(int fd);

// Waits until the socket can be read (or written); false on time-out or error.
// `timedOut` (may be null) tells the two apart.
bool WaitReadable(int fd, int timeoutMs, bool* timedOut);
bool WaitWritable(int fd, int timeoutMs, bool* timedOut);

// A plain TCP stream.
class TcpChannel : public FtpChannel {
 public:
  TcpChannel(SocketFd fd, int timeoutMs) : fd_(std::move(fd)), timeoutMs_(timeoutMs) {}
  bool SendAll(const char* data, size_t size) override;
  long Receive(char* data, size_t size) override;
  int Fd() const override { return fd_.Get(); }
  // Hands the socket on (to a TLS channel) and leaves this channel without one.
  SocketFd TakeSocket() { return std::move(fd_); }

 private:
  SocketFd fd_;
  int timeoutMs_;
};

}  // namespace vendora
