#include <gtest/gtest.h>

#include <map>

#include "app/program_identity.h"
#include "app/shop_manager.h"
#include "shopdb/recordsets.h"
#include "shopdb/schema_builder.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

// The FTP-over-TLS fields, the seal key and the legal texts came after version 150: files of 1.40 and
// files already at 150 both get them on opening, switched off or empty, with their
// rows kept.
TEST(LaterProgramFields, OlderAndCurrentFilesGetTheTlsFieldsSwitchedOff) {
  for (const int version : {140, 150}) {
    SCOPED_TRACE(version);
    test::TempDir dir;
    const fs::path path = dir / "shop.mdb";
    test::CreateShopFile(path);
    test::ExecOnFile(path, "ALTER TABLE \"FtpServer\" DROP COLUMN \"Protocol\"");
    test::ExecOnFile(path, "ALTER TABLE \"FtpServer\" DROP COLUMN \"SftpPort\"");
    test::ExecOnFile(path,
                     "INSERT INTO \"FtpServer\" (\"HostName\", \"HostPort\", \"ProxyType\", \"Passive\", \"UseTls\") "
                     "VALUES ('ftp.example.org', 21, 0, 1, 1)");
    test::ExecOnFile(path, "ALTER TABLE \"FtpServer\" DROP COLUMN \"UseTls\"");
    test::ExecOnFile(path, "ALTER TABLE \"FtpServer\" DROP COLUMN \"TlsFingerprint\"");
    test::ExecOnFile(path, "INSERT INTO \"Payvane\" (\"Use\", \"Server\") VALUES (1, 'pay.example.org')");
    test::ExecOnFile(path, "ALTER TABLE \"Payvane\" DROP COLUMN \"SealKey\"");
    test::ExecOnFile(path, "INSERT INTO \"TextBlocks\" (\"Policy\", \"PolicyJava\") VALUES ('AGB', 0)");
    test::ExecOnFile(path, "ALTER TABLE \"TextBlocks\" DROP COLUMN \"Privacy\"");
    test::ExecOnFile(path, "ALTER TABLE \"TextBlocks\" DROP COLUMN \"Withdrawal\"");
    test::ExecOnFile(path, "UPDATE \"Version\" SET \"Version\" = " + std::to_string(version));

    test::ScriptedPrompter prompter;
    ShopManager manager(ProgramIdentity{150, 54, 1031}, dir.path(), prompter);
    ASSERT_TRUE(manager.OpenShopDatabase(path)) << ::testing::PrintToString(prompter.Texts());
    ShopDatabase& db = manager.Database();
    std::map<std::string, ColumnInfo> columns;
    for (const ColumnInfo& c : ReadColumns(db, "FtpServer")) columns[c.name] = c;
    ASSERT_TRUE(columns.contains("UseTls") && columns.contains("TlsFingerprint"));
    EXPECT_EQ(columns["UseTls"].sqlType, "BOOLEAN");
    EXPECT_TRUE(columns["UseTls"].notNull);
    EXPECT_EQ(columns["TlsFingerprint"].sqlType, "VARCHAR(64)");
    EXPECT_FALSE(columns["TlsFingerprint"].notNull);

    CRecSetFtpServer ftp(db);
    ftp.Open();
    ASSERT_FALSE(ftp.IsEOF());
    EXPECT_EQ(ftp->HostName, "ftp.example.org");
    EXPECT_FALSE(ftp->UseTls) << "older shops publish as before";
    EXPECT_EQ(ftp->Protocol, 0);
    EXPECT_EQ(ftp->SftpPort, 22);
    EXPECT_EQ(ftp->TlsFingerprint, "");
    ftp.Edit();
    ftp->UseTls = true;
    ftp->TlsFingerprint = std::string(64, 'A');
    EXPECT_NO_THROW(ftp.Update());

    // The card-payment seal key: empty until the first generation makes one.
    CRecSetPayvane payvane(db);
    payvane.Open();
    ASSERT_FALSE(payvane.IsEOF());
    EXPECT_EQ(payvane->Server, "pay.example.org");
    EXPECT_EQ(payvane->SealKey, "");
    payvane.Edit();
    payvane->SealKey = std::string(64, 'a');
    EXPECT_NO_THROW(payvane.Update());

    // The privacy and withdrawal texts: empty, the terms kept.
    CRecSetTextblocks blocks(db);
    blocks.Open();
    ASSERT_FALSE(blocks.IsEOF());
    EXPECT_EQ(blocks->Policy, "AGB");
    EXPECT_EQ(blocks->Privacy + blocks->Withdrawal, "");
  }
}

// The protocol choice replaced the TLS switch: a shop published over FTP over TLS
// goes on so, one over plain FTP stays there; the SSH port starts at 22.
TEST(LaterProgramFields, TheTlsSwitchIsCarriedIntoTheProtocolChoice) {
  for (const int tls : {0, 1}) {
    SCOPED_TRACE(tls);
    test::TempDir dir;
    const fs::path path = dir / "shop.mdb";
    test::CreateShopFile(path);
    test::ExecOnFile(path, "ALTER TABLE \"FtpServer\" DROP COLUMN \"Protocol\"");
    test::ExecOnFile(path, "ALTER TABLE \"FtpServer\" DROP COLUMN \"SftpPort\"");
    test::ExecOnFile(path,
                     "INSERT INTO \"FtpServer\" (\"HostName\", \"HostPort\", \"ProxyType\", \"Passive\", \"UseTls\") "
                     "VALUES ('ftp.example.org', 21, 0, 1, " + std::to_string(tls) + ")");
    test::ScriptedPrompter prompter;
    ShopManager manager(ProgramIdentity{150, 54, 1031}, dir.path(), prompter);
    ASSERT_TRUE(manager.OpenShopDatabase(path)) << ::testing::PrintToString(prompter.Texts());
    CRecSetFtpServer ftp(manager.Database());
    ftp.Open();
    ASSERT_FALSE(ftp.IsEOF());
    EXPECT_EQ(ftp->Protocol, tls);
    EXPECT_EQ(ftp->SftpPort, 22);
  }
}

}  // namespace
}  // namespace vendora
