// vendora-cli preview and serve: what they print and their exit codes. Serving runs
// the real program under lighttpd once; the refusals run in-process.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "cli/cli_fixture.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

class PreviewServeCliTest : public test::CliFixture {
 protected:
  fs::path Demo() {
    const fs::path folder = dir_.path() / "demo";
    EXPECT_EQ(Run({"demo", folder.c_str(), "--products", "2"}), 0) << err_.str();
    return folder / "Demoshop.mdb";
  }
};

// A socket listening on 127.0.0.1 at a port the system chose.
struct Listener {
  Listener() {
    fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 && listen(fd, 1) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
      port = ntohs(address.sin_port);
  }
  ~Listener() { close(fd); }
  int fd = -1, port = 0;
};

TEST_F(PreviewServeCliTest, PreviewPrintsTheAbsoluteFrameSetAndOpensIt) {
  const fs::path db = Demo();
  const fs::path frameSet = dir_.path() / "demo" / "preview" / "FrameSet.html";
  // Named relative to the working folder: the browser runs elsewhere, so the path
  // printed and handed over is absolute.
  struct WorkingFolder {
    fs::path saved = fs::current_path();
    ~WorkingFolder() { fs::current_path(saved); }
  } restore;
  fs::current_path(dir_.path());
  ASSERT_EQ(Run({"preview", "demo/Demoshop.mdb"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), frameSet.string() + "\n");
  EXPECT_NE(err_.str().find("Vorschaudateien wurden erstellt."), std::string::npos) << err_.str();
  EXPECT_NE(test::ReadFileBytes(frameSet).find("<FRAME NAME=\"Main\" NORESIZE SRC=\"StoreFront.html\">"),
            std::string::npos);

  // --open hands the same path to $BROWSER, as one argument.
  const fs::path got = dir_.path() / "browser.txt";
  const fs::path browser = dir_.path() / "browser.sh";
  test::WriteFileBytes(browser, "#!/bin/sh\nprintf '%s|' \"$@\" > '" + got.string() + ".part'\nmv '" + got.string() +
                                    ".part' '" + got.string() + "'\n");
  fs::permissions(browser, fs::perms::owner_all);
  setenv("BROWSER", (browser.string() + " --neu %s").c_str(), 1);
  const int opened = Run({"preview", db.c_str(), "--open"});
  unsetenv("BROWSER");
  EXPECT_EQ(opened, 0) << err_.str();
  EXPECT_EQ(out_.str(), frameSet.string() + "\n");
  for (int i = 0; i < 100 && !fs::exists(got); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(test::ReadFileBytes(got), "--neu|" + frameSet.string() + "|");
}

TEST_F(PreviewServeCliTest, PreviewFailuresEndWithOne) {
  const fs::path missing = dir_.path() / "fehlt.mdb";
  EXPECT_EQ(Run({"preview", missing.c_str()}), 1);
  EXPECT_EQ(err_.str(), "Die Shop-Datei '" + missing.string() + "' ist nicht vorhanden.\n");
  EXPECT_EQ(out_.str(), "");

  // A page that cannot be written: the file's reason, the preview's own message, and
  // no path to open.
  const fs::path db = Demo();
  fs::create_directories(dir_.path() / "demo" / "preview" / "Order2.html" / "x");
  EXPECT_EQ(Run({"preview", db.c_str(), "--open"}), 1);
  EXPECT_EQ(out_.str(), "");
  const std::string err = err_.str();
  EXPECT_NE(err.find("Die Datei \"preview/Order2.html\" konnte nicht erstellt werden."), std::string::npos) << err;
  EXPECT_NE(err.find("Die Vorschau kann aufgrund von Fehlern bei der\nErstellung des Shop nicht angezeigt werden!"),
            std::string::npos)
      << err;
}

TEST_F(PreviewServeCliTest, ServeRefusesBeforeItRuns) {
  const fs::path missing = dir_.path() / "fehlt.mdb";
  EXPECT_EQ(Run({"serve", missing.c_str()}), 1);
  EXPECT_EQ(err_.str(), "Die Shop-Datei '" + missing.string() + "' ist nicht vorhanden.\n");

  const struct {
    std::vector<const char*> args;
    std::string error;
  } refused[] = {
      {{"serve", "x.mdb", "--port", "0"}, "Der Wert '0' für --port ist keine Zahl von 1 bis 65535.\n"},
      {{"serve", "x.mdb", "--port", "65536"}, "Der Wert '65536' für --port ist keine Zahl von 1 bis 65535.\n"},
      {{"serve", "x.mdb", "--port", "acht"}, "Der Wert 'acht' für --port ist keine Zahl von 1 bis 65535.\n"},
      {{"serve", "--port", "8080"}, "Die Angabe SHOP fehlt.\n"},
  };
  for (const auto& r : refused) {
    EXPECT_EQ(Run(r.args), 2) << r.error;
    EXPECT_EQ(err_.str(), r.error + "Hilfe: vendora-cli serve --help\n");
    EXPECT_EQ(out_.str(), "");
  }

  // A port in use: the shop is generated first (an interrupted run is made again and
  // said so), then the server is refused with a sentence.
  const fs::path db = Demo();
  const fs::path marker = dir_.path() / "demo" / ".Demoshop.incomplete";
  test::WriteFileBytes(marker, "");
  Listener taken;
  ASSERT_GT(taken.port, 0);
  const std::string port = std::to_string(taken.port);
  // The command blocks the stop signals to await them; run in-process, it must hand
  // the mask back, or this test program could no longer be stopped (nor the servers
  // it starts later, which inherit the mask).
  sigset_t before, after;
  sigprocmask(SIG_SETMASK, nullptr, &before);
  EXPECT_EQ(Run({"serve", db.c_str(), "--port", port.c_str()}), 1);
  sigprocmask(SIG_SETMASK, &before, &after);
  const bool maskKept = sigismember(&after, SIGTERM) == sigismember(&before, SIGTERM) &&
                        sigismember(&after, SIGINT) == sigismember(&before, SIGINT) &&
                        sigismember(&after, SIGHUP) == sigismember(&before, SIGHUP);
  EXPECT_EQ(out_.str(), "Die letzte Erzeugung des Shops wurde nicht vollständig beendet; er wird jetzt neu erzeugt.\n");
  const std::string err = err_.str();
  EXPECT_NE(err.find("Ihr Shop ist jetzt zur Veröffentlichung bereit."), std::string::npos) << err;
  EXPECT_TRUE(err.ends_with("Der Port " + port + " ist schon belegt; bitte mit --port einen anderen wählen.\n")) << err;
  EXPECT_FALSE(fs::exists(marker));
  EXPECT_TRUE(fs::exists(dir_.path() / "demo" / "data" / "config.cnf"));
  EXPECT_TRUE(maskKept) << "serve must give back the signals it blocked";
}

// The real program until a plain kill: lighttpd is found where Debian installs it,
// also for a user whose PATH has no sbin folder; the shop answers, and the stop is
// reported with exit 0.
TEST_F(PreviewServeCliTest, ServeRunsUntilStoppedWithoutSbinOnThePath) {
  const fs::path db = Demo();
  int port = 0;
  {
    Listener free;
    port = free.port;
  }
  ASSERT_GT(port, 0);
  const std::string portText = std::to_string(port);
  // This process's environment (the fixture's program folder and settings) with a
  // desktop user's PATH.
  std::vector<std::string> environment;
  for (char** e = environ; *e; ++e)
    if (std::string_view(*e).rfind("PATH=", 0) != 0) environment.emplace_back(*e);
  environment.emplace_back("PATH=/usr/bin:/bin");
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const pid_t child = fork();
  if (child == 0) {
    dup2(out[1], 1);
    close(out[0]);
    close(out[1]);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 2);
    const char* argv[] = {VENDORA_CLI, "serve", db.c_str(), "--port", portText.c_str(), nullptr};
    execve(VENDORA_CLI, const_cast<char* const*>(argv), envp.data());
    _exit(127);
  }
  close(out[1]);
  // Everything it prints until it waits for the stop (or ends, or a minute passes).
  std::string said;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (said.find("Beenden mit Strg+C.\n") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd p{out[0], POLLIN, 0};
    if (poll(&p, 1, 200) <= 0) continue;
    char buffer[1024];
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    said.append(buffer, static_cast<size_t>(n));
  }
  EXPECT_EQ(said, "Der Shop läuft unter http://127.0.0.1:" + portText + "/index.html\nBestell-E-Mails: " +
                      (dir_.path() / "demo" / "mail").string() + "\nBeenden mit Strg+C.\n");

  // The entry page answers.
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  std::string reply;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    const std::string request = "GET /index.html HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    (void)!write(fd, request.data(), request.size());
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) reply.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  EXPECT_EQ(reply.substr(0, reply.find("\r\n")), "HTTP/1.0 200 OK");

  kill(child, SIGTERM);
  std::string rest;
  char buffer[1024];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) rest.append(buffer, static_cast<size_t>(n));
  close(out[0]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(rest, "Der Web-Server wurde beendet.\n");
}

}  // namespace
}  // namespace vendora
