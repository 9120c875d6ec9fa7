#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
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
  EXPECT_EQ(Run({"new", "x", "--yes", "--no"}), 2);

  // A file that is no database: the German sentence alone, without SQLite's words.
  const fs::path noise = dir_.path() / "rauschen.mdb";
  test::WriteFileBytes(noise, std::string(8192, '\x5a'));
  EXPECT_EQ(Run({"open", noise.c_str()}), 1);
  EXPECT_EQ(err_.str(), "Die Datei ist keine Shop-Datenbank.\n");

  // Such a file is not added to the list either.
  test::WriteFileBytes(dir_.path() / "notizen.txt", "Einkaufsliste");
  EXPECT_EQ(Run({"add", (dir_.path() / "notizen.txt").c_str()}), 1);
  EXPECT_EQ(Run({"shops"}), 0);
  EXPECT_EQ(out_.str().find("notizen"), std::string::npos) << out_.str();
}

// Help and parse errors speak German and point to the help of the command concerned;
// a command line that cannot be understood ends with 2.
TEST_F(CliTest, CommandLineIsGerman) {
  EXPECT_EQ(Run({"--help"}), 0);
  const std::string help = out_.str();
  EXPECT_EQ(help.rfind("Vendora - Shops anlegen, öffnen und verwalten\nAufruf: vendora-cli [OPTIONEN] BEFEHL\n", 0), 0u)
      << help;
  for (const char* part : {"\nOptionen:\n", "  -h,--help ", "Diese Hilfe zeigen", "\nBefehle:\n", "  demo "})
    EXPECT_NE(help.find(part), std::string::npos) << part;
  EXPECT_EQ(Run({"import", "--help"}), 0);
  const std::string import = out_.str();
  EXPECT_EQ(import.rfind("Den Katalog eines Shops aus einer CSV-Datei einlesen\nAufruf: vendora-cli import [OPTIONEN] SHOP FILE\n\nArgumente:\n", 0), 0u)
      << import;
  EXPECT_NE(import.find("\nOptionen:\n  -h,--help"), std::string::npos) << import;
  for (const std::string& text : {help, import})
    for (const char* english : {"Usage", "Options", "Positionals", "Subcommands", "SUBCOMMAND", "REQUIRED", "Print this"})
      EXPECT_EQ(text.find(english), std::string::npos) << english;

  const std::string commands =
      " Die Befehle sind: shops, new, add, remove, open, compact, demo, image, generate, preview, publish, serve, "
      "export, import.\nHilfe: vendora-cli --help\n";
  const struct {
    std::vector<const char*> args;
    std::string error;
  } cases[] = {
      {{"frobnicate"}, "Unbekannter Befehl 'frobnicate'." + commands},
      {{"--yes", "frobnicate"}, "Unbekannter Befehl 'frobnicate'." + commands},
      {{}, "Es fehlt ein Befehl." + commands},
      {{"--frob"}, "Unbekannte Option '--frob'; es fehlt ein Befehl." + commands},
      {{"image", "frob"},
       "Unbekannter Befehl 'frob'. Die Befehle sind: info, convert, thumbnail.\nHilfe: vendora-cli image --help\n"},
      {{"new"}, "Die Angabe NAME fehlt.\nHilfe: vendora-cli new --help\n"},
      {{"new", "a", "b"}, "Eine Angabe zu viel: 'b'.\nHilfe: vendora-cli new --help\n"},
      {{"shops", "--alle"}, "Unbekannte Option: '--alle'.\nHilfe: vendora-cli shops --help\n"},
      {{"demo", "--products"}, "Bei --products fehlt der Wert.\nHilfe: vendora-cli demo --help\n"},
      {{"image", "thumbnail", "a", "b", "--quality", "0"},
       "Der Wert '0' für --quality ist keine Zahl von 1 bis 100.\nHilfe: vendora-cli image thumbnail --help\n"},
      {{"import", "a", "b", "--mode", "alles"},
       "Der Wert 'alles' ist für --mode nicht zulässig; möglich sind: 'merge', 'replace'.\n"
       "Hilfe: vendora-cli import --help\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.args), 2) << c.error;
    EXPECT_EQ(err_.str(), c.error);
    EXPECT_EQ(out_.str(), "");
  }
}

// vendora-cli(1) describes every command and every option the program takes, so the
// manual page cannot fall behind the command line.
TEST_F(CliTest, ManualPageNamesEveryCommandAndOption) {
  std::string page = test::ReadFileBytes(fs::path(VENDORA_TEST_SOURCE_DIR) / ".." / "packaging" / "vendora-cli.1.in");
  for (size_t at = 0; (at = page.find("\\-", at)) != std::string::npos;) page.replace(at, 2, "-");
  // The words listed under a heading of a help text, up to the next blank line.
  auto listed = [](const std::string& help, const std::string& heading) {
    std::vector<std::string> words;
    const size_t start = help.find("\n" + heading + ":\n");
    if (start == std::string::npos) return words;
    std::istringstream lines(help.substr(start + heading.size() + 3));
    for (std::string line; std::getline(lines, line) && !line.empty();)
      if (line.rfind("  ", 0) == 0 && line[2] != ' ') words.push_back(line.substr(2, line.find(' ', 2) - 2));
    return words;
  };
  ASSERT_EQ(Run({"--help"}), 0);
  std::vector<std::string> commands;
  for (const std::string& command : listed(out_.str(), "Befehle")) {
    ASSERT_EQ(Run({command.c_str(), "--help"}), 0) << command;
    const std::vector<std::string> subcommands = listed(out_.str(), "Befehle");
    if (subcommands.empty()) commands.push_back(command);
    for (const std::string& sub : subcommands) commands.push_back(command + " " + sub);
  }
  EXPECT_GE(commands.size(), 16u);
  for (const std::string& command : commands) {
    EXPECT_NE(page.find("\n.B " + command), std::string::npos) << "command missing from the manual page: " << command;
    std::vector<const char*> args;
    std::istringstream words(command);
    std::vector<std::string> parts{std::istream_iterator<std::string>(words), {}};
    for (const std::string& part : parts) args.push_back(part.c_str());
    args.push_back("--help");
    ASSERT_EQ(Run(args), 0) << command;
    for (const std::string& names : listed(out_.str(), "Optionen")) {
      std::istringstream split(names);  // "-f,--force"
      for (std::string name; std::getline(split, name, ',');) {
        if (name == "-h" || name == "--help") continue;
        EXPECT_NE(page.find(name), std::string::npos) << command << " " << name << " is missing from the manual page";
      }
    }
  }
}

// The version the generated shops carry, and the libraries a bug report needs.
TEST_F(CliTest, VersionNamesTheProgramAndItsLibraries) {
  EXPECT_EQ(Run({"--version"}), 0) << err_.str();
  const std::string version = out_.str();
  EXPECT_EQ(version.rfind("Tolm! Vendora 1.50b54 (vendora-cli)\nSQLite 3.", 0), 0u) << version;
  EXPECT_NE(version.find("\nOpenSSL 3."), std::string::npos) << version;
  EXPECT_EQ(err_.str(), "");
  EXPECT_FALSE(fs::exists(dir_.path() / "config")) << "asking for the version changes nothing";
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
  // Like a new shop, it is listed and chosen, so the desktop program opens on it.
  EXPECT_EQ(Run({"shops"}), 0);
  EXPECT_EQ(out_.str(), "* Demoshop\t" + db.string() + "\n");
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

  // Without a folder it goes into the program folder; the list holds each shop once.
  ASSERT_EQ(Run({"demo", "--products", "2"}), 0) << err_.str();
  const fs::path programDemo = dir_.path() / "program" / "Demoshop" / "Demoshop.mdb";
  EXPECT_TRUE(fs::exists(programDemo));
  EXPECT_EQ(Run({"demo", "--products", "2", "--yes"}), 0) << err_.str();
  EXPECT_EQ(Run({"shops"}), 0);
  EXPECT_EQ(out_.str(), "  Demoshop\t" + db.string() + "\n* Demoshop\t" + programDemo.string() + "\n");

  // File-system failures are German sentences naming the path.
  const fs::path file = dir_.path() / "datei";
  test::WriteFileBytes(file, "x");
  for (const fs::path& folder : {file, file / "unter", fs::path("/proc/vendora-demo")}) {
    EXPECT_EQ(Run({"demo", folder.c_str()}), 1);
    EXPECT_EQ(err_.str(), "Der Demo-Shop konnte nicht angelegt werden: Der Ordner '" + folder.string() +
                              "' konnte nicht angelegt werden (" +
                              (folder.string().starts_with("/proc") ? "nicht vorhanden" : "ein Teil des Pfades ist kein Ordner") +
                              ").\n");
  }
}

}  // namespace
}  // namespace vendora
