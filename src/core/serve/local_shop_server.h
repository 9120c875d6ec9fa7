#pragma once
// Running a generated shop on this machine before it is published: lighttpd with
// mod_cgi on 127.0.0.1, laid out as on the merchant's server (the store path with its
// "data" folder, the picture folders and the entry page under the shop URL, the script
// files under the script URL). Everything the server needs lies in a private run
// folder, with config.cnf and the entry page rewritten for local addresses; the shop's
// database, settings and generated files are not changed. Order mail goes into the
// shop's "mail" folder through a stand-in for sendmail, or to an SMTP host that the
// caller names (a test's loopback sink).
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>

#include "app/shop_paths.h"
#include "common/status.h"
#include "generator/page_settings.h"
#include "generator/scripts.h"

namespace vendora {

class Clock;
class GenerationLog;
class Prompter;
class ShopDatabase;

// What serving needs of a generated shop.
struct ServedShop {
  ShopPaths paths;
  ScriptSettings scripts;                 // as publishing writes the script files
  PreviewSettings::ServerValues server;  // the merchant's normalised addresses
};

// Removes the private folders under the temp folder that a serving process of this user
// left behind when it died without stopping (its owner no longer runs).
void RemoveStaleRunFolders();

// Whether the shop's generated files are newer than every file of its database and no
// generation run was left unfinished since. Ask before opening the shop: opening
// writes to the database.
bool GeneratedOutputIsCurrent(const ShopPaths& paths);

// With `generate` runs the whole generation; otherwise only the settings checks that
// the script files need. Returns nothing when the run or a check failed; the reason is
// in the log or was shown.
std::optional<ServedShop> PrepareServedShop(ShopDatabase& db, const ShopPaths& paths, GenerationLog& log,
                                            Prompter& prompter, const Clock& clock, bool generate);

struct ServeOptions {
  int port = 0;  // 0: 8080 when free, else any free port
  // "host" or "host:port": order mail by SMTP to that host instead of the mail folder.
  std::string smtpHost;
};

// One running server. Not copyable; the destructor stops it. Single-threaded use.
class LocalShopServer {
 public:
  LocalShopServer() = default;
  LocalShopServer(const LocalShopServer&) = delete;
  LocalShopServer& operator=(const LocalShopServer&) = delete;
  ~LocalShopServer();

  // Builds the run folder and starts lighttpd; returns once it accepts connections.
  // Fails with a German sentence (port taken, lighttpd missing or failing).
  Status Start(const ServedShop& shop, const ServeOptions& options);
  // Whether lighttpd still runs (it may have died on its own).
  bool IsRunning();
  // Stops lighttpd and removes the run folder; the mail folder stays. Idempotent.
  void Stop();

  int Port() const { return port_; }
  pid_t ServerPid() const { return pid_; }  // lighttpd's process, -1 when none
  // The address a customer opens: the entry page under the local shop URL.
  const std::string& EntryUrl() const { return entryUrl_; }
  const std::string& StoreUrl() const { return storeUrl_; }
  const std::string& ScriptUrl() const { return scriptUrl_; }
  const std::filesystem::path& MailFolder() const { return mailFolder_; }
  const std::filesystem::path& RunFolder() const { return runFolder_; }

 private:
  Status Build(const ServedShop& shop, const ServeOptions& options);
  Status Launch(const std::string& lighttpd, const ServedShop& shop, const ServeOptions& options);

  pid_t pid_ = -1;
  int port_ = 0;
  std::string entryUrl_, storeUrl_, scriptUrl_;
  std::filesystem::path runFolder_, mailFolder_;
};

}  // namespace vendora
