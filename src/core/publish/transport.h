#pragma once
// Transport: what the upload driver needs of a file-transfer protocol. FtpClient (FTP
// and FTP over TLS) and SftpClient implement it; the synchronisation rules live once,
// in the driver, above this interface.
//
// Threading: every operation is called from the upload worker and blocks until the
// server has answered or the time-out has passed; Abort() may be called from any
// other thread and only raises a flag read between steps and after every data chunk.
//
// Failures: operations return false (or the given refusal result) and leave a German
// reason or the server's own words in LastMessage().
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "generator/server_checks.h"
#include "publish/ftp_listing.h"

namespace vendora {

// A server identity (TLS certificate or SSH host key) that nobody vouches for: the
// merchant may be asked whether to trust it.
struct UntrustedCertificate {
  std::string host;
  std::string fingerprint;  // TLS: 64 hex digits; SSH: "SHA256:" and base64
  std::string problem;      // German
  bool sshHostKey = false;
};

class Transport {
 public:
  virtual ~Transport() = default;

  // Connects and logs on with the shop's server settings.
  virtual bool LogOn(const FtpValues& server) = 0;
  // Ends the session politely, whatever the server answers.
  virtual bool LogOff() = 0;
  virtual bool ChangeDir(std::string_view path) = 0;
  virtual bool CurrentDir(std::string& path) = 0;
  // Nonzero when made; `acceptPermanentError` when the server refused (it may exist).
  virtual int MakeDir(std::string_view name, int acceptPermanentError) = 0;
  // Lists the remote folder into the table (entries added or replaced).
  virtual bool List(std::string_view directory, FtpListing& table) = 0;
  // Stores the local file under the remote name (binary, whole file).
  virtual bool Send(std::string_view remoteName, const std::filesystem::path& localPath) = 0;
  // Renames `from` to `to` in one step, replacing a file `to` where the server can.
  virtual bool Rename(std::string_view from, std::string_view to) = 0;
  virtual int Chmod755(std::string_view fileName, int resultIfRefused) = 0;
  // 1 when deleted, `resultIfRefused` when refused, 0 after an abort or without a
  // connection (nothing is sent then).
  virtual int Delete(std::string_view name, int resultIfRefused) = 0;
  virtual void Abort() = 0;

  virtual bool Aborted() const = 0;
  virtual bool Connected() const = 0;
  virtual const std::string& LastMessage() const = 0;
  // Whether the last failure was the server's permanent refusal (no such folder, no
  // permission) rather than a broken connection.
  virtual bool Refused() const = 0;
  // Set when the last LogOn failed on a server identity that nobody vouches for.
  virtual const std::optional<UntrustedCertificate>& Untrusted() const = 0;

  // Progress counts bytes in steps of `bytesPerStep`; AdvanceProgress counts bytes not
  // transferred (skipped files) so that the bar still reaches its end.
  virtual void SetProgressScale(uint64_t bytesPerStep) = 0;
  virtual void AdvanceProgress(uint64_t bytes) = 0;
};

// A file is sent under this name in its folder and renamed over the old one when
// complete, so that a customer reads the old or the new file, never a part. The name
// is listed by every server (no leading dot) and never a name the generator writes.
inline constexpr std::string_view kPartPrefix = "vendora-part~";
inline std::string PartName(std::string_view name) { return std::string(kPartPrefix) + std::string(name); }
inline bool IsPartName(std::string_view name) { return name.starts_with(kPartPrefix); }

}  // namespace vendora
