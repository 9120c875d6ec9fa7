#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "cli/cli_fixture.h"
#include "commands.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

class CliTest : public test::CliFixture {};

TEST_F(CliTest, CreatesListsOpensAndRemovesShops) {
  EXPECT_EQ(Run({"new", "Demo"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "Der neue Shop Demo wurde angelegt.\n");
  const fs::path db = dir_.path() / "program" / "Demo" / "Demo.mdb";
  EXPECT_EQ(Run({"shops"}), 0);
  EXPECT_EQ(out_.str(), "* Demo\t" + db.string() + "\n");

  EXPECT_EQ(Run({"open", db.c_str()}), 0) << err_.str();
  EXPECT_NE(out_.str().find("Version 150, Sprache 1031 (Deutsch)"), std::string::npos);
  EXPECT_NE(out_.str().find("\"Lastschrift (Bankeinzug)\" Code DE (ausgeschaltet)"), std::string::npos);
  EXPECT_NE(out_.str().find("[Nicht indizieren]"), std::string::npos);

  // The overwrite question is answered from the flags, or from the terminal.
  EXPECT_EQ(Run({"new", "Demo", "--no"}), 1);
  EXPECT_NE(err_.str().find("ist bereits vorhanden"), std::string::npos);
  EXPECT_EQ(Run({"new", "Demo"}, "j\n", true), 0);
  EXPECT_EQ(Run({"compact", db.c_str()}), 0) << err_.str();

  EXPECT_EQ(Run({"remove", "demo", "--yes"}), 0) << err_.str();
  EXPECT_EQ(Run({"shops"}), 0);
  EXPECT_EQ(out_.str(), "Die Shop-Liste ist leer.\n");
  EXPECT_TRUE(fs::exists(db));
}

TEST_F(CliTest, FailuresGiveTheMessageAndANonZeroExit) {
  EXPECT_EQ(Run({"open", (dir_.path() / "fehlt.mdb").c_str()}), 1);
  EXPECT_EQ(err_.str(), "Die Shop-Datei '" + (dir_.path() / "fehlt.mdb").string() + "' ist nicht vorhanden.\n");
  EXPECT_EQ(Run({"new", "a?b"}), 1);
  EXPECT_NE(err_.str().find("kein gültiger Dateiname"), std::string::npos);
  EXPECT_EQ(Run({"remove", "unbekannt"}), 1);
  EXPECT_EQ(Run({"frobnicate"}), 2);
  EXPECT_EQ(Run({"new", "x", "--yes", "--no"}), 2);
}

TEST_F(CliTest, ShopsAreFilesAndRemovingOneTouchesNoOther) {
  // Names in other letters are other files, and other shops.
  ASSERT_EQ(Run({"new", "Laden"}), 0) << err_.str();
  ASSERT_EQ(Run({"new", "laden"}), 0) << err_.str();
  const fs::path upper = dir_.path() / "program" / "Laden" / "Laden.mdb";
  const fs::path lower = dir_.path() / "program" / "laden" / "laden.mdb";
  EXPECT_EQ(Run({"shops"}), 0);
  EXPECT_EQ(out_.str(), "  Laden\t" + upper.string() + "\n* laden\t" + lower.string() + "\n");

  // Removing the other entry neither opens the remembered shop nor moves "Last".
  const std::string bytes = test::ReadFileBytes(lower);
  EXPECT_EQ(Run({"remove", "Laden", "--yes"}), 0) << err_.str();
  EXPECT_EQ(test::ReadFileBytes(lower), bytes);
  EXPECT_EQ(Run({"shops"}), 0);
  EXPECT_EQ(out_.str(), "* laden\t" + lower.string() + "\n");
  EXPECT_EQ(Run({"add", (dir_.path() / "program" / "laden" / ".." / "laden" / "laden.mdb").c_str()}), 0);
  EXPECT_EQ(Run({"shops"}), 0);
  EXPECT_EQ(out_.str(), "* laden\t" + lower.string() + "\n") << "the same file is listed once";

  // A name that would lead out of the program folder is refused.
  EXPECT_EQ(Run({"new", ".."}), 1);
  EXPECT_NE(err_.str().find("kein gültiger Dateiname"), std::string::npos) << err_.str();
  EXPECT_FALSE(fs::exists(dir_.path() / "..mdb"));
}

TEST_F(CliTest, OpeningAShopWithoutATableIsADatabaseError) {
  ASSERT_EQ(Run({"new", "Demo"}), 0) << err_.str();
  const fs::path db = dir_.path() / "program" / "Demo" / "Demo.mdb";
  test::ExecOnFile(db, "DROP TABLE \"Shipping\"");
  EXPECT_EQ(Run({"open", db.c_str()}), 1);
  EXPECT_NE(err_.str().find("Die Tabelle \"Shipping\" fehlt in der Shop-Datenbank."), std::string::npos) << err_.str();
  EXPECT_EQ(out_.str().find("-1 Zeile(n)"), std::string::npos) << out_.str();
}

TEST_F(CliTest, ImageCommandsDescribeConvertAndShrinkPictures) {
  const fs::path gif = fs::path(VENDORA_FIXTURES) / "gif" / "transparent.gif";
  ASSERT_TRUE(fs::exists(gif));
  EXPECT_EQ(Run({"image", "info", gif.c_str()}), 0) << err_.str();
  EXPECT_NE(out_.str().find("Format: gif\n"), std::string::npos) << out_.str();
  EXPECT_NE(out_.str().find("Farbtyp: 3 (Palette)\nPalette: 256 Einträge\nTransparenter Index: 6\n"), std::string::npos)
      << out_.str();

  const fs::path png = dir_.path() / "bild.png", thumb = dir_.path() / "klein.jpg";
  EXPECT_EQ(Run({"image", "convert", gif.c_str(), png.c_str()}), 0) << err_.str();
  EXPECT_EQ(Run({"image", "thumbnail", png.c_str(), thumb.c_str(), "--quality", "50"}), 0) << err_.str();
  EXPECT_EQ(Run({"image", "info", thumb.c_str()}), 0);
  EXPECT_NE(out_.str().find("Format: jpeg\n"), std::string::npos);
  // A thumbnail is written in the format its name asks for, or not at all.
  const struct {
    const char* name;
    std::string signature;  // empty: refused
  } thumbnails[] = {{"k.png", "\x89PNG"}, {"k.bmp", "BM"}, {"k.JPEG", "\xFF\xD8"}, {"k.gif", ""}, {"k.txt", ""}};
  for (const auto& t : thumbnails) {
    const fs::path target = dir_.path() / t.name;
    EXPECT_EQ(Run({"image", "thumbnail", png.c_str(), target.c_str()}), t.signature.empty() ? 1 : 0) << t.name;
    if (t.signature.empty()) {
      EXPECT_EQ(err_.str(), "Ein Miniaturbild kann nur als .jpg, .jpeg, .png oder .bmp geschrieben werden, nicht als '" +
                                target.string() + "'.\n");
      EXPECT_FALSE(fs::exists(target));
    } else {
      EXPECT_EQ(test::ReadFileBytes(target).substr(0, t.signature.size()), t.signature) << t.name;
    }
  }
  // A GIF cut short still shows what it holds.
  const fs::path cut = dir_.path() / "cut.gif";
  test::WriteFileBytes(cut, test::ReadFileBytes(fs::path(VENDORA_FIXTURES) / "gif" / "photo_16.gif").substr(0, 403));
  EXPECT_EQ(Run({"image", "info", cut.c_str()}), 0) << err_.str();
  EXPECT_NE(out_.str().find("Breite: 40\nHöhe: 30\n"), std::string::npos) << out_.str();

  EXPECT_EQ(Run({"image", "info", (dir_.path() / "fehlt.gif").c_str()}), 1);
  EXPECT_EQ(err_.str(), "Das Bild '" + (dir_.path() / "fehlt.gif").string() + "' konnte nicht gelesen werden.\n");
  EXPECT_EQ(Run({"image", "convert", gif.c_str(), (dir_.path() / "x.lwf").c_str()}), 1);
  EXPECT_EQ(Run({"image", "thumbnail", png.c_str(), thumb.c_str(), "--quality", "0"}), 2);
}

// The main job end to end: a demo shop is made and generated (opening a shop counts as
// a change, so every generate command runs).
TEST_F(CliTest, DemoShopIsCreatedAndGenerated) {
  const fs::path folder = dir_.path() / "demo";
  ASSERT_EQ(Run({"demo", folder.c_str(), "--products", "12"}), 0) << err_.str();
  const fs::path db = folder / "Demoshop.mdb";
  EXPECT_EQ(out_.str(), "Der Demo-Shop wurde angelegt: " + db.string() + "\n");
  ASSERT_EQ(Run({"generate", db.c_str()}), 0) << err_.str();
  EXPECT_NE(err_.str().find("Ihr Shop ist jetzt zur Veröffentlichung bereit."), std::string::npos) << err_.str();
  for (const char* name : {"category.toc", "category.idx", "product.toc", "product.idx", "items.toc", "lines.toc",
                           "line.idx", "index.toc", "index.idx", "color.cnf", "config.cnf", "language.cnf"})
    EXPECT_GT(fs::file_size(folder / "data" / name), 0u) << name;
  const std::string products = test::ReadFileBytes(folder / "data" / "product.toc");
  EXPECT_EQ(Run({"generate", db.c_str(), "--force"}), 0) << err_.str();
  EXPECT_EQ(test::ReadFileBytes(folder / "data" / "product.toc"), products) << "sizes from the cache are the same";

  // Over an existing demo shop only when confirmed.
  EXPECT_EQ(Run({"demo", folder.c_str(), "--no"}), 1);
  EXPECT_TRUE(fs::exists(folder / "data" / "product.toc"));
  test::WriteFileBytes(dir_.path() / "datei", "x");
  EXPECT_EQ(Run({"demo", (dir_.path() / "datei").c_str()}), 1);
  EXPECT_EQ(err_.str().rfind("Der Demo-Shop konnte nicht angelegt werden: ", 0), 0u) << err_.str();
}

}  // namespace
}  // namespace vendora
