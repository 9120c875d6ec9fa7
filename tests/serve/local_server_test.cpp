#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "app/demo_shop.h"
#include "common/clock.h"
#include "common/log.h"
#include "serve/local_config.h"
#include "serve/local_shop_server.h"
#include "shopdb/recordsets.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

TEST(LocalConfig, ReplacesOnlyTheServerLinesAndTheMailDelivery) {
  const std::string head =
      "$Basis{'Extern'} = 'http://www.garten.example/';\n"
      "$Basis{'Url'} = 'http://www.garten.example/shop/';\n"
      "$Basis{'CGI'} = 'http://www.garten.example/cgi-bin/';\n"
      "$Basis{'Thumbs'} = \"$Basis{'Url'}thumbs/\";\n"
      "\n"
      "$Path{'Basis'} = \"/home/www/shop/\";\n"
      "$Path{'Data'} = \"$Path{'Basis'}data/\";\n"
      "$ShopSet{'StoreName'} = q{Gartenwelt M\xFCller};\n";
  LocalAddresses local{"http://127.0.0.1:9/shop/", "http://127.0.0.1:9/cgi-bin/", "/tmp/run/store/", 1,
                       "/tmp/run/sendmail"};
  const std::string localHead =
      "$Basis{'Extern'} = 'http://www.garten.example/';\n"
      "$Basis{'Url'} = 'http://127.0.0.1:9/shop/';\n"
      "$Basis{'CGI'} = 'http://127.0.0.1:9/cgi-bin/';\n"
      "$Basis{'Thumbs'} = \"$Basis{'Url'}thumbs/\";\n"
      "\n"
      "$Path{'Basis'} = \"/tmp/run/store/\";\n"
      "$Path{'Data'} = \"$Path{'Basis'}data/\";\n"
      "$ShopSet{'StoreName'} = q{Gartenwelt M\xFCller};\n";
  struct Case {
    const char* name;
    std::string mail;
    std::optional<int> type;
    std::string expectedMail;
  } cases[] = {
      {"SMTP becomes the stand-in", "$SubmitType = 2;\n$SubmitOption = q{mail.example};\n\n$ReqFieldFax = 1;\n1;\n", 1,
       "$SubmitType = 1;\n$SubmitOption = q{/tmp/run/sendmail};\n\n$ReqFieldFax = 1;\n1;\n"},
      {"a mail program without a name gets one", "$SubmitType = 1;\n\n1;\n", 1,
       "$SubmitType = 1;\n$SubmitOption = q{/tmp/run/sendmail};\n\n1;\n"},
      {"the mailto form stays", "$SubmitType = 0;\n\n1;\n", std::nullopt, "$SubmitType = 0;\n\n1;\n"},
  };
  for (const Case& c : cases) {
    local.submitType = c.type;
    EXPECT_EQ(LocalConfig(head + c.mail, local), localHead + c.expectedMail) << c.name;
  }

  // A stand-alone shop's home page is the shop itself: it moves along.
  const std::string standAlone =
      "$Basis{'Extern'} = 'http://localhost:8080/';\n$Basis{'Url'} = 'http://localhost:8080/';\n";
  EXPECT_EQ(LocalConfig(standAlone, local),
            "$Basis{'Extern'} = 'http://127.0.0.1:9/shop/';\n$Basis{'Url'} = 'http://127.0.0.1:9/shop/';\n");
}

TEST(LocalConfig, UrlFolderPathsAndTheEntryPage) {
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"http://www.example.com/shop/", "/shop/"},
      {"http://www.example.com", "/"},
      {"https://www.example.com:8443/a/b/index.html", "/a/b/"},
      {"http://h/cgi-bin/?x=1", "/cgi-bin/"},
      {"http://h/../etc/", std::nullopt},
      {"http://h/mein shop/", std::nullopt},
      {"http://h/a/%2e%2e/", std::nullopt},
  };
  for (const auto& [url, path] : cases) EXPECT_EQ(UrlFolderPath(url), path) << url;

  EXPECT_EQ(LocalEntryPage("<FORM ACTION=\"http://x/cgi/catalog.cgi\">open('http://x/cgi/catalog.cgi?a')", "http://x/cgi/",
                           "http://127.0.0.1:9/cgi-bin/"),
            "<FORM ACTION=\"http://127.0.0.1:9/cgi-bin/catalog.cgi\">open('http://127.0.0.1:9/cgi-bin/catalog.cgi?a')");
}

// One HTTP/1.0 request to 127.0.0.1; the status line and the body.
std::pair<std::string, std::string> Get(int port, const std::string& path) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return {"no connection", ""};
  }
  const std::string request = "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
  (void)!write(fd, request.data(), request.size());
  std::string reply;
  char buffer[8192];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) reply.append(buffer, static_cast<size_t>(n));
  close(fd);
  const size_t body = reply.find("\r\n\r\n");
  return {reply.substr(0, reply.find("\r\n")), body == std::string::npos ? "" : reply.substr(body + 4)};
}

// A demo shop in a temp folder with what preparing it to be served needs.
struct DemoShopAt {
  explicit DemoShopAt(int products) {
    DemoShopOptions demo;
    demo.products = products;
    database = CreateDemoShop(dir / "shop", demo).value();
    db.Open(database);
    paths = DeriveShopPaths(database);
  }
  std::optional<ServedShop> Prepare() { return PrepareServedShop(db, paths, log, prompter, clock, true); }

  test::TempDir dir;
  fs::path database;
  ShopDatabase db;
  ShopPaths paths;
  GenerationLog log;
  test::ScriptedPrompter prompter;
  FixedClock clock{0};
};

TEST(LocalShopServer, RunsTheGeneratedShopUnderLighttpdAndLeavesNothingBehind) {
  DemoShopAt demo(6);
  const test::TempDir& dir = demo.dir;
  ShopDatabase& db = demo.db;
  const ShopPaths& paths = demo.paths;
  auto shop = demo.Prepare();
  ASSERT_TRUE(shop);
  // A shop named by a relative path is served all the same.
  struct WorkingFolder {
    fs::path saved = fs::current_path();
    ~WorkingFolder() { fs::current_path(saved); }
  } restore;
  fs::current_path(dir.path());
  shop->paths = DeriveShopPaths("shop/Demoshop.mdb");
  const std::string config = test::ReadFileBytes(paths.Subfolder(ShopSubfolder::Data) / "config.cnf");
  EXPECT_TRUE(GeneratedOutputIsCurrent(paths));
  {
    // A run that stops half-way (config.cnf cannot be written) leaves nothing that
    // looks servable; the next good run makes it current again.
    const fs::path blocked = paths.Subfolder(ShopSubfolder::Data) / "config.cnf";
    fs::remove(blocked);
    fs::create_directories(blocked / "x");
    EXPECT_FALSE(demo.Prepare());
    EXPECT_FALSE(GeneratedOutputIsCurrent(paths));
    fs::remove_all(blocked);
    ASSERT_TRUE(demo.Prepare());
    EXPECT_TRUE(GeneratedOutputIsCurrent(paths));
  }

  LocalShopServer server;
  const Status started = server.Start(*shop, {});
  ASSERT_TRUE(started.ok()) << started.message();
  const int port = server.Port();
  const std::string base = "http://127.0.0.1:" + std::to_string(port);
  EXPECT_EQ(server.EntryUrl(), base + "/index.html");

  // Laid out as on the server: entry page and pictures under the shop URL, the
  // scripts under the script URL, the modules and the data never sent.
  const auto entry = Get(port, "/index.html");
  EXPECT_EQ(entry.first, "HTTP/1.0 200 OK");
  EXPECT_NE(entry.second.find("<FORM ACTION=\"" + base + "/cgi-bin/catalog.cgi\" METHOD=POST>"), std::string::npos);
  EXPECT_EQ(Get(port, "/cats/b1.png").first, "HTTP/1.0 200 OK");
  const auto storefront = Get(port, "/cgi-bin/catalog.cgi");
  EXPECT_EQ(storefront.first, "HTTP/1.0 200 OK");
  EXPECT_NE(storefront.second.find("NAME=\"categorypage_1\""), std::string::npos);
  EXPECT_NE(storefront.second.find("SRC=\"" + base + "/imgs/logo.png\""), std::string::npos);
  EXPECT_EQ(Get(port, "/cgi-bin/olpcnf.pm").first, "HTTP/1.0 403 Forbidden");
  EXPECT_EQ(Get(port, "/data/product.toc").first, "HTTP/1.0 404 Not Found");

  // A port in use is refused with a sentence, not a dead server.
  LocalShopServer second;
  ServeOptions taken;
  taken.port = port;
  EXPECT_EQ(second.Start(*shop, taken).message(), "Der Port " + std::to_string(port) + " ist schon belegt; bitte mit --port einen anderen wählen.");

  // The mail stand-in puts each mail into the shop's mail folder.
  FILE* mail = popen((server.RunFolder() / "sendmail").string().append(" -t").c_str(), "w");
  ASSERT_TRUE(mail);
  fputs("To: a@b.example\n\nHallo\n", mail);
  EXPECT_EQ(pclose(mail), 0);
  std::vector<fs::path> mails;
  for (const auto& e : fs::directory_iterator(paths.folder / "mail")) mails.push_back(e.path());
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0].extension(), ".eml");
  EXPECT_EQ(test::ReadFileBytes(mails[0]), "To: a@b.example\n\nHallo\n");
  EXPECT_EQ(fs::status(mails[0]).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write)
      << "order mail holds customers' data";
  EXPECT_EQ(fs::status(paths.folder / "mail").permissions() & fs::perms::all, fs::perms::owner_all);

  const fs::path runFolder = server.RunFolder();
  server.Stop();
  EXPECT_FALSE(fs::exists(runFolder));
  EXPECT_EQ(Get(port, "/index.html").first, "no connection");
  // The merchant's files and settings are as they were.
  EXPECT_EQ(test::ReadFileBytes(paths.Subfolder(ShopSubfolder::Data) / "config.cnf"), config);
  CRecSetWebServer web(db);
  web.Open();
  EXPECT_EQ(web->StoreURL, "http://localhost:8080/");
  EXPECT_EQ(web->MailOption, 2);
}

// The signal mask of a running process as /proc shows it ("SigBlk").
std::string BlockedSignals(pid_t pid) {
  std::istringstream status(test::ReadFileBytes("/proc/" + std::to_string(pid) + "/status"));
  for (std::string line; std::getline(status, line);)
    if (line.rfind("SigBlk:", 0) == 0) return line.substr(line.find_first_not_of(" \t", 7));
  return "?";
}

bool AcceptsWithin(int port, bool wanted) {
  for (int i = 0; i < 200; ++i) {
    if ((Get(port, "/index.html").first != "no connection") == wanted) return true;
    usleep(50'000);
  }
  return false;
}

TEST(LocalShopServer, EndsWithItsOwnerHoweverItEndsAndItsFolderGoesOnTheNextStart) {
  DemoShopAt demo(2);
  const auto shop = demo.Prepare();
  ASSERT_TRUE(shop);
  // Run folders of its own: a server started meanwhile by another test would clear the
  // dead owner's folder before this test looks for it.
  test::TempDir runs;
  const char* const oldTmp = std::getenv("TMPDIR");
  const std::string restoreTmp = oldTmp ? oldTmp : "";
  setenv("TMPDIR", runs.path().c_str(), 1);
  struct RestoreTmp {
    std::string value;
    bool had;
    ~RestoreTmp() { had ? setenv("TMPDIR", value.c_str(), 1) : unsetenv("TMPDIR"); }
  } restore{restoreTmp, oldTmp != nullptr};

  // Started while the stop signals are blocked, as the command line awaits them: the
  // server must not inherit that mask, or a plain kill would not reach it.
  sigset_t stop, saved;
  sigemptyset(&stop);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stop, s);
  int ready[2];
  ASSERT_EQ(pipe2(ready, O_CLOEXEC), 0);  // lighttpd must not hold it open
  const pid_t owner = fork();
  if (owner == 0) {
    sigprocmask(SIG_BLOCK, &stop, &saved);
    LocalShopServer server;
    const Status started = server.Start(*shop, {});
    const std::string said = started.ok() ? std::to_string(server.Port()) + " " + std::to_string(server.ServerPid()) + " " +
                                           BlockedSignals(server.ServerPid()) + " " + server.RunFolder().string()
                                          : "0 " + started.message();
    (void)!write(ready[1], said.data(), said.size());
    close(ready[1]);
    pause();  // killed by the test
    _exit(0);
  }
  close(ready[1]);
  std::string said;
  char buffer[512];
  for (ssize_t n; (n = read(ready[0], buffer, sizeof buffer)) > 0;) said.append(buffer, static_cast<size_t>(n));
  close(ready[0]);
  std::istringstream words(said);
  int port = 0;
  pid_t serverPid = 0;
  std::string blocked, runFolder;
  words >> port >> serverPid >> blocked >> runFolder;
  ASSERT_GT(port, 0) << said;
  EXPECT_EQ(blocked, "0000000000000000");
  EXPECT_TRUE(AcceptsWithin(port, true));

  // Killed without a chance to stop it: the server goes with it.
  kill(owner, SIGKILL);
  waitpid(owner, nullptr, 0);
  EXPECT_TRUE(AcceptsWithin(port, false)) << "lighttpd outlived its owner";
  ASSERT_TRUE(fs::exists(runFolder));

  // The dead owner's folder is removed by the next start; a living owner's stays.
  const fs::path living = fs::temp_directory_path() / "vendora-serve-testlive";
  fs::create_directories(living);
  test::WriteFileBytes(living / "owner.pid", std::to_string(getpid()) + "\n");
  LocalShopServer next;
  const Status restarted = next.Start(*shop, {});
  ASSERT_TRUE(restarted.ok()) << restarted.message();
  EXPECT_FALSE(fs::exists(runFolder));
  EXPECT_TRUE(fs::exists(living));
  fs::remove_all(living);
  next.Stop();
}

}  // namespace
}  // namespace vendora
