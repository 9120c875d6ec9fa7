#include "generator/scripts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "common/clock.h"
#include "generator/embedded_files.h"
#include "generator/generation.h"
#include "generator/language_file.h"
#include "shopdb/changed_flag.h"
#include "shopdb/default_rows.h"
#include "shopdb/store_texts.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

TEST(Scripts, VersionsAreReadFromTheCarriedTexts) {
  EXPECT_EQ(ScriptVersionInfo(), "1.50b54/c:1.12/o:1.12/p:1.10/s:1.30/wc:1.23/pv:2.00/cp:1.00");
  const std::vector<std::pair<std::string, double>> texts = {
      {"# x.pm, Version 1.3\n# Version 9.9", 1.03}, {"# no version here", 0}, {"# Version x.y", 0}, {"Version 2", 0}};
  for (const auto& [text, version] : texts) EXPECT_DOUBLE_EQ(ScriptVersion(text), version) << text;
  // The interpreter and require lines are the program's: a body with its own "#!"
  // line would put it after them.
  for (const EmbeddedFile& file : StorefrontFiles()) {
    if (file.name.ends_with(".pl")) {
      EXPECT_FALSE(file.bytes.starts_with("#!")) << file.name;
    }
  }
}

class ScriptFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.cgiFolder = dir_.path();
    settings_.interpreterLine = "#!/usr/bin/perl -w\n";
    settings_.storePath = "/srv/o'shop/";
  }
  std::string Written(int index) {
    EXPECT_TRUE(WriteScriptFile(settings_, index, &log_)) << index;
    return test::ReadFileBytes(dir_ / ScriptFileName(index, settings_.scriptExtension));
  }

  test::TempDir dir_;
  ScriptSettings settings_;
  GenerationLog log_;
  MemoryLogSink sink_;
};

TEST_F(ScriptFilesTest, PublishingWritesEachScriptWithItsHeaderOrAsCarried) {
  settings_.scriptExtension = ".pl";
  EXPECT_EQ(ScriptFileName(0, ".pl"), "catalog.pl");
  EXPECT_EQ(ScriptFileName(1, ".cgi"), "order.cgi");
  const std::string catalog = Written(0);
  EXPECT_EQ(catalog.rfind("#!/usr/bin/perl -w\n#\nrequire '/srv/o\\'shop/data/config.cnf';\n\n# Vendora catalogue script\n# Version 1.12\n", 0), 0u)
      << catalog;
  EXPECT_EQ(Written(1).find("#\nrequire '/srv/o\\'shop/data/config.cnf';\n\n# Vendora order script\n# Version 1.12\n"), 19u);
  for (int index : {2, 3, 4, 6}) {
    const std::string body = Written(index);
    EXPECT_EQ(body.rfind("# Vendora shop module ", 0), 0u) << body;
    EXPECT_TRUE(body.ends_with("1;\n")) << body;
  }

  const std::string head =
      "# olpcnf.pm - connection data of the Tolm! Payvane card payment service, Version 1.00\n"
      "package\tolpcnf;\n\n"
      "$OLP_CardType{'euro'} = q{Eurocard / Mastercard};\n"
      "$OLP_CardType{'visa'} = q{Visa};\n"
      "$OLP_CardType{'amex'} = q{American Express};\n"
      "$OLP_CardType{'diner'} = q{Diners Club};\n";
  EXPECT_EQ(Written(5), head + "1;");
  settings_.payvaneInUse = true;
  settings_.payvane = {.server = "gw.pay}vane.example\"; die; q{", .keyE = "010001", .keyN = "C0FFEE",
                       .sealKey = std::string(64, 'a'), .port = 1713, .timeOut = 40, .userNumber = 4711};
  EXPECT_EQ(Written(5), head +
                            "$OLP_Data{'key_e'} = q{010001};\n"
                            "$OLP_Data{'key_n'} = q{C0FFEE};\n"
                            "$OLP_Data{'user'} = 4711;\n"
                            "$OLP_Data{'server'} = q{gw.pay\\}vane.example\"; die; q\\{};\n"
                            "$OLP_Data{'port'} = 1713;\n"
                            "$OLP_Data{'time'} = 40;\n"
                            "$SealKey = q{" + std::string(64, 'a') + "};\n"
                            "1;");
  // Loaded as the order script loads it: every value reads back, nothing runs.
  const std::string load = "perl -e 'require \"" + (dir_ / "olpcnf.pm").string() +
                           "\"; print $olpcnf::OLP_Data{server}, \"|\", length $olpcnf::SealKey' > " +
                           (dir_ / "olp.txt").string();
  ASSERT_EQ(std::system(load.c_str()), 0);
  EXPECT_EQ(test::ReadFileBytes(dir_ / "olp.txt"), "gw.pay}vane.example\"; die; q{|64");

  for (int index = 0; index < kScriptCount; ++index) {
    const std::string check = "perl -c '" + (dir_ / ScriptFileName(index, ".pl")).string() + "' 2>/dev/null";
    EXPECT_EQ(std::system(check.c_str()), 0) << ScriptFileName(index, ".pl");
  }

  // A folder in the file's place: reported like any generated file.
  fs::remove(dir_ / "sales.pm");
  fs::create_directories(dir_ / "sales.pm" / "x");
  log_.AddSink(&sink_);
  EXPECT_FALSE(WriteScriptFile(settings_, 4, &log_));
  EXPECT_EQ(sink_.lines.at(0), "Die Datei \"sales.pm\" konnte nicht erstellt werden.");
  EXPECT_FALSE(WriteScriptFile(settings_, 7));
}

TEST(Scripts, GenerationLeavesEmptyPlaceholdersAndTheVersionInTheLanguageFile) {
  test::TempDir dir;
  test::CreateShopFile(dir / "shop.mdb");
  ShopDatabase db;
  db.Open(dir / "shop.mdb");
  RefreshStoreTexts(db);
  db.Execute("DELETE FROM Language WHERE ID = 30001");
  const ShopPaths paths = DeriveShopPaths(dir / "shop.mdb");
  fs::create_directories(dir / "cgi");
  test::WriteFileBytes(dir / "cgi" / "catalog.pl", "from an earlier run");
  GenerationLog log;
  test::ScriptedPrompter prompter;
  FixedClock clock{0};
  ShopGenerator generator(db, paths, log, prompter, clock);
  generator.Chain() = {{"snapshot", OpenSnapshotStep},
                       {"folders", CreateFoldersStep},
                       {"scripts", WriteScriptPlaceholdersStep},
                       {"language", WriteLanguageFileStep}};
  SetDatabaseChanged(true);
  ASSERT_TRUE(generator.Run());

  EXPECT_FALSE(fs::exists(dir / "cgi" / "catalog.pl")) << "the other extension's script is removed";
  for (const char* name : {"catalog.cgi", "order.cgi", "webcode.pm", "product.pm", "sales.pm", "olpcnf.pm"})
    EXPECT_EQ(fs::file_size(dir / "cgi" / name), 0u) << name;
  EXPECT_EQ(fs::file_size(dir / "data" / "Payvane.pm"), 0u);

  const std::string language = test::ReadFileBytes(dir / "data" / "language.cnf");
  EXPECT_EQ(language.rfind("$pszOlpHexMsg = q{Nachricht f\xFCr den V-Ozuzare Vid};\n"
                           "$pszCardPin = q{Pr\xFC" "fsumme};\n",
                           0),
            0u);
  EXPECT_NE(language.find("$pszMail_Order = \"Bestellung:\\n===========\\nAlle Preise in \";\n"), std::string::npos);
  EXPECT_NE(language.find("$pszSoldMin = \"Ihre Gesamtsumme liegt noch unter dem Mindestbestellwert von %s "
                          "%0.2f.\";\n"),
            std::string::npos);
  EXPECT_EQ(language.find("pszTaxeRate"), std::string::npos) << "a missing text has no line";
  EXPECT_EQ(language.find("Online per Internet"), std::string::npos) << "order channels belong to config.cnf";
  EXPECT_TRUE(language.ends_with(
      "$pszLineInfo = q{Dieses Produkt finden Sie ebenfalls in folgenden Linien:};\n"
      "$pszGiftWarpItem = q{pro Artikel.};\n"
      "$pszFootCopyRight = q{Created with <b>Tolm! Vendora</b> &copy; 1999-2025 "
      "<a href=\"http://www.vendora.example/\" target=\"_blank\"><b>Tolm!</b></a>};\n"
      "$pszMetaCopyRight = q{Tolm! Vendora, Copyright (C) 1999-2025 Tolm!};\n"
      "$pszMetaVersionInfo = q{1.50b54/c:1.12/o:1.12/p:1.10/s:1.30/wc:1.23/pv:2.00/cp:1.00};\n"
      "\n1;\n"))
      << language.substr(language.size() - 400);
  EXPECT_EQ(std::count(language.begin(), language.end(), '\n'), 155 + 3 + 2);
}

}  // namespace
}  // namespace vendora
