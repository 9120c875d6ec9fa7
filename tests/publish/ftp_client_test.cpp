#include <gtest/gtest.h>

#include <algorithm>

#include "common/log.h"
#include "publish/ftp_client.h"
#include "publish/ftp_test_servers.h"
#include "support/test_support.h"

namespace vendora {
namespace {

using test::ScriptedFtpServer;

using Rules = std::vector<std::pair<std::string, std::string>>;

// Answers each command by the first rule whose prefix it starts with.
ScriptedFtpServer::Handler Answer(Rules rules) {
  return [rules = std::move(rules)](ScriptedFtpServer& s, const std::string& command) {
    for (const auto& [prefix, reply] : rules)
      if (command.starts_with(prefix)) {
        if (!reply.empty()) s.Reply(reply);
        return;
      }
    s.Reply("500 Unbekannter Befehl");
  };
}

const Rules kFirewall = {{"USER", "331 Passwort bitte"}, {"PASS", "230 Angemeldet"}, {"ACCT", "230 Konto ok"},
                         {"SITE", "331 Verbunden"},      {"OPEN", "220 Verbunden"},  {"TYPE", "200 Typ gesetzt"},
                         {"QUIT", "221 Auf Wiedersehen"}};

// A greeting whose inner lines look like ends but are none.
const char* const kGreeting = "220-Willkommen\r\n220-beim Test\r\n230 mitten drin\r\n220 Bereit\r\n";

class FtpClientTest : public ::testing::Test {
 protected:
  void SetUp() override { log_.AddSink(&sink_); }
  bool Logged(const std::string& line) const {
    return std::find(sink_.lines.begin(), sink_.lines.end(), line) != sink_.lines.end();
  }
  bool LoggedPart(const std::string& part) const {
    return std::any_of(sink_.lines.begin(), sink_.lines.end(),
                       [&](const std::string& l) { return l.find(part) != std::string::npos; });
  }
  GenerationLog log_;
  MemoryLogSink sink_;
};

TEST_F(FtpClientTest, EveryLogonTypeSendsItsSequence) {
  struct Case {
    int type;
    int hostPort;
    Rules rules;
    std::vector<std::string> commands;  // after the greeting, up to the logon's end
    bool ok;
  };
  const std::string pass = "PASS geheim";
  const std::vector<Case> cases = {
      {0, 0, kFirewall, {"USER kunde", pass, "TYPE A"}, true},
      {0, 0, {{"USER", "230 Schon angemeldet"}, {"TYPE", "200 ok"}}, {"USER kunde", "TYPE A"}, true},
      {0, 0, {{"USER", "331 ok"}, {"PASS", "332 Konto?"}, {"ACCT", "230 ok"}, {"TYPE", "200 ok"}},
       {"USER kunde", pass, "ACCT konto", "TYPE A"}, true},
      {1, 21, kFirewall,
       {"USER wand", "PASS mauer", "SITE ftp.example.org", "USER kunde", pass, "TYPE A"}, true},
      {2, 21, kFirewall, {"USER wand", "PASS mauer", "USER kunde@ftp.example.org", pass, "TYPE A"}, true},
      {3, 21, kFirewall, {"OPEN ftp.example.org", "USER kunde", pass, "TYPE A"}, true},
      {4, 21, kFirewall, {"USER wand", "PASS mauer", "USER kunde", pass, "TYPE A"}, true},
      {5, 21, kFirewall, {"USER kunde@ftp.example.org", pass, "TYPE A"}, true},
      {5, 2121, kFirewall, {"USER kunde@ftp.example.org:2121", pass, "TYPE A"}, true},
      {6, 21, kFirewall, {"USER wand@ftp.example.org", "PASS mauer", "USER kunde", pass, "TYPE A"}, true},
      {7, 21, kFirewall, {"USER kunde@ftp.example.org wand", pass, "TYPE A"}, true},
      {8, 21, kFirewall, {"USER kunde@wand@ftp.example.org", "PASS geheim@mauer", "TYPE A"}, true},
      // A firewall that takes SITE as the end of the logon has not logged on anywhere.
      {1, 21, {{"USER", "331 ok"}, {"PASS", "230 ok"}, {"SITE", "230 ok"}},
       {"USER wand", "PASS mauer", "SITE ftp.example.org"}, false},
      {0, 0, {{"USER", "331 ok"}, {"PASS", "530 Falsches Kennwort"}}, {"USER kunde", pass}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "type " << c.type << ", " << c.commands.front());
    sink_.lines.clear();
    ScriptedFtpServer server(kGreeting, Answer(c.rules));
    {
      FtpClient client(&log_);
      const int port = server.Port();
      // Type 0 goes to the host itself; every other type to the firewall.
      const bool ok = c.type == 0 ? client.LogOn("127.0.0.1", port, "kunde", "geheim", "konto", "", "", "", 0, 0)
                                  : client.LogOn("ftp.example.org", c.hostPort, "kunde", "geheim", "konto",
                                                 "127.0.0.1", "wand", "mauer", port, c.type);
      EXPECT_EQ(ok, c.ok);
      if (!c.ok) {
        const bool sequenceFailed = c.type == 1;
        EXPECT_EQ(client.LastMessage(), sequenceFailed ? "Das Einloggen ist fehlgeschlagen." : "530 Falsches Kennwort");
        EXPECT_EQ(Logged("Das Einloggen ist fehlgeschlagen."), sequenceFailed);
      }
    }
    EXPECT_EQ(server.Commands(), c.commands);
    EXPECT_TRUE(Logged("220 Bereit")) << "the whole greeting is read";
    EXPECT_FALSE(LoggedPart("geheim")) << "passwords never reach the log";
    EXPECT_FALSE(LoggedPart("mauer"));
  }
  FtpClient client(&log_);
  EXPECT_FALSE(client.LogOn("127.0.0.1", 21, "kunde", "geheim", "", "", "", "", 0, 9));
  EXPECT_EQ(client.LastMessage(), "") << "an unknown type connects nowhere";
}

TEST_F(FtpClientTest, GarbageFromTheServerFailsWithoutHanging) {
  struct Case {
    const char* greeting;
    Rules rules;
  };
  const std::vector<Case> cases = {
      {"Hallo, ich bin kein FTP-Server\r\n", kFirewall},
      {"220 Bereit\r\n", {{"USER", "ja gerne"}}},
      {"220 Bereit\r\n", {{"USER", "\r\n"}}},  // an empty line is no 2xx reply
  };
  for (const Case& c : cases) {
    ScriptedFtpServer server(c.greeting, Answer(c.rules));
    FtpClientOptions options;
    options.timeoutSeconds = 2;
    FtpClient client(&log_, options);
    EXPECT_FALSE(client.LogOn("127.0.0.1", server.Port(), "kunde", "geheim", "", "", "", "", 0, 0)) << c.greeting;
  }
}

TEST_F(FtpClientTest, ASilentServerEndsInATimeOutAndTheConnectionIsDropped) {
  ScriptedFtpServer server("220 Bereit\r\n", Answer({{"USER", "230 ok"}, {"TYPE", "200 ok"}, {"PWD", ""}}));
  FtpClientOptions options;
  options.timeoutSeconds = 1;
  FtpClient client(&log_, options);
  ASSERT_TRUE(client.LogOn("127.0.0.1", server.Port(), "kunde", "", "", "", "", "", 0, 0));
  std::string dir;
  EXPECT_FALSE(client.CurrentDir(dir));
  EXPECT_EQ(client.LastMessage(), "Netzwerkfehler");
  EXPECT_TRUE(LoggedPart("Zeitüberschreitung")) << ::testing::PrintToString(sink_.lines);
  EXPECT_FALSE(client.Connected()) << "a late reply must not answer the next command";
  EXPECT_FALSE(client.ChangeDir("x"));
}

TEST_F(FtpClientTest, PassiveDataGoesToTheControlPeerWhateverTheReplyNames) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "bild.gif", "GIF89a-Inhalt");
  std::string received;
  int pasv = 0;
  ScriptedFtpServer server("220 Bereit\r\n", [&](ScriptedFtpServer& s, const std::string& command) {
    if (command == "PASV" && ++pasv == 2) {
      s.Reply("227 Entering Passive Mode 127,0,0,1,4,1");
    } else if (command == "PASV") {
      const int port = s.ListenForData();
      s.Reply("227 Entering Passive Mode (10,1,2,3," + std::to_string(port / 256) + "," + std::to_string(port % 256) +
              ")");
    } else if (command.starts_with("STOR")) {
      s.Reply("150 Bitte senden");
      received = s.ReceiveData();
      s.Reply("226 Empfangen");
    } else {
      Answer({{"USER", "230 ok"}, {"TYPE", "200 ok"}, {"QUIT", "221 ok"}})(s, command);
    }
  });
  FtpClientOptions options;
  options.timeoutSeconds = 3;
  FtpClient client(&log_, options);
  ASSERT_TRUE(client.LogOn("127.0.0.1", server.Port(), "kunde", "", "", "", "", "", 0, 0));
  client.SetPassive(true);
  EXPECT_TRUE(client.MoveFile("imgs/bild.gif", dir / "bild.gif", false, true)) << client.LastMessage();
  EXPECT_FALSE(client.MoveFile("imgs/bild.gif", dir / "bild.gif", false, true)) << "no parentheses, no transfer";
  EXPECT_EQ(client.LastMessage(), "227 Entering Passive Mode 127,0,0,1,4,1");
  EXPECT_FALSE(client.MoveFile("imgs/bild.gif", dir / "fehlt.gif", false, true));
  EXPECT_EQ(client.LastMessage(), "Die Datei konnte auf dem lokalen Rechner nicht geöffnet werden.");
  client.LogOff();
  EXPECT_EQ(received, "GIF89a-Inhalt");
  EXPECT_TRUE(LoggedPart("die Adresse 10.1.2.3; verbunden wird stattdessen mit 127.0.0.1"));
  EXPECT_TRUE(LoggedPart("13 Bytes in ")) << "the statistics line";
  EXPECT_EQ(server.Commands(),
            (std::vector<std::string>{"USER kunde", "TYPE A", "TYPE I", "PASV", "STOR imgs/bild.gif", "PASV", "QUIT"}));
}

// A server that sends without end is cut off, by count, by bytes or by the run's
// deadline; after any of them the run has no connection left to delete with.
TEST_F(FtpClientTest, ListingsAreBoundedAndTheDeadlineEndsADrippingServer) {
  std::string manyLines, oneHugeLine;
  for (int i = 0; i < 150; ++i) manyLines += "-rw-r--r-- 1 u g 5 Jan  1 12:00 f" + std::to_string(i) + ".gif\r\n";
  for (int i = 0; i < 3000; ++i) oneHugeLine += "-rw-r--r-- 1 u g 5 Jan  1 12:00 x.gif\r\n";
  struct Case {
    std::string name, listing;
    int pauseMs;
    std::string logged;
  };
  const std::vector<Case> cases = {
      {"entries", manyLines, 0, "Das Verzeichnis \"imgs\" auf dem Server ist zu groß (mehr als 100 Einträge"},
      {"bytes", oneHugeLine, 0, "Das Verzeichnis \"imgs\" auf dem Server ist zu groß"},
      {"drip", manyLines, 100, "Die Veröffentlichung hat ihr Zeitlimit überschritten und wird abgebrochen."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sink_.lines.clear();
    ScriptedFtpServer server("220 Bereit\r\n", [&](ScriptedFtpServer& s, const std::string& command) {
      if (command == "PASV") {
        const int port = s.ListenForData();
        s.Reply("227 Entering Passive Mode (127,0,0,1," + std::to_string(port / 256) + "," +
                std::to_string(port % 256) + ")");
      } else if (command.starts_with("LIST")) {
        s.Reply("150 Liste folgt");
        s.SendData(c.listing, c.pauseMs);
        s.Reply("226 Fertig");
      } else {
        Answer({{"USER", "230 ok"}, {"TYPE", "200 ok"}, {"DELE", "250 ok"}, {"QUIT", "221 ok"}})(s, command);
      }
    });
    FtpClientOptions options;
    options.timeoutSeconds = 5;
    options.maxListingEntries = c.name == "entries" ? 100 : 100'000;
    options.maxListingBytes = 64 * 1024;
    options.deadlineSeconds = c.name == "drip" ? 2 : 0;
    FtpClient client(&log_, options);
    ASSERT_TRUE(client.LogOn("127.0.0.1", server.Port(), "kunde", "", "", "", "", "", 0, 0));
    client.SetPassive(true);
    FtpListing listing;
    EXPECT_FALSE(client.List("imgs", listing));
    EXPECT_TRUE(LoggedPart(c.logged)) << ::testing::PrintToString(sink_.lines);
    EXPECT_EQ(client.Delete("imgs/f1.gif", 1), 0) << "nothing is deleted after the cut";
    client.LogOff();
    const auto commands = server.Commands();
    EXPECT_EQ(std::count_if(commands.begin(), commands.end(), [](const std::string& l) { return l.starts_with("DELE"); }),
              0);
  }
}

TEST_F(FtpClientTest, AfterAnAbortNothingIsDeleted) {
  ScriptedFtpServer server("220 Bereit\r\n", Answer({{"USER", "230 ok"}, {"TYPE", "200 ok"}, {"DELE", "250 ok"},
                                                     {"QUIT", "221 ok"}}));
  FtpClient client(&log_);
  ASSERT_TRUE(client.LogOn("127.0.0.1", server.Port(), "kunde", "", "", "", "", "", 0, 0));
  EXPECT_EQ(client.Delete("imgs/a.gif", 0), 1);
  client.Abort();
  EXPECT_EQ(client.Delete("imgs/b.gif", 1), 0);
  client.LogOff();
  EXPECT_EQ(server.Commands(), (std::vector<std::string>{"USER kunde", "TYPE A", "DELE imgs/a.gif", "QUIT"}));
}

TEST_F(FtpClientTest, DirectoryRepliesAndCommandsWithLineEnds) {
  ScriptedFtpServer server("220 Bereit\r\n", Answer({{"USER", "230 ok"},
                                                     {"TYPE", "200 ok"},
                                                     {"PWD", "257 \"/www/shop\" ist das aktuelle Verzeichnis"},
                                                     {"MKD da", "550 Existiert schon"},
                                                     {"MKD weg", "421 Dienst nicht verfügbar"},
                                                     {"QUIT", "221 ok"}}));
  FtpClient client(&log_);
  ASSERT_TRUE(client.LogOn("127.0.0.1", server.Port(), "kunde", "", "", "", "", "", 0, 0));
  std::string dir;
  EXPECT_TRUE(client.CurrentDir(dir));
  EXPECT_EQ(dir, "/www/shop");
  EXPECT_EQ(client.MakeDir("da", 1), 1) << "an existing folder is accepted when asked";
  EXPECT_EQ(client.MakeDir("da", 0), 0);
  EXPECT_EQ(client.MakeDir("weg", 1), 0) << "only a permanent error is accepted";
  EXPECT_FALSE(client.Command("CWD a\r\nDELE b")) << "no command smuggled in through a line end";
  client.LogOff();
  EXPECT_EQ(server.Commands(), (std::vector<std::string>{"USER kunde", "TYPE A", "PWD", "MKD da", "MKD da", "MKD weg",
                                                         "QUIT"}));
}

}  // namespace
}  // namespace vendora
