#include <gtest/gtest.h>

#include <algorithm>

#include "app/program_identity.h"
#include "app/shop_manager.h"
#include "shopdb/changed_flag.h"
#include "shopdb/recordsets.h"
#include "shopdb/schema.h"
#include "shopdb/schema_builder.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::ScriptedPrompter;

constexpr ProgramIdentity kProgram{150, 54, 1031};
const char* const kVersionMismatch =
    "Vendora kann den gewählten Shop leider nicht laden, da Shop und Programmversion unterschiedlich sind.";

// A file as an older program version left it: no Password and Payvane tables, fewer
// fields, FtpServer.ProxyType still a text.
void CreateVersion140File(const fs::path& path) {
  ShopDatabase db;
  db.OpenOrCreate(path);
  const std::vector<std::pair<std::string_view, std::vector<std::string_view>>> dropped = {
      {"Version", {"LangID"}},
      {"WebServer", {"ScriptExt"}},
      {"TextBlocks", {"PolicyJava"}},
      {"Interfaces", {"Quality"}},
      {"FtpServer", {"UseTls", "TlsFingerprint", "Protocol", "SftpPort"}},
      {"Options",
       {"ReqCustID", "ReqCountry", "MinAmount", "Insurance", "InsuranceValue", "InsuranceLimit", "InsuranceReplaces",
        "InsuranceReplacesValue"}}};
  for (TableDef table : ShopTables()) {
    if (table.name == "Password" || table.name == "Payvane") continue;
    for (const auto& drop : dropped)  // no structured binding: clang 14 cannot capture one
      if (table.name == drop.first)
        std::erase_if(table.fields, [&](const FieldDef& f) {
          return std::find(drop.second.begin(), drop.second.end(), f.name) != drop.second.end();
        });
    if (table.name == "FtpServer")
      for (auto& f : table.fields)
        if (f.name == "ProxyType") f = {"ProxyType", FieldType::Text, 32, false, true};
    db.Execute(SqlCreateTable(table, RelationsOfReferringTable(table.name)));
  }
  db.Execute("INSERT INTO \"Version\" (\"Version\") VALUES (140)");
  db.Execute("INSERT INTO \"TaxesByType\" (\"Type\", \"Rate\") VALUES (' ', 0)");
  db.Execute(
      "INSERT INTO \"FtpServer\" (\"HostName\", \"HostPort\", \"ProxyType\", \"Passive\") VALUES ('ftp.alt.de', 21, "
      "'SOCKS', 1)");
  db.Execute(
      "INSERT INTO \"Options\" (\"ReqEmail\", \"ReqPhone\", \"ReqFax\", \"ElectronicSubmit\", \"PrintMail\", "
      "\"PrintFax\", \"MCurrency\", \"DoFactor\", \"Factor\", \"UseDecComma\", \"TaxType\", \"DefTaxTypeID\", "
      "\"OfferDiscounts\", \"OfferGiftWrap\", \"WrapPerItem\", \"OfferGiftMessage\", \"MessageCharge\") VALUES "
      "(1, 1, 0, 1, 0, 0, 'EUR', 0, 1.5, 1, 0, 1, 0, 0, 0, 0, 0)");
}

void SetVersionRow(const fs::path& path, long long version, std::optional<int> language) {
  test::ExecOnFile(path, "UPDATE \"Version\" SET \"Version\" = " + std::to_string(version));
  if (language) test::ExecOnFile(path, "UPDATE \"Version\" SET \"LangID\" = " + std::to_string(*language));
}

TEST(OpeningShops, AnOlderFileIsUpgradedKeepingItsRows) {
  test::TempDir dir;
  const fs::path path = dir / "alt.mdb";
  CreateVersion140File(path);
  ScriptedPrompter prompter;
  ShopManager manager(kProgram, dir.path(), prompter);
  ASSERT_TRUE(manager.OpenShopDatabase(path)) << ::testing::PrintToString(prompter.Texts());
  EXPECT_TRUE(prompter.asked().empty()) << "a file without a language is one for any language";
  ShopDatabase& db = manager.Database();

  EXPECT_EQ(ReadStoredVersion(db), 150);
  EXPECT_TRUE(db.TableExists("Password"));
  EXPECT_TRUE(db.TableExists("Payvane"));
  for (const TableDef& table : ShopTables()) {
    auto cols = ReadColumns(db, table.name);
    for (const FieldDef& f : table.fields)
      EXPECT_TRUE(std::any_of(cols.begin(), cols.end(), [&](const ColumnInfo& c) { return c.name == f.name; }))
          << table.name << "." << f.name;
  }
  auto ftpColumns = ReadColumns(db, "FtpServer");
  auto proxy = std::find_if(ftpColumns.begin(), ftpColumns.end(), [](const ColumnInfo& c) { return c.name == "ProxyType"; });
  ASSERT_NE(proxy, ftpColumns.end());
  EXPECT_EQ(proxy->sqlType, "INTEGER");

  CRecSetFtpServer ftp(db);
  ftp.Open();
  ASSERT_EQ(ftp.GetRecordCount(), 1);
  EXPECT_EQ(ftp->HostName, "ftp.alt.de");
  EXPECT_EQ(ftp->ProxyType, 0) << "the old text values are gone";
  CRecSetOptions options(db);
  options.Open();
  EXPECT_EQ(options->MCurrency, "EUR");
  EXPECT_FLOAT_EQ(options->Factor, 1.5f);
  EXPECT_FALSE(options->Insurance);
  CRecSetLangID lang(db);
  lang.Open();
  EXPECT_EQ(lang->LangID, 1031);
  EXPECT_EQ(TableRowCount(db, "Language"), 159);
}

TEST(OpeningShops, NewerOrUnversionedFilesAreRefusedAndNeverWritten) {
  test::TempDir dir;
  // 4294967446 would read as 150 if it were cut to 32 bits.
  const std::pair<long long, std::string> cases[] = {
      {151, kVersionMismatch},
      {0, kVersionMismatch},
      {4294967446, "Der Wert 4294967446 im Feld \"Version\" der Tabelle \"Version\" liegt außerhalb des Bereichs "
                   "seines Typs."}};
  for (const auto& [version, message] : cases) {
    const fs::path path = dir / ("v" + std::to_string(version) + ".mdb");
    test::CreateShopFile(path);
    SetVersionRow(path, version, 1031);
    const std::string bytes = ReadFileBytes(path);
    ScriptedPrompter prompter;
    ShopManager manager(kProgram, dir.path(), prompter);
    EXPECT_FALSE(manager.OpenShopDatabase(path));
    EXPECT_FALSE(manager.IsShopOpen());
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{message}) << version;
    EXPECT_EQ(ReadFileBytes(path), bytes) << version;
  }
  // No version row at all counts as version 0.
  const fs::path empty = dir / "leer.mdb";
  test::CreateShopFile(empty);
  test::ExecOnFile(empty, "DELETE FROM \"Version\"");
  ScriptedPrompter prompter;
  ShopManager manager(kProgram, dir.path(), prompter);
  EXPECT_FALSE(manager.OpenShopDatabase(empty));
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kVersionMismatch});
}

TEST(OpeningShops, FilesThatAreNoShopDatabaseGetAMessageAndStayUntouched) {
  test::TempDir dir;
  std::string sqliteHeader = "SQLite format 3";
  sqliteHeader.push_back('\0');
  const std::vector<std::pair<std::string, std::string>> files = {
      {"text.mdb", "Dies ist eine Textdatei.\nKeine Datenbank.\n"},
      {"access.mdb", std::string("\x00\x01\x00\x00Standard Jet DB\x00", 20) + std::string(2000, '\x42')},
      {"truncated.mdb", sqliteHeader + std::string(84, '\x10')},
      {"empty.mdb", ""}};
  for (const auto& [name, bytes] : files) {
    const fs::path path = dir / name;
    test::WriteFileBytes(path, bytes);
    ScriptedPrompter prompter;
    ShopManager manager(kProgram, dir.path(), prompter);
    EXPECT_FALSE(manager.OpenShopDatabase(path)) << name;
    ASSERT_EQ(prompter.asked().size(), 1u) << name;
    EXPECT_FALSE(prompter.asked()[0].text.empty());
    EXPECT_EQ(ReadFileBytes(path), bytes) << name;
    EXPECT_FALSE(fs::exists(path.string() + "-journal")) << name;
  }
  // A truncated real shop file.
  const fs::path real = dir / "real.mdb";
  test::CreateShopFile(real);
  fs::resize_file(real, fs::file_size(real) / 2);
  const std::string cut = ReadFileBytes(real);
  ScriptedPrompter prompter;
  ShopManager manager(kProgram, dir.path(), prompter);
  EXPECT_FALSE(manager.OpenShopDatabase(real));
  EXPECT_EQ(ReadFileBytes(real), cut);

  EXPECT_FALSE(manager.OpenShopDatabase(dir / "fehlt.mdb"));
  EXPECT_FALSE(fs::exists(dir / "fehlt.mdb")) << "opening never creates a file";
  EXPECT_EQ(prompter.Texts().back(), "Die Shop-Datei '" + (dir / "fehlt.mdb").string() + "' ist nicht vorhanden.");
}

TEST(OpeningShops, LanguageMarkerOpensSilentlyAndOtherLanguagesAsk) {
  test::TempDir dir;
  ScriptedPrompter prompter;
  ShopManager manager(kProgram, dir.path(), prompter);
  // The marker, and no language at all, open without a question and take the program's.
  for (const char* stored : {"1246576928", "NULL"}) {
    const fs::path any = dir / (std::string("any") + stored + ".mdb");
    test::CreateShopFile(any);
    test::ExecOnFile(any, std::string("UPDATE \"Version\" SET \"Version\" = 150, \"LangID\" = ") + stored);
    ASSERT_TRUE(manager.OpenShopDatabase(any)) << stored;
    EXPECT_TRUE(prompter.asked().empty()) << stored;
    CRecSetLangID lang(manager.Database());
    lang.Open();
    EXPECT_EQ(lang->LangID, 1031) << stored;
    manager.CloseShop();
  }

  const fs::path english = dir / "en.mdb";
  test::CreateShopFile(english);
  SetVersionRow(english, 150, 1033);
  const std::string bytes = ReadFileBytes(english);
  prompter.Queue(Answer::No);
  EXPECT_FALSE(manager.OpenShopDatabase(english));
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].text,
            "Die Sprachangabe des gewählten Shops stimmt \nnicht mit der des Vendora-Programms überein.\n\n   Shop: "
            "Englisch,\n   Vendora: Deutsch. \n\nSoll die Sprache des Shops angepaßt werden?");
  EXPECT_EQ(prompter.asked()[0].defaultAnswer, Answer::No);
  EXPECT_EQ(ReadFileBytes(english), bytes) << "No leaves the file alone";

  prompter.Queue(Answer::Yes);
  ASSERT_TRUE(manager.OpenShopDatabase(english));
  CRecSetLangID lang2(manager.Database());
  lang2.Open();
  EXPECT_EQ(lang2->LangID, 1031);
}

TEST(OpeningShops, OpeningRefreshesTextsRaisesTheFlagAndLocksTheFile) {
  test::TempDir dir;
  const fs::path path = dir / "shop.mdb";
  test::CreateShopFile(path);
  test::ExecOnFile(path, "INSERT INTO \"Language\" (\"ID\", \"Text\") VALUES (30016, 'Kauf!')");
  SetDatabaseChanged(false);
  ScriptedPrompter prompter;
  ShopManager manager(kProgram, dir.path(), prompter);
  ASSERT_TRUE(manager.OpenShopDatabase(path));
  EXPECT_TRUE(IsDatabaseChanged());
  CRecSetLanguage texts(manager.Database());
  texts.Open();
  EXPECT_EQ(texts.GetRecordCount(), 159);
  ASSERT_TRUE(texts.FindFirst(Eq("ID", 30016)));
  EXPECT_EQ(texts->Text, "Jetzt bestellen!");

  // A second program cannot open the same shop meanwhile.
  ScriptedPrompter other;
  ShopManager second(kProgram, dir.path(), other);
  EXPECT_FALSE(second.OpenShopDatabase(path));
  ASSERT_EQ(other.asked().size(), 1u);
  EXPECT_NE(other.asked()[0].text.find("von einem anderen Programm verwendet"), std::string::npos);
  manager.CloseShop();
  EXPECT_TRUE(second.OpenShopDatabase(path));
}

TEST(OpeningShops, WriteProtectedShopAsksBeforeItIsReleased) {
  test::TempDir dir;
  const fs::path path = dir / "shop.mdb";
  test::CreateShopFile(path);
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const std::string bytes = ReadFileBytes(path);
  ScriptedPrompter prompter;
  ShopManager manager(kProgram, dir.path(), prompter);
  prompter.Queue(Answer::No);
  EXPECT_FALSE(manager.OpenShopDatabase(path));
  EXPECT_EQ(prompter.asked()[0].text,
            "Der angegebene Shop ist schreibgeschützt.\nSoll der Schreibschutz zum Bearbeiten entfernt werden?");
  EXPECT_EQ(ReadFileBytes(path), bytes);
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::owner_write, fs::perms::none);

  prompter.Queue(Answer::Yes);
  EXPECT_TRUE(manager.OpenShopDatabase(path));
  EXPECT_NE(fs::status(path).permissions() & fs::perms::owner_write, fs::perms::none);
}

TEST(ProgramIdentityCheck, VersionPartsAreValidated) {
  auto id = MakeProgramIdentity(1, 50, 54, 1031);
  ASSERT_TRUE(id);
  EXPECT_EQ(id->versionNumber, 150);
  EXPECT_FALSE(MakeProgramIdentity(0, 50, 54, 1031));
  EXPECT_FALSE(MakeProgramIdentity(1, 100, 54, 1031));
  EXPECT_FALSE(MakeProgramIdentity(1, 50, 54, 0));
  ASSERT_TRUE(CompiledProgramIdentity());
  EXPECT_EQ(CompiledProgramIdentity()->versionNumber, 150);
  EXPECT_EQ(CompiledProgramIdentity()->build, 54);
  EXPECT_EQ(CompiledProgramIdentity()->languageId, 1031);
  EXPECT_EQ(LanguageName(3082), "Spanisch");
  EXPECT_EQ(LanguageName(0), "Unbekannt");
  EXPECT_EQ(kAnyLanguageMarker, 1246576928);
}

}  // namespace
}  // namespace vendora
