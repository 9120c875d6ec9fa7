#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "cli/cli_fixture.h"
#include "commands.h"
#include "shopdb/olp_key_codec.h"
#include "publish/ftp_test_servers.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

class PublishCliTest : public test::CliFixture {};

TEST_F(PublishCliTest, DryRunThenPublishThenAFailingServer) {
  std::unique_ptr<test::FtpTestServer> server = test::StartPyftpdlib(dir_.path() / "ftp");
  ASSERT_NE(server, nullptr);
  const fs::path folder = dir_.path() / "demo";
  ASSERT_EQ(Run({"demo", folder.c_str(), "--products", "8"}), 0) << err_.str();
  const fs::path db = folder / "Demoshop.mdb";
  test::ExecOnFile(db, "UPDATE \"FtpServer\" SET \"HostName\" = '127.0.0.1', \"HostPort\" = " +
                           std::to_string(server->Port()) + ", \"HostUser\" = '" + server->User() +
                           "', \"HostPass\" = '" + ScrambleSecret(server->Password()) + "'");

  EXPECT_EQ(Run({"publish", db.c_str(), "--dry-run", "--yes"}), 0) << err_.str();
  EXPECT_NE(out_.str().find("Probelauf: Auf dem Server wird nichts gesendet, gelöscht oder angelegt."),
            std::string::npos);
  EXPECT_NE(out_.str().find("Shop-Verzeichnis \"/htdocs/\" (wird angelegt):"), std::string::npos) << out_.str();
  EXPECT_NE(out_.str().find("senden           data/product.toc ("), std::string::npos) << out_.str();
  EXPECT_TRUE(server->Uploads().empty());
  EXPECT_FALSE(fs::exists(server->Root() / "htdocs"));

  EXPECT_EQ(Run({"publish", db.c_str(), "--yes"}), 0) << err_.str();
  EXPECT_NE(out_.str().find("Zuletzt übertragen am: "), std::string::npos) << out_.str();
  EXPECT_NE(out_.str().find("http://localhost:8080/index.html"), std::string::npos);
  EXPECT_EQ(err_.str().find("Starte Browser"), std::string::npos) << "no browser is claimed without --open";
  EXPECT_NE(err_.str().find("Ende der FTP-Sitzung, Aufräumarbeiten..."), std::string::npos);
  EXPECT_TRUE(fs::exists(server->Root() / "htdocs" / "data" / "product.toc"));
  EXPECT_TRUE(fs::exists(server->Root() / "cgi-bin" / "catalog.cgi"));

  // A server that greets and then says nothing more: the time-out ends the run as
  // failed instead of hanging.
  test::ScriptedFtpServer silent("220 Bereit\r\n", [](test::ScriptedFtpServer&, const std::string&) {});
  test::ExecOnFile(db, "UPDATE \"FtpServer\" SET \"HostPort\" = " + std::to_string(silent.Port()));
  EXPECT_EQ(Run({"publish", db.c_str(), "--yes", "--timeout", "1"}), 1);
  EXPECT_NE(err_.str().find("Zeitüberschreitung"), std::string::npos) << err_.str();
  EXPECT_NE(err_.str().find("Einloggen gescheitert!"), std::string::npos);
  EXPECT_EQ(Run({"publish", db.c_str(), "--trust", "abc"}), 1);
}

// SFTP from the command line: an unknown host key is not taken on --yes, the hint
// names the fingerprint, and --trust with it publishes and adds the key.
TEST_F(PublishCliTest, SftpTrustsAHostKeyOnlyByItsFingerprint) {
  std::unique_ptr<test::SshdTestServer> server = test::SshdTestServer::Start(dir_.path() / "ssh");
  ASSERT_NE(server, nullptr);
  const fs::path folder = dir_.path() / "demo";
  ASSERT_EQ(Run({"demo", folder.c_str(), "--products", "8"}), 0) << err_.str();
  const fs::path db = folder / "Demoshop.mdb";
  test::ExecOnFile(db, "UPDATE \"FtpServer\" SET \"HostName\" = '127.0.0.1', \"Protocol\" = 2, \"SftpPort\" = " +
                           std::to_string(server->Port()) + ", \"HostUser\" = '" + server->User() +
                           "', \"HostPass\" = '', \"RemoteDir\" = 'htdocs', \"RemoteScript\" = 'cgi-bin'");
  const std::string sshDir = server->ClientDir().string();
  const std::string fingerprint = server->HostKeyFingerprint();
  EXPECT_EQ(Run({"publish", db.c_str(), "--yes", "--ssh-dir", sshDir.c_str()}), 1);
  EXPECT_NE(err_.str().find("Wenn Sie dem Host-Schlüssel vertrauen, veröffentlichen Sie erneut mit --trust " + fingerprint),
            std::string::npos)
      << err_.str();
  EXPECT_FALSE(fs::exists(server->Root() / "htdocs" / "data" / "product.toc"));

  EXPECT_EQ(Run({"publish", db.c_str(), "--yes", "--ssh-dir", sshDir.c_str(), "--trust", fingerprint.c_str()}), 0)
      << err_.str();
  EXPECT_TRUE(fs::exists(server->Root() / "htdocs" / "data" / "product.toc"));
  EXPECT_TRUE(fs::exists(server->Root() / "cgi-bin" / "catalog.cgi"));
  // Known from now on: no --trust needed.
  EXPECT_EQ(Run({"publish", db.c_str(), "--yes", "--ssh-dir", sshDir.c_str()}), 0) << err_.str();
}

}  // namespace
}  // namespace vendora
