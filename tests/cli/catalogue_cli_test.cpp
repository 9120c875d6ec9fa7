// vendora-cli export and import: what they print, their exit codes, and that a file
// the import refuses leaves the shop as it was.
#include <gtest/gtest.h>

#include "cli/cli_fixture.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;

class CatalogueCliTest : public test::CliFixture {
 protected:
  // A demo shop of four products: six categories, four products of three items each.
  fs::path Demo(const std::string& name) {
    const fs::path folder = dir_.path() / name;
    EXPECT_EQ(Run({"demo", folder.c_str(), "--products", "4"}), 0) << err_.str();
    return folder / "Demoshop.mdb";
  }
  std::string Export(const fs::path& db, const fs::path& file) {
    EXPECT_EQ(Run({"export", db.c_str(), file.c_str()}), 0) << err_.str();
    return test::ReadFileBytes(file);
  }
};

TEST_F(CatalogueCliTest, ExportThenImportCountsAndRoundTrips) {
  const fs::path db = Demo("demo");
  const fs::path csv = dir_.path() / "katalog.csv";
  ASSERT_EQ(Run({"export", db.c_str(), csv.c_str()}), 0) << err_.str();
  const fs::path pictures = dir_.path() / "katalog-Bilder";
  EXPECT_EQ(out_.str(), "Der Katalog wurde in \"" + csv.string() + "\" geschrieben: 6 Kategorien, 4 Produkte, 12 Artikel.\n" +
                            "16 Bilder liegen in \"" + pictures.string() + "\".\n");
  const std::string bytes = test::ReadFileBytes(csv);
  EXPECT_EQ(bytes.rfind("\xEF\xBB\xBFKategorie;", 0), 0u) << bytes.substr(0, 40);

  // The same file into the same shop changes nothing, and says so.
  EXPECT_EQ(Run({"import", db.c_str(), csv.c_str(), "--dry-run"}), 0) << err_.str();
  EXPECT_EQ(out_.str(),
            "Probelauf, es wurde nichts geändert. Der Import ergäbe:\n"
            "Kategorien: 0 neu, 0 geändert, 6 unverändert\n"
            "Produkte: 0 neu, 0 geändert, 4 unverändert\n"
            "Artikel: 0 neu, 0 geändert, 12 unverändert\n"
            "Neu angelegt: 0 Produktlinien, 0 Attribute, 0 Attributwerte, 0 Indexeinträge, 0 Steuerarten\n");

  // Into a fresh shop it replaces the catalogue there, and exports to the same bytes.
  ASSERT_EQ(Run({"new", "Leer"}), 0) << err_.str();
  const fs::path empty = dir_.path() / "program" / "Leer" / "Leer.mdb";
  EXPECT_EQ(Run({"import", empty.c_str(), csv.c_str(), "--mode", "replace"}), 0) << err_.str();
  const std::string report = out_.str();
  EXPECT_EQ(report.rfind("Der Katalog wurde importiert:\n"
                         "Kategorien: 6 neu, 0 geändert, 0 unverändert, 0 entfernt\n"
                         "Produkte: 4 neu, 0 geändert, 0 unverändert, 0 entfernt\n"
                         "Artikel: 12 neu, 0 geändert, 0 unverändert, 0 entfernt\n"
                         "Neu angelegt: ",
                         0),
            0u)
      << report;
  EXPECT_EQ(Export(empty, dir_.path() / "zurueck.csv"), bytes);

  // A comma and decimal commas on request; the import finds the delimiter itself.
  ASSERT_EQ(Run({"export", db.c_str(), (dir_.path() / "komma.csv").c_str(), "--delimiter", ",", "--decimal-comma"}), 0);
  const std::string comma = test::ReadFileBytes(dir_.path() / "komma.csv");
  EXPECT_EQ(comma.rfind("\xEF\xBB\xBFKategorie,", 0), 0u);
  EXPECT_NE(comma.find(",\""), std::string::npos) << "decimal commas are quoted between commas";
  EXPECT_EQ(Run({"import", db.c_str(), (dir_.path() / "komma.csv").c_str(), "--dry-run"}), 0) << err_.str();
  EXPECT_NE(out_.str().find("Artikel: 0 neu, 0 geändert, 12 unverändert\n"), std::string::npos) << out_.str();
}

// A refused file: every problem on stderr, the closing sentence, exit 1, and the
// catalogue as it was.
TEST_F(CatalogueCliTest, ARefusedImportSaysWhyAndChangesNothing) {
  const fs::path db = Demo("demo");
  const std::string before = Export(db, dir_.path() / "vorher.csv");
  const struct {
    const char* name;
    std::string content;  // empty: no file at all
    std::string errors;
  } cases[] = {
      {"fehlt.csv", "", "Die Datei \"" + (dir_.path() / "fehlt.csv").string() + "\" ist nicht vorhanden.\n"},
      {"leer.csv", " ", "Die Datei ist leer.\n"},
      {"kopf.csv", ";;\n\n", "Die Datei enthält keine Kopfzeile.\n"},
      {"spalten.csv", "Kategorie;Produkt;Farbe\nWerkzeug;Spaten;rot\n",
       "Hinweis: Die Spalte „Farbe“ ist unbekannt und wird übergangen.\n"
       "Zeile 1: Die Kopfzeile hat keine Spalte „Artikelnummer“; sie muss es geben.\n"},
      {"felder.csv", "Kategorie;Produkt;Artikelnummer\nWerkzeug;Spaten;S-1;rot\nPflanzen;Rose;R-1\n",
       "Zeile 2: Die Zeile hat 4 Felder, die Kopfzeile 3.\n"},
  };
  for (const auto& c : cases) {
    const fs::path file = dir_.path() / c.name;
    if (!c.content.empty()) test::WriteFileBytes(file, c.content);
    for (const char* mode : {"merge", "replace"}) {
      EXPECT_EQ(Run({"import", db.c_str(), file.c_str(), "--mode", mode}), 1) << c.name;
      EXPECT_EQ(err_.str(), c.errors + "Es wurde nichts importiert; der Shop ist unverändert.\n") << c.name;
      EXPECT_EQ(out_.str(), "") << c.name;
    }
  }
  EXPECT_EQ(Export(db, dir_.path() / "nachher.csv"), before);
}

TEST_F(CatalogueCliTest, ExportFailuresAndBadOptions) {
  const fs::path db = Demo("demo");
  const fs::path nowhere = dir_.path() / "fehlt" / "katalog.csv";
  EXPECT_EQ(Run({"export", db.c_str(), nowhere.c_str()}), 1);
  EXPECT_EQ(err_.str(), "Der Ordner \"" + nowhere.parent_path().string() + "\" ist nicht vorhanden.\n");
  EXPECT_EQ(out_.str(), "");

  // A folder standing where the file must go: the file's own sentence.
  const fs::path folder = dir_.path() / "ordner.csv";
  fs::create_directories(folder / "x");
  EXPECT_EQ(Run({"export", db.c_str(), folder.c_str()}), 1);
  EXPECT_EQ(err_.str().substr(err_.str().rfind("Die Datei")),
            "Die Datei \"" + folder.string() + "\" konnte nicht geschrieben werden.\n");

  const struct {
    std::vector<const char*> args;
    std::string error;
  } refused[] = {
      {{"export", db.c_str(), "x.csv", "--delimiter", "|"},
       "Der Wert '|' ist für --delimiter nicht zulässig.\nHilfe: vendora-cli export --help\n"},
      {{"export", db.c_str()}, "Die Angabe FILE fehlt.\nHilfe: vendora-cli export --help\n"},
      {{"import", db.c_str(), "x.csv", "--dry-run", "ja"},
       "Eine Angabe zu viel: 'ja'.\nHilfe: vendora-cli import --help\n"},
  };
  for (const auto& r : refused) {
    EXPECT_EQ(Run(r.args), 2) << r.error;
    EXPECT_EQ(err_.str(), r.error);
  }
}

}  // namespace
}  // namespace vendora
