#include "generator/server_checks.h"

#include <array>
#include <cstdint>

#include <sys/random.h>
#include <zlib.h>

#include "common/program_text.h"
#include "common/prompter.h"
#include "common/text_util.h"
#include "common/log.h"
#include "generator/run_context.h"
#include "shopdb/db_error.h"
#include "shopdb/olp_key_codec.h"
#include "shopdb/recordsets.h"

namespace vendora {

namespace {

bool IsBlank(std::string_view s) { return Trim(s).empty(); }

std::string EmptyIfBlank(const std::string& s) { return IsBlank(s) ? std::string() : s; }

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

bool EndsWithNoCase(std::string_view text, std::string_view lowerSuffix) {
  if (text.size() < lowerSuffix.size()) return false;
  const std::string_view tail = text.substr(text.size() - lowerSuffix.size());
  for (size_t i = 0; i < tail.size(); ++i)
    if (AsciiLower(tail[i]) != lowerSuffix[i]) return false;
  return true;
}

// The start page is served from the shop folder, whatever folder the merchant typed.
std::string FileNamePart(std::string_view path) {
  const size_t slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool IsPayvaneServerName(std::string_view server) {
  if (server.size() < 3) return false;
  for (char c : server)
    if (!IsAsciiLetter(c) && !IsDigit(c) && c != '.' && c != '-') return false;
  return true;
}

bool IsHexKey(std::string_view key) {
  if (key.size() < 2) return false;
  for (char c : key)
    if (!IsHexDigit(c)) return false;
  return true;
}

bool IsTcpPort(int32_t port) { return port >= 1 && port <= 65535; }

std::string Message(int number) { return std::string(ProgramText(number)); }

FtpValues ReadFtpValues(ShopDatabase& db, GenerationLog& log) {
  FtpServerRow row;
  try {
    CRecSetFtpServer rs(db);
    rs.Open();
    if (!rs.IsEOF()) row = *rs;
  } catch (const DbError& e) {
    // Go on with empty values: the checks below then name what is missing.
    log.Log(e.description());
  }
  FtpValues v;
  v.hostName = EmptyIfBlank(row.HostName);
  v.hostPort = row.HostPort;
  v.hostUser = EmptyIfBlank(row.HostUser);
  v.hostPass = UnscrambleSecret(row.HostPass);
  v.hostAcct = EmptyIfBlank(row.HostAcct);
  v.proxyType = row.ProxyType;
  v.proxyName = EmptyIfBlank(row.ProxyName);
  v.proxyPort = row.ProxyPort;
  v.proxyUser = EmptyIfBlank(row.ProxyUser);
  v.proxyPass = UnscrambleSecret(row.ProxyPass);
  v.proxyAcct = EmptyIfBlank(row.ProxyAcct);
  v.remoteDir = EmptyIfBlank(row.RemoteDir);
  v.remoteScript = EmptyIfBlank(row.RemoteScript);
  v.passive = row.Passive;
  v.useTls = row.Protocol == kProtocolFtps;
  v.sftp = row.Protocol == kProtocolSftp;
  v.sftpPort = row.SftpPort;
  v.tlsFingerprint = EmptyIfBlank(row.TlsFingerprint);
  return v;
}

}  // namespace

std::optional<std::string> NormalizeUrl(std::string_view url, bool directory) {
  const std::string_view u = Trim(url);
  if (u.size() <= 7) return std::nullopt;
  if (!u.starts_with("http://") && !u.starts_with("https://")) return std::nullopt;
  std::string out(u);
  if (u.ends_with('/')) return out;
  if (!directory) {
    static constexpr std::array<std::string_view, 14> kPageEndings = {
        ".htm", ".html", ".phtm", ".phtml", ".shtm", ".shtml", ".php",
        ".php3", ".php4", ".asp", ".pl", ".epl", ".cgi", ".js"};
    for (std::string_view ending : kPageEndings)
      if (EndsWithNoCase(u, ending)) return out;
  }
  out += '/';
  return out;
}

bool CheckWebServerStep(RunContext& run) {
  run.log.LogText(text::kCheckingWebServer);
  const WebServerRow& ws = run.snapshot.webServer;
  auto& out = run.settings.server;
  auto fail = [&run](int logLine, int explanation) {
    run.log.LogText(logLine);
    run.prompter.Show(Message(explanation), MessageIcon::Information);
    run.log.Step();
    return false;
  };

  if (IsBlank(ws.HomeURL)) return fail(text::kHomeUrlMissing, text::kHomeUrlMissingHelp);
  const auto home = NormalizeUrl(ws.HomeURL, ws.StandAlone);
  if (!home) return fail(text::kHomeUrlInvalid, text::kHomeUrlInvalidHelp);
  out.homeUrl = *home;

  const auto store = NormalizeUrl(ws.StoreURL, true);
  if (!ws.StandAlone) {
    if (IsBlank(ws.StoreURL)) return fail(text::kStoreUrlMissing, text::kStoreUrlMissingHelp);
    if (!store) return fail(text::kStoreUrlInvalid, text::kStoreUrlInvalidHelp);
  }
  out.storeUrl = store.value_or(std::string());

  if (IsBlank(ws.ScriptURL)) return fail(text::kScriptUrlMissing, text::kScriptUrlMissingHelp);
  const auto script = NormalizeUrl(ws.ScriptURL, true);
  if (!script) return fail(text::kScriptUrlInvalid, text::kScriptUrlInvalidHelp);
  out.scriptUrl = *script;

  const std::string startPage = FileNamePart(Trim(ws.FileName));
  if (IsBlank(startPage)) return fail(text::kStartPageMissing, text::kStartPageMissingHelp);
  out.startPage = startPage;

  if (IsBlank(ws.StorePath)) return fail(text::kStorePathMissing, text::kStorePathMissingHelp);
  std::string storePath(Trim(ws.StorePath));
  if (!storePath.ends_with('/')) storePath += '/';
  out.storePath = storePath;
  out.scriptFolder = storePath;

  if (IsBlank(ws.PerlPath)) return fail(text::kPerlPathMissing, text::kPerlPathMissingHelp);
  std::string perl(Trim(ws.PerlPath));
  // A line break in the path would start a line of Perl code in every script.
  for (char& c : perl)
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  // A merchant who typed the whole "#!" line (perhaps with switches) gets it as typed.
  out.interpreterLine = (perl.find("#!") != std::string::npos ? "" : "#!") + perl + "\n";

  if (ws.MailOption == 1 && IsBlank(ws.MailExec))
    return fail(text::kMailExecutableMissing, text::kMailExecutableMissingHelp);
  if (ws.MailOption == 2 && IsBlank(ws.MailHost)) return fail(text::kMailHostMissing, text::kMailHostMissingHelp);

  run.log.LogText(text::kWebServerChecked);
  run.log.Step();
  return true;
}

namespace {

// The shop's secret for sealing card payments, made once from the system's random source
// and kept in the shop database, so that seals stay valid across generations.
bool EnsureSealKey(RunContext& run) {
  std::string& key = run.settings.payvane.sealKey;
  key = run.snapshot.payvane.SealKey;
  if (IsSealKey(key)) return true;
  std::array<unsigned char, 32> bytes{};
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = getrandom(bytes.data() + got, bytes.size() - got, 0);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  bool stored = got == bytes.size();
  if (stored) {
    key.clear();
    for (unsigned char b : bytes) key += Format("%02x", b);
    try {
      CRecSetPayvane rs(run.db);
      rs.Open();
      if (rs.IsEOF()) {
        rs.AddNew();
        *rs = run.snapshot.payvane;
      } else {
        rs.Edit();
      }
      rs->SealKey = key;
      rs.Update();
      run.snapshot.payvane.SealKey = key;
    } catch (const DbError&) {
      stored = false;
    }
  }
  if (!stored) {
    key.clear();
    run.log.Log(texts::kSealKeyNotStored);
  }
  return stored;
}

}  // namespace

bool IsSealKey(std::string_view key) {
  return key.size() == 64 && key.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

bool CheckPayvaneStep(RunContext& run) {
  run.log.LogText(text::kCheckingPayvane);
  const PayvaneRow& row = run.snapshot.payvane;
  if (row.Use) {
    auto& out = run.settings.payvane;
    out.server = std::string(Trim(row.Server));
    out.port = row.Port;
    out.timeOut = row.TimeOut;
    out.userNumber = row.HID;
    out.keyE = UnscrambleHexKey(row.RsaE);
    out.keyN = UnscrambleHexKey(row.RsaN);

    // Every check runs so that all corrections are made, but one message box is
    // enough: later problems replace earlier ones.
    int logLine = 0, explanation = 0;
    auto problem = [&](int line, int text) {
      logLine = line;
      explanation = text;
    };
    if (out.server.empty()) {
      problem(text::kPayvaneServerMissing, text::kPayvaneServerMissingHelp);
    } else if (!IsPayvaneServerName(out.server)) {
      problem(text::kPayvaneServerInvalid, text::kPayvaneServerInvalidHelp);
    } else {
      if (out.timeOut < 10) {
        out.timeOut = 10;
        problem(text::kPayvaneTimeoutTooShort, text::kPayvaneTimeoutTooShortHelp);
      } else if (out.timeOut > 120) {
        out.timeOut = 120;
        problem(text::kPayvaneTimeoutTooLong, text::kPayvaneTimeoutTooLongHelp);
      }
      if (out.port < 1 || out.port > 32767) {
        out.port = 1712;
        problem(text::kPayvanePortInvalid, text::kPayvanePortInvalidHelp);
      }
      if (out.userNumber < 1) problem(text::kPayvaneUserInvalid, text::kPayvaneUserInvalidHelp);
    }
    if (out.keyE.empty()) problem(text::kPayvaneFirstKeyMissing, text::kPayvaneFirstKeyMissingHelp);
    else if (!IsHexKey(out.keyE)) problem(text::kPayvaneFirstKeyInvalid, text::kPayvaneFirstKeyInvalidHelp);
    if (out.keyN.empty()) problem(text::kPayvaneSecondKeyMissing, text::kPayvaneSecondKeyMissingHelp);
    else if (!IsHexKey(out.keyN)) problem(text::kPayvaneSecondKeyInvalid, text::kPayvaneSecondKeyInvalidHelp);

    if (logLine != 0) {
      run.log.LogText(logLine);
      run.prompter.Show(Message(explanation), MessageIcon::Information);
    }
    if (!EnsureSealKey(run)) return false;
  }
  run.log.LogText(text::kPayvaneChecked);
  run.log.Step();
  return true;
}

bool CheckFtpSettings(ShopDatabase& db, GenerationLog& log, Prompter& prompter, FtpValues* out) {
  log.LogText(text::kCheckingFtpSettings);
  FtpValues v = ReadFtpValues(db, log);

  bool failed = false, cancelled = false;
  // Each problem asks whether to go on, so the merchant can see them all at once.
  auto check = [&](bool bad, int logLine, int explanation, bool proxy) {
    if (cancelled || !bad) return;
    failed = true;
    log.LogText(logLine);
    std::string message = Message(explanation);
    if (proxy) message += ProgramText(text::kAskNetworkAdministrator);
    message += ProgramText(text::kContinueVerification);
    MessageRequest request;
    request.text = std::move(message);
    request.buttons = MessageButtons::OkCancel;
    request.icon = MessageIcon::Warning;
    request.defaultAnswer = Answer::Ok;
    if (prompter.Ask(request) == Answer::Cancel) cancelled = true;
  };
  check(v.hostName.empty(), text::kFtpHostMissing, text::kFtpHostMissingHelp, false);
  check(!IsTcpPort(v.sftp ? v.sftpPort : v.hostPort), text::kFtpPortInvalid, text::kFtpPortInvalidHelp, false);
  check(v.hostUser.empty(), text::kFtpUserMissing, text::kFtpUserMissingHelp, false);
  // Firewalls and proxies are FTP's; SSH goes straight to the host.
  if (v.proxyType != 0 && !v.sftp) {
    check(v.proxyName.empty(), text::kProxyHostMissing, text::kProxyHostMissingHelp, true);
    check(!IsTcpPort(v.proxyPort), text::kProxyPortInvalid, text::kProxyPortInvalidHelp, true);
    check(v.proxyUser.empty(), text::kProxyUserMissing, text::kProxyUserMissingHelp, true);
  }

  if (!cancelled && EqualsNoCase(v.remoteDir, v.remoteScript)) {
    log.LogText(text::kSameRemoteFolders);
    if (!failed) {
      // Not an error: some hosts run scripts from the shop folder itself.
      const std::string question = Message(text::kSameRemoteFoldersWarning) + Message(text::kContinuePublishing);
      if (prompter.AskYesNo(question, Answer::Yes, MessageIcon::Warning) != Answer::Yes) failed = true;
    } else {
      prompter.Show(Message(text::kSameRemoteFoldersWarning), MessageIcon::Warning);
    }
  }

  log.LogText(text::kFtpSettingsChecked);
  if (out) *out = std::move(v);
  return !failed;
}

bool IsPayvaneCurrency(std::string_view masterCurrency) {
  static constexpr std::array<std::string_view, 16> kCurrencies = {
      "eur", "dem", "ats", "bef", "chf", "esp", "fim", "frf", "gbp", "iep", "itl", "nlg", "pte", "usd", "cad", "aud"};
  const std::string_view currency = Trim(masterCurrency);
  if (currency.size() < 3) return false;
  for (std::string_view code : kCurrencies)
    if (EqualsNoCase(currency.substr(0, 3), code)) return true;
  return false;
}

std::string PayvaneKeyChecksum(std::string_view keyE, std::string_view keyN) {
  // zlib's crc32 inverts the register on entry and on exit, so chaining two calls runs
  // on as one; only the final inversion is undone here.
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, reinterpret_cast<const Bytef*>(keyE.data()), static_cast<uInt>(keyE.size()));
  crc = crc32(crc, reinterpret_cast<const Bytef*>(keyN.data()), static_cast<uInt>(keyN.size()));
  return Format("%08X", static_cast<uint32_t>(crc ^ 0xFFFFFFFFu));
}

}  // namespace vendora
