#pragma once
// Writing the whole catalogue as one CSV file (see csv_columns.h for the columns): UTF-8
// with a byte-order mark, a header row, then the categories in their order, each with
// its products in order and each product with its items in order; a category without
// products and a product without items get a row of their own. Texts that a
// spreadsheet would run as a formula are neutralised.
//
// The pictures go into the file's picture folder (see csv_columns.h; linked where the
// file system allows, else copied), named by their position in the file, and the
// picture cells give their bare names. So the file and its folder can be moved
// together, and a shop imported from them exports the same bytes again, under any name.
#include <filesystem>
#include <string>

#include "common/status.h"
#include "app/shop_paths.h"

namespace vendora {

class ProgressSink;
class ShopDatabase;

struct CatalogueExportOptions {
  char delimiter = ';';  // what a German spreadsheet opens without asking
  bool decimalComma = false;
};

struct CatalogueExportReport {
  Status status;  // the German reason when the export failed
  int categories = 0, products = 0, items = 0, pictures = 0;
  std::filesystem::path pictureFolder;  // empty when the catalogue has no pictures
};

// Writes the file in one piece (a failure leaves an older file as it was). Throws
// DbError when the database cannot be read. `progress` (may be null) goes from 0 to 100.
CatalogueExportReport ExportCatalogue(ShopDatabase& db, const ShopPaths& paths, const std::filesystem::path& file,
                                      const CatalogueExportOptions& options, ProgressSink* progress = nullptr);

// What a successful export wrote, as the merchant reads it.
std::string ExportSummaryText(const CatalogueExportReport& report, const std::filesystem::path& file);

}  // namespace vendora
