#pragma once
// The catalogue import's working state, shared by its parts: reading and checking the
// cells (import_cells.cpp), applying rows to the shop (import_rows.cpp) and staging and
// placing pictures (import_pictures.cpp). Not for use outside the import.
#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/log.h"
#include "common/text_util.h"
#include "csv/catalogue_import.h"
#include "csv/csv_columns.h"
#include "csv/csv_reader.h"
#include "imaging/image_refs.h"
#include "rules/catalogue_rules.h"
#include "shopdb/recordsets.h"

namespace vendora::catalogue_import {

namespace fs = std::filesystem;
using C = CsvColumn;

enum class Level { Category, Product, Item };

inline Level LevelOf(C column) {
  if (column <= C::CategoryHeading) return Level::Category;
  if (column <= C::ProductPicture) return Level::Product;
  return Level::Item;
}
// More are counted but not kept: a file that is wrong throughout needs no million lines.
constexpr size_t kMaxReportedErrors = 10000;

// Money: shown, written to the shop's data files and charged to the cent.
inline bool IsAmount(C column) { return column == C::MPrice || column == C::SPrice || column == C::Shipping; }
struct PictureOp {
  ShopSubfolder folder;
  std::string_view pattern;
  int32_t id = 0;
  fs::path source;  // empty: the record's picture is removed
  fs::path staged;  // the copy beside its target, made before the commit
};
struct RecordState {
  int32_t id = 0;  // 0: its first row could not be taken
  int firstLine = 0;
  std::vector<std::string> cells;  // the level's cells on the first row
};
struct ProductState : RecordState {
  ProductsRow row;
  // The product's items in the shop, by number (several where the shop has a number twice).
  std::unordered_map<std::string, std::vector<ItemsRow>> items;
};
class Importer {
 public:
  Importer(ShopDatabase& db, const ShopPaths& paths, const fs::path& file, const CatalogueImportOptions& options,
           ProgressSink* progress)
      : db_(db), paths_(paths), file_(file), options_(options), progress_(progress) {
    columns_.fill(-1);
  }

  CatalogueImportReport Run();

 private:
  // Problems
  void Fail(int line, std::optional<C> column, std::string reason);
  void Warn(std::string text) { report_.warnings.push_back(std::move(text)); }

  // Reading
  void OnRecord(const CsvRecord& record);
  bool Header(const CsvRecord& record);
  bool Has(C column) const { return columns_[static_cast<size_t>(column)] >= 0; }
  std::string_view Raw(const CsvRecord& record, C column) const;
  std::string_view Cell(const CsvRecord& record, C column) const;
  bool Empty(const CsvRecord& record, C column) const { return Trim(Cell(record, column)).empty(); }
  bool CheckCells(const CsvRecord& record);
  bool NewItemNumber(const CsvRecord& record);
  std::optional<std::string> CheckPicture(std::string_view cell);

  // Applying
  void Prepare();
  void RemoveCatalogue();
  void LoadExisting();
  RecordState* CategoryFor(const CsvRecord& record);
  ProductState* ProductFor(const CsvRecord& record, const RecordState& category);
  void ItemFor(const CsvRecord& record, ProductState& product);
  bool Repeats(const CsvRecord& record, Level level, RecordState& state);
  std::vector<std::string> LevelCells(const CsvRecord& record, Level level) const;
  std::optional<int32_t> TaxFor(const CsvRecord& record);
  int32_t IndexFor(std::string_view name);
  int32_t KindFor(std::string_view name);
  int32_t ValueFor(int32_t kind, std::string_view name);
  int32_t LineFor(const std::string& name);
  bool SetLines(const CsvRecord& record, ProductState& product, bool existing);
  bool Picture(const CsvRecord& record, C column, ShopSubfolder folder, std::string_view pattern, int32_t id);
  PictureFolder& Folder(ShopSubfolder which);

  // Files
  bool StagePictures();
  void DropStaged();
  void PlacePictures();
  void RemoveFiles(ShopSubfolder which, std::string_view pattern, int32_t id);

  ShopDatabase& db_;
  const ShopPaths& paths_;
  fs::path file_;
  CatalogueImportOptions options_;
  ProgressSink* progress_;
  CatalogueImportReport report_;
  size_t errorCount_ = 0;

  std::array<int, kCsvColumnCount> columns_;
  size_t headerSize_ = 0;
  bool headerRead_ = false, headerFailed_ = false;
  std::unordered_map<std::string, std::optional<std::string>> pictureChecks_;  // cell -> reason
  std::unordered_map<std::string, fs::path> picturePaths_;
  std::unordered_map<std::string, int> itemLines_;  // category, product and item number -> first line

  std::unique_ptr<CatalogueRules> rules_;
  std::unique_ptr<CRecSetCategories> categorySet_;
  std::unique_ptr<CRecSetProducts> productSet_;
  std::unique_ptr<CRecSetItems> itemSet_;
  std::unique_ptr<CRecSetTaxesByType> taxSet_;
  std::unordered_map<std::string, RecordState> categories_;
  std::unordered_map<std::string, ProductState> products_;
  // What the shop holds already (merge).
  std::unordered_map<std::string, CategoriesRow> existingCategories_;
  std::unordered_map<std::string, ProductsRow> existingProducts_;  // by category and name
  std::unordered_map<int32_t, std::vector<ItemsRow>> existingItems_;
  std::unordered_map<int32_t, std::vector<int32_t>> existingLines_;  // product -> lines
  std::unordered_map<std::string, std::pair<int32_t, float>> taxes_;
  std::unordered_map<std::string, int32_t> indexEntries_, kinds_, values_, lines_;
  std::unordered_map<std::string, bool> warnedRates_;
  std::unordered_map<int, std::unique_ptr<PictureFolder>> folders_;
  std::vector<PictureOp> pictureOps_;
  std::vector<int32_t> removedCategories_, removedLines_, removedProducts_;
  int lastPercent_ = -1;
};

}  // namespace vendora::catalogue_import
