#include "serve/local_shop_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "common/file_write.h"
#include "common/text_format.h"
#include "generator/generation.h"
#include "generator/perl_literal.h"
#include "serve/local_config.h"
#include "shopdb/changed_flag.h"

extern char** environ;

namespace vendora {

namespace fs = std::filesystem;

namespace {

constexpr int kPreferredPort = 8080;
constexpr std::string_view kRunFolderPrefix = "vendora-serve-";
constexpr std::string_view kOwnerFile = "owner.pid";
constexpr std::array<ShopSubfolder, 6> kPictureFolders = {ShopSubfolder::Imgs,  ShopSubfolder::Thumbs,
                                                          ShopSubfolder::Prods, ShopSubfolder::Cats,
                                                          ShopSubfolder::Lines, ShopSubfolder::Wraps};

fs::file_time_type WriteTime(const fs::path& file) {
  std::error_code ec;
  const auto time = fs::last_write_time(file, ec);
  return ec ? fs::file_time_type::min() : time;
}

}  // namespace

bool GeneratedOutputIsCurrent(const ShopPaths& paths) {
  std::error_code ec;
  if (fs::exists(paths.incompleteRun, ec)) return false;
  const auto written = WriteTime(paths.Subfolder(ShopSubfolder::Data) / "config.cnf");
  if (written == fs::file_time_type::min()) return false;
  for (const char* suffix : {"", "-journal", "-wal"})
    if (WriteTime(paths.database.string() + suffix) > written) return false;
  return true;
}

namespace {

std::optional<std::string> ReadWhole(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return std::move(text).str();
}

// Whether 127.0.0.1:port can be bound now; port 0 asks the system for a free one.
int BindablePort(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  int result = -1;
  socklen_t length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    result = ntohs(address.sin_port);
  close(fd);
  return result;
}

bool Accepts(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return ok;
}

std::string FindProgram(std::initializer_list<const char*> candidates) {
  for (const char* candidate : candidates)
    if (access(candidate, X_OK) == 0) return candidate;
  return {};
}

// A lighttpd string literal: the file names come from mkdtemp and the shop's folder.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// Stands in for sendmail: every mail becomes a file of the mail folder, written
// beside it first so that a reader never sees half a mail.
std::string MailStandIn(const std::string& perl, const fs::path& mailFolder) {
  return "#!" + perl +
         "\n"
         "# Keeps the shop's order mail on this machine: one file per mail.\n"
         "use strict;\nuse warnings;\nuse POSIX ();\numask 077;\n"
         "my $dir = " +
         PerlSingleQuoted(mailFolder.string()) +
         ";\n"
         "my $stem = POSIX::strftime('%Y%m%d-%H%M%S', localtime) . \"-$$\";\n"
         "my $n = 0;\n$n++ while -e \"$dir/$stem-$n.eml\";\n"
         "open(my $out, '>', \"$dir/$stem-$n.tmp\") or exit 75;\n"
         "binmode STDIN;\nbinmode $out;\n"
         "print {$out} $_ while <STDIN>;\n"
         "close $out or exit 75;\n"
         "rename(\"$dir/$stem-$n.tmp\", \"$dir/$stem-$n.eml\") or exit 75;\n"
         "exit 0;\n";
}

}  // namespace

std::optional<ServedShop> PrepareServedShop(ShopDatabase& db, const ShopPaths& paths, GenerationLog& log,
                                            Prompter& prompter, const Clock& clock, bool generate) {
  ServedShop shop{paths, {}, {}};
  if (generate) {
    ShopGenerator generator(db, paths, log, prompter, clock);
    SetDatabaseChanged(true);
    if (!generator.Run() || !generator.LastRun()) return std::nullopt;
    shop.scripts = ScriptSettingsOf(*generator.LastRun());
    shop.server = generator.LastRun()->settings.server;
    return shop;
  }
  // Up to date: only the steps that derive what the script files are written with.
  RunContext run(db, paths, log, prompter, clock, RunMode::Generation);
  run.running = true;
  bool ok = true;
  for (const RunStep& step : GenerationChain()) {
    if (step.name == "folders") break;
    if (!(ok = step.run(run))) break;
  }
  run.running = false;
  run.snapshot.Close();
  if (!ok) return std::nullopt;
  shop.scripts = ScriptSettingsOf(run);
  shop.server = run.settings.server;
  return shop;
}

void RemoveStaleRunFolders() {
  std::error_code ec;
  for (fs::directory_iterator it(fs::temp_directory_path(ec), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.rfind(kRunFolderPrefix, 0) != 0 || !it->is_directory(ec) || it->is_symlink(ec)) continue;
    struct stat info {};
    if (lstat(it->path().c_str(), &info) != 0 || info.st_uid != getuid()) continue;
    const std::string owner = ReadWhole(it->path() / kOwnerFile).value_or("");
    const long pid = std::strtol(owner.c_str(), nullptr, 10);
    // A folder without an owner may be one being made right now; one whose owner lives is in use.
    if (pid <= 0 || kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    std::error_code removed;
    fs::remove_all(it->path(), removed);
  }
}

LocalShopServer::~LocalShopServer() { Stop(); }

Status LocalShopServer::Build(const ServedShop& served, const ServeOptions& options) {
  // The links and the mail stand-in are used from other folders: absolute paths only.
  ServedShop shop = served;
  std::error_code ec;
  shop.paths.folder = fs::absolute(shop.paths.folder, ec);
  const std::string perl = FindProgram({"/usr/bin/perl", "/usr/local/bin/perl"});
  if (perl.empty()) {
    return Status::Error("Perl wurde nicht gefunden (/usr/bin/perl); bitte das Paket perl installieren.");
  }
  // Laid out under the merchant's folder names; an address whose path is no plain
  // folder falls back to the usual layout.
  const std::string storeDir = UrlFolderPath(shop.server.storeUrl).value_or("/");
  std::string scriptDir = UrlFolderPath(shop.server.scriptUrl).value_or("/cgi-bin/");
  if (scriptDir == "/" && storeDir == "/") scriptDir = "/cgi-bin/";
  const std::string base = Format("http://127.0.0.1:%d", port_);
  storeUrl_ = base + storeDir;
  scriptUrl_ = base + scriptDir;
  const std::string startPage = shop.server.startPage.empty() ? "index.html" : shop.server.startPage;
  entryUrl_ = storeUrl_ + startPage;

  const fs::path www = runFolder_ / "www";
  const fs::path store = runFolder_ / "store";
  const fs::path storeWeb = www / storeDir.substr(1);
  const fs::path cgi = www / scriptDir.substr(1);
  mailFolder_ = shop.paths.folder / "mail";
  for (const fs::path& folder : {storeWeb, cgi, store / "data", mailFolder_}) {
    fs::create_directories(folder, ec);
    if (ec) {
      return Status::Error("Der Ordner " + folder.string() + " kann nicht angelegt werden: " + ec.message());
    }
  }
  // Order mail holds customers' addresses and orders: for this user's eyes only.
  fs::permissions(mailFolder_, fs::perms::owner_all, fs::perm_options::replace, ec);
  if (ec) {
    return Status::Error("Die Rechte des Ordners " + mailFolder_.string() + " können nicht gesetzt werden: " + ec.message());
  }

  // The data files are read where they lie; only config.cnf is a private copy.
  for (const fs::directory_entry& entry : fs::directory_iterator(shop.paths.Subfolder(ShopSubfolder::Data), ec)) {
    const std::string name = entry.path().filename().string();
    if (name == "config.cnf" || !entry.is_regular_file()) continue;
    fs::create_symlink(entry.path(), store / "data" / name, ec);
    if (ec) break;
  }
  for (ShopSubfolder folder : kPictureFolders) {
    if (ec) break;
    fs::create_directory_symlink(shop.paths.Subfolder(folder),
                                 storeWeb / kShopSubfolderNames[static_cast<size_t>(folder)], ec);
  }
  if (ec) {
    return Status::Error("Der Shop kann nicht im Arbeitsordner " + runFolder_.string() + " abgelegt werden: " + ec.message());
  }

  const std::optional<std::string> config = ReadWhole(shop.paths.Subfolder(ShopSubfolder::Data) / "config.cnf");
  if (!config || config->empty()) {
    return Status::Error("Die Datei data/config.cnf fehlt; bitte den Shop zuerst erzeugen.");
  }
  LocalAddresses local{storeUrl_, scriptUrl_, (store / "").string(), {}, {}};
  const fs::path standIn = runFolder_ / "sendmail";
  if (!options.smtpHost.empty()) {
    local.submitType = 2;
    local.submitOption = options.smtpHost;
  } else if (config->find("\n$SubmitType = 0;\n") == std::string::npos) {
    local.submitType = 1;
    local.submitOption = standIn.string();
  }
  bool written = ReplaceFileContent(store / "data" / "config.cnf", LocalConfig(*config, local)) &&
                 ReplaceFileContent(standIn, MailStandIn(perl, mailFolder_));
  fs::permissions(standIn, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec, ec);
  if (const auto entry = ReadWhole(shop.paths.folder / startPage))
    written = written && ReplaceFileContent(storeWeb / startPage, LocalEntryPage(*entry, shop.server.scriptUrl, scriptUrl_));

  // The script files exactly as publishing writes them, with the local store path and
  // this machine's perl.
  ScriptSettings scripts = shop.scripts;
  scripts.cgiFolder = cgi;
  scripts.storePath = local.storePath;
  scripts.interpreterLine = "#!" + perl + "\n";
  for (int index = 0; written && index < kScriptCount; ++index) written = WriteScriptFile(scripts, index);
  if (!written) {
    return Status::Error("Die Dateien des Shops können nicht in den Arbeitsordner " + runFolder_.string() + " geschrieben werden.");
  }
  fs::permissions(cgi / ScriptFileName(0, scripts.scriptExtension), fs::perms::owner_exec, fs::perm_options::add, ec);
  fs::permissions(cgi / ScriptFileName(1, scripts.scriptExtension), fs::perms::owner_exec, fs::perm_options::add, ec);

  const std::string conf =
      "server.modules = (\"mod_access\", \"mod_cgi\")\n"
      "server.bind = \"127.0.0.1\"\n" +
      Format("server.port = %d\n", port_) + "server.document-root = " + Quoted(www.string()) + "\n" +
      "server.errorlog = " + Quoted((runFolder_ / "lighttpd.log").string()) + "\n" +
      "index-file.names = (" + Quoted(startPage) + ")\n" +
      "mimetype.assign = (\".html\" => \"text/html; charset=iso-8859-1\", \".png\" => \"image/png\", "
      "\".gif\" => \"image/gif\", \".jpg\" => \"image/jpeg\", \".jpeg\" => \"image/jpeg\", \".bmp\" => \"image/bmp\")\n"
      // The modules and olpcnf.pm (card-service keys) lie beside the scripts: never sent.
      "url.access-deny = (\".pm\", \".cnf\", \"~\", \".tmp\")\n"
      "$HTTP[\"url\"] =~ " +
      Quoted("^" + scriptDir) + " {\n  cgi.assign = (\".cgi\" => " + Quoted(perl) + ", \".pl\" => " + Quoted(perl) +
      ")\n}\n";
  if (!ReplaceFileContent(runFolder_ / "lighttpd.conf", conf)) {
    return Status::Error("Die Einstellungen des Web-Servers können nicht geschrieben werden.");
  }
  return Status::Ok();
}

Status LocalShopServer::Start(const ServedShop& shop, const ServeOptions& options) {
  Stop();
  const std::string lighttpd = FindProgram({"/usr/sbin/lighttpd", "/usr/local/sbin/lighttpd", "/usr/bin/lighttpd"});
  if (lighttpd.empty()) {
    return Status::Error("Der Web-Server lighttpd wurde nicht gefunden; bitte das Paket lighttpd installieren.");
  }
  if (options.port != 0) {
    if (BindablePort(options.port) != options.port) {
      return Status::Error(Format("Der Port %d ist schon belegt; bitte mit --port einen anderen wählen.", options.port));
    }
    port_ = options.port;
    return Launch(lighttpd, shop, options);
  }
  // A port found free may be taken before lighttpd binds it: then another one.
  Status launched;
  for (int attempt = 0; attempt < 3; ++attempt) {
    port_ = attempt == 0 && BindablePort(kPreferredPort) == kPreferredPort ? kPreferredPort : BindablePort(0);
    if (port_ <= 0) {
      return Status::Error("Es ist kein freier Port für den Web-Server zu finden.");
    }
    launched = Launch(lighttpd, shop, options);
    if (launched.ok() || launched.message().find("Address already in use") == std::string::npos) return launched;
  }
  return launched;
}

Status LocalShopServer::Launch(const std::string& lighttpd, const ServedShop& shop, const ServeOptions& options) {
  RemoveStaleRunFolders();
  std::string pattern = (fs::temp_directory_path() / std::string(kRunFolderPrefix).append("XXXXXX")).string();
  if (!mkdtemp(pattern.data())) {
    return Status::Error("Der Arbeitsordner des Web-Servers kann nicht angelegt werden.");
  }
  runFolder_ = pattern;
  // Names the process that owns the folder, so that a later start can tell a dead one's.
  ReplaceFileContent(runFolder_ / kOwnerFile, std::to_string(getpid()) + "\n");
  if (Status built = Build(shop, options); !built.ok()) {
    Stop();
    return built;
  }

  const std::string out = (runFolder_ / "lighttpd.out").string();
  const std::string conf = (runFolder_ / "lighttpd.conf").string();
  std::array<const char*, 5> argv = {lighttpd.c_str(), "-D", "-f", conf.c_str(), nullptr};
  const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const int nullFd = open("/dev/null", O_RDONLY | O_CLOEXEC);
  const pid_t parent = getpid();
  int spawnError = outFd < 0 || nullFd < 0 ? errno : 0;
  if (spawnError == 0) {
    pid_ = fork();
    if (pid_ == 0) {
      // Only async-signal-safe calls between fork and exec. The server ends with this
      // process however it ends; it takes the default handling of every signal and an
      // empty mask (the caller blocks its stop signals to await them); its own
      // process group keeps a Ctrl-C at the terminal with this program, which then
      // stops the server in order.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (getppid() != parent) _exit(127);
      setpgid(0, 0);
      sigset_t none;
      sigemptyset(&none);
      sigprocmask(SIG_SETMASK, &none, nullptr);
      for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT}) signal(s, SIG_DFL);
      dup2(nullFd, 0);
      dup2(outFd, 1);
      dup2(outFd, 2);
      execve(lighttpd.c_str(), const_cast<char* const*>(argv.data()), environ);
      _exit(127);
    }
    if (pid_ < 0) spawnError = errno;
    else setpgid(pid_, pid_);  // also here, so that a stop right away reaches the group
  }
  if (outFd >= 0) close(outFd);
  if (nullFd >= 0) close(nullFd);
  if (spawnError != 0) {
    pid_ = -1;
    Stop();
    return Status::Error("lighttpd kann nicht gestartet werden: " + std::string(strerror(spawnError)));
  }
  for (int i = 0; i < 200; ++i) {
    if (Accepts(port_)) return Status::Ok();
    if (!IsRunning()) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const std::string said = ReadWhole(out).value_or("") + ReadWhole(runFolder_ / "lighttpd.log").value_or("");
  Stop();
  return Status::Error("lighttpd ist nicht gestartet." + (said.empty() ? std::string() : "\n" + said));
}

bool LocalShopServer::IsRunning() {
  if (pid_ <= 0) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    pid_ = -1;
    return false;
  }
  return true;
}

void LocalShopServer::Stop() {
  if (pid_ > 0) {
    // The whole group: the server and any CGI process still running.
    kill(-pid_, SIGTERM);
    int status = 0;
    // lighttpd ends its CGI children first; give it a moment before insisting.
    for (int i = 0; i < 100 && waitpid(pid_, &status, WNOHANG) == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (waitpid(pid_, &status, WNOHANG) == 0) {
      kill(-pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
    pid_ = -1;
  }
  if (!runFolder_.empty()) {
    std::error_code ec;
    fs::remove_all(runFolder_, ec);
    runFolder_.clear();
  }
}

}  // namespace vendora
