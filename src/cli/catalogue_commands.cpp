// The catalogue as a CSV file: export for a spreadsheet or another shop, import back.
#include <CLI/CLI.hpp>

#include <unistd.h>

#include <algorithm>
#include <ostream>

#include "app/shop_manager.h"
#include "command_group.h"
#include "common/status.h"
#include "common/text_format.h"
#include "common/text_util.h"
#include "csv/catalogue_export.h"
#include "csv/catalogue_import.h"
#include "csv/csv_columns.h"
#include "terminal_log.h"

namespace vendora {

namespace {

std::string ColumnHelp() {
  std::string text =
      "Eine Zeile je Artikel; die Angaben zu Kategorie und Produkt stehen in jeder Zeile des Produkts\n"
      "(oder nur in seiner ersten). Spalten (Kopfzeile, Reihenfolge beliebig; Pflicht: Kategorie,\n"
      "Produkt, Artikelnummer):\n";
  for (const CsvColumnDef& def : CsvColumns()) {
    text += "  " + std::string(def.header);
    text += std::string(30 - std::min<size_t>(29, Utf8Length(def.header)), ' ');
    text += std::string(def.help) + "\n";
  }
  text +=
      "Leere Zellen: leerer Text, kein Bild, kein Attribut, kein Indexeintrag, keine Produktlinie;\n"
      "leere Zahlen, ja/nein-Angaben und Steuerarten lassen den Wert, wie er ist (neu: Vorgabe).\n"
      "Trennzeichen Semikolon oder Komma, Text in UTF-8 (mit oder ohne BOM) oder Windows-1252,\n"
      "Zahlen mit Dezimalpunkt oder -komma; Preise auf den Cent genau. Bilder sind nur Namen im\n"
      "Bilderordner der Datei (\"<Name>-Bilder\" daneben, wie ihn der Export anlegt), ohne \"..\",\n"
      "absolute Pfade oder Verweise nach draußen. Eine Artikelnummer gibt es je Produkt nur einmal.\n"
      "merge: vorhandene Kategorien, Produkte und Artikel (nach Name und Artikelnummer) werden\n"
      "aktualisiert, neue angelegt, nichts gelöscht. replace: der Katalog wird ersetzt.\n"
      "Enthält die Datei einen Fehler, wird nichts geändert.";
  return text;
}

std::string Counts(std::string_view what, const RecordCounts& c, bool replace) {
  std::string line = Format("%s: %d neu, %d geändert, %d unverändert", what, c.added, c.changed, c.unchanged);
  if (replace) line += Format(", %d entfernt", c.removed);
  return line;
}

class CatalogueCommands : public CommandGroup {
 public:
  void Register(CLI::App& app) override {
    export_ = app.add_subcommand("export", "Den Katalog eines Shops als CSV-Datei schreiben");
    export_->add_option("SHOP", shop_, "Pfad der Shop-Datei")->required();
    export_->add_option("FILE", file_, "Die CSV-Datei")->required();
    export_->add_option("--delimiter", delimiter_, "Trennzeichen (; oder ,)")->check(CLI::IsMember({";", ","}));
    export_->add_flag("--decimal-comma", decimalComma_, "Zahlen mit Dezimalkomma schreiben");

    import_ = app.add_subcommand("import", "Den Katalog eines Shops aus einer CSV-Datei einlesen");
    import_->add_option("SHOP", shop_, "Pfad der Shop-Datei")->required();
    import_->add_option("FILE", file_, "Die CSV-Datei")->required();
    import_->add_option("--mode", mode_, "merge (zusammenführen) oder replace (ersetzen)")
        ->check(CLI::IsMember({"merge", "replace"}));
    import_->add_flag("--dry-run", dryRun_, "Nur prüfen und zählen, nichts ändern");
    import_->footer(ColumnHelp());
  }

  std::optional<int> Run(CliContext& c) override {
    if (*export_) return Export(c);
    if (*import_) return Import(c);
    return std::nullopt;
  }

 private:
  int Export(CliContext& c) {
    if (!c.manager.OpenShopDatabase(shop_)) return 1;
    TerminalLog terminal(c.err, isatty(2) != 0);
    CatalogueExportOptions options;
    options.delimiter = delimiter_.front();
    options.decimalComma = decimalComma_;
    const CatalogueExportReport report =
        ExportCatalogue(c.manager.Database(), DeriveShopPaths(c.manager.Database().Path()), file_, options, &terminal);
    terminal.Finish();
    if (!report.status.ok()) return Failed(c, report.status);
    c.out << Format("Der Katalog wurde in \"%s\" geschrieben: %d Kategorien, %d Produkte, %d Artikel.", file_,
                    report.categories, report.products, report.items)
          << "\n";
    if (report.pictures > 0)
      c.out << Format("%d Bilder liegen in \"%s\".", report.pictures, report.pictureFolder.string()) << "\n";
    return 0;
  }

  int Import(CliContext& c) {
    if (!c.manager.OpenShopDatabase(shop_)) return 1;
    TerminalLog terminal(c.err, isatty(2) != 0);
    CatalogueImportOptions options;
    options.mode = mode_ == "replace" ? ImportMode::Replace : ImportMode::Merge;
    options.dryRun = dryRun_;
    const CatalogueImportReport report =
        ImportCatalogue(c.manager.Database(), DeriveShopPaths(c.manager.Database().Path()), file_, options, &terminal);
    terminal.Finish();
    for (const std::string& warning : report.warnings) c.err << "Hinweis: " << warning << "\n";
    for (const ImportProblem& problem : report.errors) c.err << problem.Text() << "\n";
    if (!report.ok) {
      c.err << "Es wurde nichts importiert; der Shop ist unverändert.\n";
      return 1;
    }
    const bool replace = options.mode == ImportMode::Replace;
    c.out << (dryRun_ ? "Probelauf, es wurde nichts geändert. Der Import ergäbe:\n"
                      : "Der Katalog wurde importiert:\n");
    c.out << Counts("Kategorien", report.categories, replace) << "\n"
          << Counts("Produkte", report.products, replace) << "\n"
          << Counts("Artikel", report.items, replace) << "\n"
          << Format("Neu angelegt: %d Produktlinien, %d Attribute, %d Attributwerte, %d Indexeinträge, %d Steuerarten",
                    report.linesAdded, report.kindsAdded, report.valuesAdded, report.indexEntriesAdded,
                    report.taxTypesAdded)
          << "\n";
    return 0;
  }

  std::string shop_, file_, mode_ = "merge", delimiter_ = ";";
  bool decimalComma_ = false, dryRun_ = false;
  CLI::App *export_ = nullptr, *import_ = nullptr;
};

}  // namespace

std::unique_ptr<CommandGroup> MakeCatalogueCommands() { return std::make_unique<CatalogueCommands>(); }

}  // namespace vendora
