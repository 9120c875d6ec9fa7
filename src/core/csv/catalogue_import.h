#pragma once
// Importing the catalogue from a CSV file (see csv_columns.h for the columns).
//
// Merge (the default) matches rows to existing categories by name, products by name
// within their category and items by number within their product, updates what
// differs, adds what is new and deletes nothing. An item number names one item of its
// product: a number given twice for a product in the file, or one that several of the
// product's items share in the shop already, is a row error. Replace first removes the
// whole catalogue (categories, products, items, lines, attribute kinds and values,
// index entries, with the pictures of the removed records); tax types and the settings
// stay. Either way new rows are
// added as the catalogue page adds them, and attribute kinds and values, index
// entries, product lines and tax types are created by name when missing (a tax type
// only when the file has the "Steuersatz" column to give its rate).
//
// A category's or product's columns are taken from its first row; its later rows may
// leave them empty or must repeat them. A column the file lacks leaves the field as it
// is (new rows: the page's default). An empty cell means: an empty text, no picture,
// no attribute / index entry / product line; an empty number, flag, order or tax type
// states nothing. Amounts (prices, shipping costs) state whole cents that the Single
// they are kept in gives back exactly; anything else is a row error, not rounded.
//
// Pictures are named relative to the file's picture folder (PictureFolderOf) and are
// taken only from inside it: an absolute path, "..", a picture folder that is itself a
// symbolic link, or a link that leads out of the folder is a row error.
//
// All or nothing: everything happens in one transaction, and pictures are copied in
// beside their targets first and put in place only after the commit. A file with any
// invalid row changes nothing; the report lists every invalid cell with its line.
#include <filesystem>
#include <string>
#include <vector>

#include "app/shop_paths.h"
#include "csv/csv_reader.h"

namespace vendora {

class ProgressSink;
class ShopDatabase;

enum class ImportMode { Merge, Replace };

struct CatalogueImportOptions {
  ImportMode mode = ImportMode::Merge;
  bool dryRun = false;  // everything is checked and counted, nothing is kept
};

struct ImportProblem {
  int line = 0;         // 0: the file as a whole
  std::string column;   // the column's header, empty for the whole row or file
  std::string reason;   // German
  // "Zeile 12, Spalte „Preis“: ..." / "Zeile 12: ..." / the reason alone.
  std::string Text() const;
};

struct RecordCounts {
  int added = 0, changed = 0, unchanged = 0, removed = 0;
};

struct CatalogueImportReport {
  bool ok = false;       // the file was valid (and, unless a dry run, is imported)
  bool changed = false;  // the database was changed (never for a dry run)
  CsvEncoding encoding = CsvEncoding::Utf8;
  char delimiter = ';';
  std::vector<ImportProblem> errors;
  std::vector<std::string> warnings;
  RecordCounts categories, products, items;
  int linesAdded = 0, kindsAdded = 0, valuesAdded = 0, indexEntriesAdded = 0, taxTypesAdded = 0;
};

// Imports `file` into the open shop whose folders `paths` names. Raises the database-changed flag when
// something was changed; a failed or dry run leaves it as it was. `progress` (may be
// null) follows the reading from 0 to 100.
CatalogueImportReport ImportCatalogue(ShopDatabase& db, const ShopPaths& paths, const std::filesystem::path& file,
                                      const CatalogueImportOptions& options, ProgressSink* progress = nullptr);

// The report as the merchant reads it. Problems: a "Hinweis: " line per warning, a
// line per invalid cell and, when the file was refused, that nothing was imported.
// Counts: what was (a dry run: would be) imported, a line per kind of record.
std::string ImportProblemsText(const CatalogueImportReport& report);
std::string ImportCountsText(const CatalogueImportReport& report, const CatalogueImportOptions& options);

}  // namespace vendora
