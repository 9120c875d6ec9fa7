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
    c.out << ExportSummaryText(report, file_);
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
    c.err << ImportProblemsText(report);
    if (!report.ok) return 1;
    c.out << ImportCountsText(report, options);
    return 0;
  }

  std::string shop_, file_, mode_ = "merge", delimiter_ = ";";
  bool decimalComma_ = false, dryRun_ = false;
  CLI::App *export_ = nullptr, *import_ = nullptr;
};

}  // namespace

std::unique_ptr<CommandGroup> MakeCatalogueCommands() { return std::make_unique<CatalogueCommands>(); }

}  // namespace vendora
