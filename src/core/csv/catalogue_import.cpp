#include "csv/catalogue_import.h"

#include <algorithm>

#include "common/text_format.h"
#include "csv/importer.h"
#include "shopdb/db_error.h"

namespace vendora {

namespace catalogue_import {

void Importer::Fail(int line, std::optional<C> column, std::string reason) {
  report_.ok = false;
  if (errorCount_++ >= kMaxReportedErrors) return;
  report_.errors.push_back({line, column ? std::string(ColumnDef(*column).header) : std::string(), std::move(reason)});
}
CatalogueImportReport Importer::Run() {
  report_.ok = true;
  Result<std::string> text = [&] {
    Result<std::string> bytes = ReadCsvFile(file_);
    return bytes.ok() ? DecodeCsvBytes(*bytes, report_.encoding) : bytes;
  }();
  if (!text.ok()) {
    Fail(0, std::nullopt, text.message());
    return report_;
  }
  report_.delimiter = DetectDelimiter(*text);

  const bool wasChanged = IsDatabaseChanged();
  bool committed = false;
  try {
    TransactionScope transaction(db_);
    std::optional<CsvParseFailure> failure = ParseCsv(
        *text, report_.delimiter, [&](const CsvRecord& r) { OnRecord(r); },
        [&](size_t done, size_t total) {
          const int percent = static_cast<int>(done * 100 / std::max<size_t>(total, 1));
          if (progress_ && percent != lastPercent_) progress_->SetProgress(0, 100, lastPercent_ = percent);
        });
    if (failure) Fail(failure->line, std::nullopt, failure->reason);
    if (!headerRead_ && report_.ok) Fail(0, std::nullopt, "Die Datei enthält keine Kopfzeile.");
    if (report_.ok && !options_.dryRun && StagePictures()) {
      transaction.Commit();
      committed = true;
    }
  } catch (const DbError& e) {
    Fail(0, std::nullopt, "Die Datenbank meldet einen Fehler: " + e.description());
  }
  if (errorCount_ > kMaxReportedErrors)
    report_.errors.push_back({0, {}, Format("... und %d weitere Fehler.", static_cast<int>(errorCount_ - kMaxReportedErrors))});
  if (!committed) {
    DropStaged();
    SetDatabaseChanged(wasChanged);
    return report_;
  }
  PlacePictures();
  const RecordCounts* counts[] = {&report_.categories, &report_.products, &report_.items};
  bool changed = !pictureOps_.empty() || report_.linesAdded || report_.kindsAdded || report_.valuesAdded ||
                 report_.indexEntriesAdded || report_.taxTypesAdded;
  for (const RecordCounts* c : counts) changed = changed || c->added || c->changed || c->removed;
  report_.changed = changed;
  SetDatabaseChanged(wasChanged || changed);
  return report_;
}
void Importer::OnRecord(const CsvRecord& record) {
  if (headerFailed_) return;
  const bool blank = std::all_of(record.fields.begin(), record.fields.end(),
                                 [](const std::string& f) { return Trim(f).empty(); });
  if (blank) return;
  if (!headerRead_) {
    headerRead_ = true;
    if (!Header(record)) {
      headerFailed_ = true;
      return;
    }
    Prepare();
    return;
  }
  if (record.fields.size() < headerSize_ ||
      std::any_of(record.fields.begin() + static_cast<std::ptrdiff_t>(std::min(headerSize_, record.fields.size())),
                  record.fields.end(), [](const std::string& f) { return !Trim(f).empty(); })) {
    Fail(record.line, std::nullopt,
         Format("Die Zeile hat %d Felder, die Kopfzeile %d.", static_cast<int>(record.fields.size()),
                static_cast<int>(headerSize_)));
    return;
  }
  const bool newNumber = NewItemNumber(record);
  if (!CheckCells(record) || !newNumber) return;
  RecordState* category = CategoryFor(record);
  if (!category || Empty(record, C::ProductName)) return;
  ProductState* product = ProductFor(record, *category);
  if (!product || Empty(record, C::ItemNumber)) return;
  ItemFor(record, *product);
}
bool Importer::Header(const CsvRecord& record) {
  headerSize_ = record.fields.size();
  bool ok = true;
  for (size_t i = 0; i < record.fields.size(); ++i) {
    const std::string_view name = Trim(record.fields[i]);
    if (name.empty()) continue;
    std::optional<C> column = ColumnForHeader(name);
    if (!column) {
      Warn(Format("Die Spalte „%s“ ist unbekannt und wird übergangen.", std::string(name)));
      continue;
    }
    int& index = columns_[static_cast<size_t>(*column)];
    if (index >= 0) {
      Fail(record.line, std::nullopt, Format("Die Spalte „%s“ kommt in der Kopfzeile mehrfach vor.", std::string(name)));
      ok = false;
    }
    index = static_cast<int>(i);
  }
  for (C required : kRequiredColumns) {
    if (Has(required)) continue;
    Fail(record.line, std::nullopt,
         Format("Die Kopfzeile hat keine Spalte „%s“; sie muss es geben.", std::string(ColumnDef(required).header)));
    ok = false;
  }
  if (Has(C::TaxRate) && !Has(C::TaxType)) Warn("Die Spalte „Steuersatz“ wird ohne die Spalte „Steuerart“ übergangen.");
  return ok;
}

}  // namespace catalogue_import

namespace fs = std::filesystem;

std::string ImportProblem::Text() const {
  if (line > 0 && !column.empty()) return Format("Zeile %d, Spalte „%s“: %s", line, column, reason);
  if (line > 0) return Format("Zeile %d: %s", line, reason);
  return reason;
}

namespace {

std::string Counts(std::string_view what, const RecordCounts& c, bool replace) {
  std::string line = Format("%s: %d neu, %d geändert, %d unverändert", what, c.added, c.changed, c.unchanged);
  if (replace) line += Format(", %d entfernt", c.removed);
  return line + "\n";
}

}  // namespace

std::string ImportProblemsText(const CatalogueImportReport& report) {
  std::string text;
  for (const std::string& warning : report.warnings) text += "Hinweis: " + warning + "\n";
  for (const ImportProblem& problem : report.errors) text += problem.Text() + "\n";
  if (!report.ok) text += "Es wurde nichts importiert; der Shop ist unverändert.\n";
  return text;
}

std::string ImportCountsText(const CatalogueImportReport& report, const CatalogueImportOptions& options) {
  const bool replace = options.mode == ImportMode::Replace;
  std::string text = options.dryRun ? "Probelauf, es wurde nichts geändert. Der Import ergäbe:\n"
                                    : "Der Katalog wurde importiert:\n";
  text += Counts("Kategorien", report.categories, replace) + Counts("Produkte", report.products, replace) +
          Counts("Artikel", report.items, replace);
  text += Format("Neu angelegt: %d Produktlinien, %d Attribute, %d Attributwerte, %d Indexeinträge, %d Steuerarten",
                 report.linesAdded, report.kindsAdded, report.valuesAdded, report.indexEntriesAdded,
                 report.taxTypesAdded) +
          "\n";
  return text;
}

CatalogueImportReport ImportCatalogue(ShopDatabase& db, const ShopPaths& paths, const fs::path& file,
                                      const CatalogueImportOptions& options, ProgressSink* progress) {
  return catalogue_import::Importer(db, paths, file, options, progress).Run();
}

}  // namespace vendora
