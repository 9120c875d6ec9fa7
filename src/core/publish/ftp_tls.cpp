#include "publish/ftp_tls.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <pthread.h>
#include <signal.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include "common/text_format.h"

namespace vendora {

namespace {

bool IsIpAddress(const std::string& host) {
  unsigned char buffer[16];
  return inet_pton(AF_INET, host.c_str(), buffer) == 1 || inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

std::string OpenSslErrorText() {
  const unsigned long e = ERR_get_error();
  ERR_clear_error();
  if (e == 0) return "unbekannter Fehler";
  char text[256];
  ERR_error_string_n(e, text, sizeof text);
  return text;
}

std::string VerifyProblemText(long result, const std::string& host) {
  switch (result) {
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN: return "Das Zertifikat ist selbst ausgestellt.";
    case X509_V_ERR_CERT_HAS_EXPIRED: return "Das Zertifikat ist abgelaufen.";
    case X509_V_ERR_CERT_NOT_YET_VALID: return "Das Zertifikat ist noch nicht gültig.";
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH: return Format("Das Zertifikat gilt nicht für \"%s\".", host);
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
      return "Der Aussteller des Zertifikats ist nicht als vertrauenswürdig bekannt.";
    case X509_V_ERR_CERT_REVOKED: return "Das Zertifikat wurde widerrufen.";
    default:
      return Format("Das Zertifikat konnte nicht geprüft werden (%s).", X509_verify_cert_error_string(result));
  }
}

std::string CertificateFingerprint(X509* cert) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!cert || X509_digest(cert, EVP_sha256(), digest, &length) != 1) return {};
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 15];
  }
  return hex;
}

// OpenSSL writes with write(2), which raises SIGPIPE when the server has closed the
// connection. The signal is held back while OpenSSL writes and taken off again, so a
// closed connection only shows as a failed write.
class SigpipeGuard {
 public:
  SigpipeGuard() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    wasPending_ = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipe_, &saved_);
  }
  ~SigpipeGuard() {
    sigset_t pending;
    sigpending(&pending);
    if (!wasPending_ && sigismember(&pending, SIGPIPE) == 1) {
      const timespec zero{0, 0};
      sigtimedwait(&pipe_, nullptr, &zero);
    }
    pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
  }
  SigpipeGuard(const SigpipeGuard&) = delete;
  SigpipeGuard& operator=(const SigpipeGuard&) = delete;

 private:
  sigset_t pipe_, saved_;
  bool wasPending_ = false;
};

}  // namespace

Result<std::unique_ptr<TlsContext>> TlsContext::Create(const std::string& caFile) {
  SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
  if (!ctx) {
    return Status::Error("TLS konnte nicht eingerichtet werden: " + OpenSslErrorText());
  }
  SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
  // Servers demand that every data connection resumes the control connection's
  // session. A server may take each TLS 1.3 ticket only once, and new tickets come
  // only on connections the client reads from, so a long upload would be refused
  // part-way; a TLS 1.2 session can be resumed by any number of data connections.
  SSL_CTX_set_max_proto_version(ctx, TLS1_2_VERSION);
  // Servers often close data connections without the TLS close notification; the
  // final reply on the control connection tells whether the transfer was complete.
  SSL_CTX_set_options(ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
  SSL_CTX_set_mode(ctx, SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_CLIENT);
  const int loaded = caFile.empty() ? SSL_CTX_set_default_verify_paths(ctx)
                                    : SSL_CTX_load_verify_locations(ctx, caFile.c_str(), nullptr);
  if (loaded != 1) {
    Status failed = Status::Error("Die vertrauenswürdigen Zertifikate konnten nicht geladen werden: " + OpenSslErrorText());
    SSL_CTX_free(ctx);
    return failed;
  }
  return std::unique_ptr<TlsContext>(new TlsContext(ctx));
}

TlsContext::~TlsContext() { SSL_CTX_free(ctx_); }

Result<std::unique_ptr<TlsChannel>> TlsChannel::Connect(TlsContext& context, SocketFd fd, const std::string& verifyHost,
                                                        TlsChannel* resume, int timeoutMs) {
  SSL* ssl = SSL_new(context.Get());
  if (!ssl) {
    return Status::Error("TLS konnte nicht eingerichtet werden: " + OpenSslErrorText());
  }
  std::unique_ptr<TlsChannel> channel(new TlsChannel(ssl, std::move(fd), timeoutMs));
  SSL_set_fd(ssl, channel->fd_.Get());
  // Verification runs in every handshake; its result is judged afterwards, so that a
  // certificate the merchant trusted by fingerprint can still be accepted.
  SSL_set_verify(ssl, SSL_VERIFY_NONE, nullptr);
  if (IsIpAddress(verifyHost)) {
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), verifyHost.c_str());
  } else if (!verifyHost.empty()) {
    SSL_set1_host(ssl, verifyHost.c_str());
    SSL_set_tlsext_host_name(ssl, verifyHost.c_str());
  }
  if (resume) {
    // A copy: a data connection that ends badly makes its session unusable, and that
    // must not be the control connection's own.
    SSL_SESSION* session = SSL_get0_session(resume->ssl_);
    if (SSL_SESSION* copy = session ? SSL_SESSION_dup(session) : nullptr) {
      SSL_set_session(ssl, copy);
      SSL_SESSION_free(copy);
    }
  }
  SigpipeGuard guard;
  for (;;) {
    const int r = SSL_connect(ssl);
    if (r == 1) break;
    if (!channel->WaitAfter(r)) {
      return Status::Error("Der TLS-Verbindungsaufbau ist fehlgeschlagen: " + channel->error_);
    }
  }
  X509* cert = SSL_get1_peer_certificate(ssl);
  channel->fingerprint_ = CertificateFingerprint(cert);
  X509_free(cert);
  const long result = SSL_get_verify_result(ssl);
  channel->verified_ = cert && result == X509_V_OK;
  if (!cert) channel->problem_ = "Der Server hat kein Zertifikat vorgelegt.";
  else if (result != X509_V_OK) channel->problem_ = VerifyProblemText(result, verifyHost);
  return channel;
}

TlsChannel::~TlsChannel() {
  // Without our close notification the server forgets the session, and every later
  // data connection, which must resume it, is refused.
  Shutdown();
  SSL_free(ssl_);
}

bool TlsChannel::WaitAfter(int result) {
  const int e = SSL_get_error(ssl_, result);
  if (e == SSL_ERROR_WANT_READ && WaitReadable(fd_.Get(), timeoutMs_, &timedOut_)) return true;
  if (e == SSL_ERROR_WANT_WRITE && WaitWritable(fd_.Get(), timeoutMs_, &timedOut_)) return true;
  if (timedOut_) error_ = Format("Zeitüberschreitung: keine Antwort innerhalb von %d Sekunden.", (timeoutMs_ + 999) / 1000);
  else if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE || e == SSL_ERROR_SYSCALL)
    error_ = "Die Verbindung wurde unterbrochen.";
  else error_ = OpenSslErrorText();
  ERR_clear_error();
  return false;
}

bool TlsChannel::SendAll(const char* data, size_t size) {
  SigpipeGuard guard;
  while (size > 0) {
    const int chunk = size > (1u << 30) ? (1 << 30) : static_cast<int>(size);
    const int n = SSL_write(ssl_, data, chunk);
    if (n > 0) {
      data += n;
      size -= static_cast<size_t>(n);
      continue;
    }
    if (!WaitAfter(n)) return false;
  }
  return true;
}

long TlsChannel::Receive(char* data, size_t size) {
  const int chunk = size > (1u << 30) ? (1 << 30) : static_cast<int>(size);
  for (;;) {
    const int n = SSL_read(ssl_, data, chunk);
    if (n > 0) return n;
    if (SSL_get_error(ssl_, n) == SSL_ERROR_ZERO_RETURN) return 0;
    if (!WaitAfter(n)) return -1;
  }
}

void TlsChannel::Shutdown() {
  if (shutdown_) return;
  shutdown_ = true;
  // Only our close notification: waiting for the server's would cost a round trip
  // per file and prove nothing the final reply does not.
  SigpipeGuard guard;
  SSL_shutdown(ssl_);
  ERR_clear_error();
}

bool TlsChannel::SessionReused() const { return SSL_session_reused(ssl_) == 1; }

}  // namespace vendora
