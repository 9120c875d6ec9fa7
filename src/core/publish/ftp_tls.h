#pragma once
// FTP over explicit TLS through OpenSSL: the client context (the system's trust store,
// or a given CA file), and the TLS channel of a control or data connection.
//
// The handshake never fails for an untrusted certificate by itself: it completes, and
// the channel tells whether the certificate was verified for the host and what it
// was, so the caller can accept a certificate the merchant trusted by its fingerprint.
#include <memory>
#include <string>
#include <string_view>

#include "publish/ftp_channel.h"

struct ssl_ctx_st;
struct ssl_st;

namespace vendora {

class TlsContext {
 public:
  // `caFile` empty: the system's trust store. Fails with a German reason.
  static Result<std::unique_ptr<TlsContext>> Create(const std::string& caFile);
  ~TlsContext();
  TlsContext(const TlsContext&) = delete;
  TlsContext& operator=(const TlsContext&) = delete;
  ssl_ctx_st* Get() const { return ctx_; }

 private:
  explicit TlsContext(ssl_ctx_st* ctx) : ctx_(ctx) {}
  ssl_ctx_st* ctx_;
};

class TlsChannel : public FtpChannel {
 public:
  // Runs the client handshake on a connected socket. `verifyHost` is the host name or
  // address the certificate must name. `resume` (data connections) offers the session
  // of the control connection, as servers require. Fails with the German reason.
  static Result<std::unique_ptr<TlsChannel>> Connect(TlsContext& context, SocketFd fd, const std::string& verifyHost,
                                                     TlsChannel* resume, int timeoutMs);
  ~TlsChannel() override;

  bool SendAll(const char* data, size_t size) override;
  long Receive(char* data, size_t size) override;
  void Shutdown() override;
  int Fd() const override { return fd_.Get(); }

  // Whether the certificate chains to a trusted root and names the host.
  bool Verified() const { return verified_; }
  // Why not, in German (empty when verified).
  const std::string& Problem() const { return problem_; }
  // SHA-256 of the server's certificate as 64 upper-case hex digits.
  const std::string& Fingerprint() const { return fingerprint_; }
  bool SessionReused() const;

 private:
  TlsChannel(ssl_st* ssl, SocketFd fd, int timeoutMs) : ssl_(ssl), fd_(std::move(fd)), timeoutMs_(timeoutMs) {}
  // Waits as the last TLS call asks; false (with error_) on failure.
  bool WaitAfter(int result);

  ssl_st* ssl_;
  SocketFd fd_;
  int timeoutMs_;
  bool verified_ = false, shutdown_ = false;
  std::string problem_, fingerprint_;
};

}  // namespace vendora
