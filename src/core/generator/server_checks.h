#pragma once
// Checks of the server settings: the web server and Payvane checks run as steps of
// the generation chain, the FTP check at the start of every publishing run. None of
// them writes to the database; what they normalise or correct lives in memory only.
//
// In every text field checked here, a value of nothing but blanks (a fresh row holds a
// single blank) counts as empty.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vendora {

struct RunContext;
class GenerationLog;
class Prompter;
class ShopDatabase;

// The URL trimmed and ending in "/" (or in a page name such as ".html" when
// `directory` is false); nullopt when it is too short or does not start with
// "http://" or "https://" (case matters).
std::optional<std::string> NormalizeUrl(std::string_view url, bool directory);

// Step 4: checks run.snapshot.webServer and fills run.settings.server. The first
// failing check logs its line, shows its explanation (information icon), steps the
// progress bar and fails the step; the settings then hold what was checked before it.
// In a stand-alone shop the store URL is not checked and storeUrl stays empty unless
// it is valid.
bool CheckWebServerStep(RunContext& run);

// Step 5: when Payvane is in use, checks run.snapshot.payvane and fills
// run.settings.payvane with the unscrambled keys and the corrected time-out and port.
// Only the last problem found is logged and shown. The shop's seal key is made and
// stored the first time; the step fails only when that cannot be stored.
bool CheckPayvaneStep(RunContext& run);
// Whether a stored seal key has its form: 64 lower-case hex digits.
bool IsSealKey(std::string_view key);

// The FTP settings as the upload uses them: passwords unscrambled, blank texts empty.
struct FtpValues {
  std::string hostName;
  int32_t hostPort = 0;
  std::string hostUser, hostPass, hostAcct;
  int32_t proxyType = 0;
  std::string proxyName;
  int32_t proxyPort = 0;
  std::string proxyUser, proxyPass, proxyAcct;
  std::string remoteDir, remoteScript;
  bool passive = false;
  bool useTls = false;
  std::string tlsFingerprint;  // the certificate the merchant trusted, or empty
  // SSH file transfer instead of FTP (FtpServer.Protocol 2), at sftpPort; the logon
  // types and passive mode do not apply then.
  bool sftp = false;
  int32_t sftpPort = 22;
};

// The check at the start of a publishing run, logging to the upload's log. Every
// problem logs its line and asks OK/Cancel whether to go on checking (Cancel skips the
// rest); identical remote folders ask Yes/No when nothing else failed. Returns false
// when anything failed or the merchant said No; the caller then logs 22179 and stops.
// A missing FtpServer row counts as all fields empty; a database error reading it is
// logged and treated the same. `out` (may be null) receives the values in any case.
bool CheckFtpSettings(ShopDatabase& db, GenerationLog& log, Prompter& prompter, FtpValues* out);

// Whether Payvane serves this master currency (its first three characters, any case).
bool IsPayvaneCurrency(std::string_view masterCurrency);

// The checksum the server page shows for the two keys as typed: zlib's CRC-32 table,
// started with all bits set, over keyE then keyN, not inverted at the end; eight
// upper-case hex digits.
std::string PayvaneKeyChecksum(std::string_view keyE, std::string_view keyN);

}  // namespace vendora
