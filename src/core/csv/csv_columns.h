#pragma once
// The column set of the catalogue file and the way its cells are written and read.
//
// One row per item; the category and product columns repeat on each item of the
// product. A row without an item number describes only its product (a product without
// items), a row without a product only its category. Columns are found by their German
// header text, letter case and surrounding blanks ignored, in any order.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vendora {

class PictureFolder;

enum class CsvColumn {
  CategoryName,
  CategoryOrder,
  CategoryDescription,
  CategoryIncluded,
  CategoryButton,
  CategoryHeading,
  ProductName,
  ProductOrder,
  ShortDesc,
  LongDesc,
  TaxType,
  TaxRate,
  IndexEntry,
  Kind1,
  Kind2,
  ProductAvailable,
  ProductLines,
  ProductPicture,
  ItemNumber,
  Value1,
  Value2,
  Weight,
  Shipping,
  MPrice,
  SPrice,
  ItemAvailable,
};
inline constexpr size_t kCsvColumnCount = 26;

// What a cell holds, which decides how an empty cell reads (see the importer).
enum class CellKind { Text, Number, Whole, Flag, Reference, Picture, Lines };

struct CsvColumnDef {
  CsvColumn column;
  std::string_view header;
  CellKind kind;
  // Characters the field holds at most; 0 for unbounded.
  size_t maxLength = 0;
  std::string_view help;  // one line for the command's help
};

// In the order the export writes them.
const std::array<CsvColumnDef, kCsvColumnCount>& CsvColumns();
const CsvColumnDef& ColumnDef(CsvColumn column);
// The column a header cell names, if any.
std::optional<CsvColumn> ColumnForHeader(std::string_view header);
// Columns a file must have.
inline constexpr std::array<CsvColumn, 3> kRequiredColumns = {CsvColumn::CategoryName, CsvColumn::ProductName,
                                                              CsvColumn::ItemNumber};

// Memo fields are unbounded in the database; an imported text is still held to this,
// so a stray multi-megabyte cell cannot end up in every generated page.
inline constexpr size_t kMaxMemoLength = 65535;

// Spreadsheets run a cell starting with "=", "+", "-", "@", a tab or a carriage return
// as a formula. Such a text is written with a leading apostrophe; a text that already
// starts with an apostrophe followed by one of those (or another apostrophe) gets one
// too, so that reading removes exactly the one that writing added.
bool NeedsFormulaGuard(std::string_view text);
std::string NeutraliseFormula(std::string_view text);
std::string_view RestoreFormula(std::string_view cell);

// Flags are written "ja" / "nein"; read are also j/n, wahr/falsch, true/false, 1/0, x.
std::string_view FlagText(bool value);
std::optional<bool> ParseFlag(std::string_view cell);

// The shortest decimal text that reads back as the same Single, with a decimal point
// or comma, never in the locale's form and never with an exponent.
std::string NumberText(float value, bool decimalComma);
// A decimal number with a decimal point or comma, as spreadsheets write them: the mark
// that comes last or stands alone is the decimal one, the other may group thousands in
// threes before it ("1.234,50", "1,234.50", "1.234.567"). Nullopt for anything else, a
// value beyond a Single or not finite.
std::optional<float> ParseNumber(std::string_view cell);
// The same number as plain text: an optional "-", the digits, and "." before the
// decimals as written ("1.234,50" -> "1234.50"); nullopt where ParseNumber refuses the
// form of the cell (not its size).
std::optional<std::string> PlainNumber(std::string_view cell);
std::optional<int32_t> ParseWhole(std::string_view cell);

// Product lines in one cell, separated by "|"; "\|" and "\\" stand for a "|" and a
// backslash inside a name. Blanks around a name are dropped when reading.
std::string JoinLineNames(const std::vector<std::string>& names);
std::vector<std::string> SplitLineNames(std::string_view cell);

// A catalogue file's pictures lie in "<file name without extension>-Bilder" beside it;
// its picture cells name them relative to that folder.
std::filesystem::path PictureFolderOf(const std::filesystem::path& file);

// The record's picture in its folder (named by the pattern and key, any picture
// extension), found without renaming anything.
std::optional<std::filesystem::path> RecordPicture(PictureFolder& folder, std::string_view pattern, int32_t id);

}  // namespace vendora
