#include "csv/catalogue_import.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <optional>
#include <unordered_map>

#include "common/file_compare.h"
#include "common/text_format.h"
#include "common/text_util.h"
#include "csv/csv_columns.h"
#include "generator/log.h"
#include "imaging/image_file.h"
#include "imaging/image_format.h"
#include "imaging/image_refs.h"
#include "pages/catalogue_rules.h"
#include "shopdb/db_error.h"
#include "shopdb/recordsets.h"

namespace vendora {

namespace fs = std::filesystem;
using C = CsvColumn;

namespace {

enum class Level { Category, Product, Item };

Level LevelOf(C column) {
  if (column <= C::CategoryHeading) return Level::Category;
  if (column <= C::ProductPicture) return Level::Product;
  return Level::Item;
}

// More are counted but not kept: a file that is wrong throughout needs no million lines.
constexpr size_t kMaxReportedErrors = 10000;

// Money: shown, written to the shop's data files and charged to the cent.
bool IsAmount(C column) { return column == C::MPrice || column == C::SPrice || column == C::Shipping; }

// An amount is kept in a Single, and the shop uses it rounded to the cent. So the cell
// must state whole cents, and the Single must give those cents back; otherwise the
// shop would charge another amount than the file states, without anyone being told.
std::optional<std::string> AmountProblem(std::string_view cell, float value) {
  std::string plain = *PlainNumber(cell);
  if (!plain.empty() && plain.front() == '-') plain.erase(0, 1);  // "-0"
  const size_t point = plain.find('.');
  std::string whole = plain.substr(0, point);
  std::string fraction = point == std::string::npos ? std::string() : plain.substr(point + 1);
  if (fraction.size() > 2) {
    if (fraction.find_first_not_of('0', 2) != std::string::npos)
      return Format("„%s“ hat mehr als zwei Nachkommastellen; der Shop rechnet auf den Cent genau.", std::string(cell));
    fraction.resize(2);
  }
  fraction.resize(2, '0');
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
  if (whole.empty()) whole = "0";
  // The rounding the data files are written with.
  char buffer[64];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(static_cast<double>(value)),
                                     std::chars_format::fixed, 2);
  const std::string kept(buffer, written.ptr);
  if (kept == whole + "." + fraction) return std::nullopt;
  std::string shown = kept;
  std::replace(shown.begin(), shown.end(), '.', ',');
  return Format("„%s“ lässt sich nicht auf den Cent genau speichern; der Shop würde %s daraus machen.",
                std::string(cell), shown);
}

struct PictureOp {
  ShopSubfolder folder;
  std::string_view pattern;
  int32_t id = 0;
  fs::path source;  // empty: the record's picture is removed
  fs::path staged;  // the copy beside its target, made before the commit
};

bool SameCategory(const CategoriesRow& a, const CategoriesRow& b) {
  return std::tie(a.Include, a.Name, a.Order, a.Description) == std::tie(b.Include, b.Name, b.Order, b.Description);
}

bool SameProduct(const ProductsRow& a, const ProductsRow& b) {
  return std::tie(a.Name, a.TaxID, a.CategoryID, a.Order, a.IndexID, a.ShortDesc, a.LongDesc, a.AttributeID1,
                  a.AttributeID2, a.Available) == std::tie(b.Name, b.TaxID, b.CategoryID, b.Order, b.IndexID,
                                                           b.ShortDesc, b.LongDesc, b.AttributeID1, b.AttributeID2,
                                                           b.Available);
}

bool SameItem(const ItemsRow& a, const ItemsRow& b) {
  return std::tie(a.ItemNumber, a.SubAttrID1, a.SubAttrID2, a.Weight, a.MPrice, a.SPrice, a.Shipping, a.Available) ==
         std::tie(b.ItemNumber, b.SubAttrID1, b.SubAttrID2, b.Weight, b.MPrice, b.SPrice, b.Shipping, b.Available);
}

// Writes the changed row through one set per table, re-bound to each row's key.
template <class Set, class Row>
void UpdateRow(Set& set, const Row& row) {
  set.SetFilter(Eq("ID", row.ID));
  set.Requery();
  if (set.IsEOF()) throw DbError(DbFrameworkError::None, 0, "Der Datensatz wurde inzwischen gelöscht.");
  set.Edit();
  *set = row;
  set.Update();
}

std::string Key(int32_t parent, std::string_view name) {
  std::string key = std::to_string(parent);
  key += '\x1f';
  key += name;
  return key;
}

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

void Importer::Fail(int line, std::optional<C> column, std::string reason) {
  report_.ok = false;
  if (errorCount_++ >= kMaxReportedErrors) return;
  report_.errors.push_back({line, column ? std::string(ColumnDef(*column).header) : std::string(), std::move(reason)});
}

std::string_view Importer::Raw(const CsvRecord& record, C column) const {
  const int index = columns_[static_cast<size_t>(column)];
  if (index < 0 || static_cast<size_t>(index) >= record.fields.size()) return {};
  return record.fields[static_cast<size_t>(index)];
}

std::string_view Importer::Cell(const CsvRecord& record, C column) const {
  const std::string_view raw = Raw(record, column);
  switch (ColumnDef(column).kind) {
    case CellKind::Text:
    case CellKind::Reference:
    case CellKind::Lines:
    case CellKind::Picture: return RestoreFormula(raw);
    default: return raw;
  }
}

CatalogueImportReport Importer::Run() {
  report_.ok = true;
  std::string error;
  std::optional<std::string> bytes = ReadCsvFile(file_, error);
  std::optional<std::string> text;
  if (bytes) text = DecodeCsvBytes(*bytes, report_.encoding, error);
  bytes.reset();
  if (!text) {
    Fail(0, std::nullopt, error);
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

// A picture is taken only from the file's picture folder: a supplier's file must not be
// able to pull any picture the merchant can read into the shop, which then publishes it.
// So no absolute path, no "..", and no symbolic link (the folder itself, or any on the
// way to the picture) that leads out of it.
std::optional<std::string> Importer::CheckPicture(std::string_view cell) {
  auto [it, fresh] = pictureChecks_.try_emplace(std::string(cell));
  if (!fresh) return it->second;
  std::optional<std::string>& reason = it->second;
  const fs::path folder = PictureFolderOf(file_);
  const std::string folderName = folder.filename().string();
  const std::string name(Trim(cell));
  // A file made on Windows may name the picture with backslashes.
  std::string slashed = name;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  auto climbs = [](const fs::path& path) {
    return std::any_of(path.begin(), path.end(), [](const fs::path& part) { return part == ".."; });
  };
  std::error_code ec;
  if (fs::path(name).is_absolute() || fs::path(slashed).is_absolute()) {
    reason = Format("Das Bild „%s“ ist mit einem absoluten Pfad angegeben; genommen werden nur Bilder aus dem "
                    "Bilderordner „%s“ neben der Datei.",
                    std::string(cell), folderName);
    return reason;
  }
  if (climbs(name) || climbs(slashed)) {
    reason = Format("Das Bild „%s“ führt mit „..“ aus dem Bilderordner „%s“ hinaus; genommen werden nur Bilder darin.",
                    std::string(cell), folderName);
    return reason;
  }
  if (fs::is_symlink(folder, ec)) {
    reason = Format("Das Bild „%s“ wird nicht genommen: der Bilderordner „%s“ ist ein Verweis auf einen anderen "
                    "Ordner.",
                    std::string(cell), folderName);
    return reason;
  }
  fs::path path = folder / name;
  if (!fs::is_regular_file(path, ec) && slashed != name) path = folder / slashed;
  if (!fs::is_regular_file(path, ec)) {
    reason = Format("Das Bild „%s“ wurde im Bilderordner „%s“ nicht gefunden.", std::string(cell), folderName);
    return reason;
  }
  // Every link on the way resolved: the picture must still lie in the folder.
  const fs::path real = fs::canonical(path, ec);
  const fs::path realFolder = ec ? fs::path() : fs::canonical(folder, ec);
  const bool inside = !ec && std::mismatch(realFolder.begin(), realFolder.end(), real.begin(), real.end()).first ==
                                 realFolder.end();
  if (!inside) {
    reason = Format("Das Bild „%s“ ist ein Verweis auf eine Datei außerhalb des Bilderordners „%s“; genommen werden "
                    "nur Bilder darin.",
                    std::string(cell), folderName);
    return reason;
  }
  // The copy is named by the extension of the file the link leads to.
  if (FormatFromFileName(real.filename().string()) == ImageFormat::None) {
    reason = Format("„%s“ ist kein Bild (erlaubt sind BMP, GIF, JPEG und PNG).", std::string(cell));
  } else {
    int width = 0, height = 0;
    CImageFile image;
    if (!image.ReadSize(width, height, real.string()))
      reason = Format("„%s“ ist kein lesbares Bild.", std::string(cell));
  }
  // The resolved path: what was checked is what is copied.
  picturePaths_[std::string(cell)] = real;
  return reason;
}

// A second row with a product's item number would add a second item with it: the
// item number identifies an item within its product.
bool Importer::NewItemNumber(const CsvRecord& record) {
  if (Empty(record, C::ItemNumber) || Empty(record, C::ProductName)) return true;
  const std::string_view product = Cell(record, C::ProductName), number = Cell(record, C::ItemNumber);
  std::string key(Cell(record, C::CategoryName));
  key += '\x1f';
  key += product;
  key += '\x1f';
  key += number;
  const auto [first, fresh] = itemLines_.try_emplace(std::move(key), record.line);
  if (fresh) return true;
  Fail(record.line, C::ItemNumber,
       Format("Die Artikelnummer „%s“ steht für das Produkt „%s“ schon in Zeile %d; eine Artikelnummer bezeichnet "
              "genau einen Artikel ihres Produkts.",
              std::string(number), std::string(product), first->second));
  return false;
}

bool Importer::CheckCells(const CsvRecord& record) {
  const size_t before = errorCount_;
  const bool hasProduct = !Empty(record, C::ProductName), hasItem = !Empty(record, C::ItemNumber);
  if (Empty(record, C::CategoryName)) Fail(record.line, C::CategoryName, "Die Kategorie fehlt.");
  if (hasItem && !hasProduct) Fail(record.line, C::ProductName, "Der Artikel braucht ein Produkt; der Name fehlt.");
  for (const CsvColumnDef& def : CsvColumns()) {
    if (!Has(def.column)) continue;
    const std::string_view cell = Cell(record, def.column);
    if (Trim(cell).empty()) continue;
    const Level level = LevelOf(def.column);
    if (level == Level::Product && !hasProduct && def.column != C::ProductName) {
      Fail(record.line, def.column, "Die Angabe gehört zu einem Produkt, aber die Spalte „Produkt“ ist leer.");
      continue;
    }
    if (level == Level::Item && !hasItem && def.column != C::ItemNumber) {
      Fail(record.line, def.column, "Die Angabe gehört zu einem Artikel, aber die Spalte „Artikelnummer“ ist leer.");
      continue;
    }
    auto tooLong = [&](std::string_view text) {
      const size_t length = Utf8Length(text);
      if (def.maxLength == 0 || length <= def.maxLength) return false;
      Fail(record.line, def.column,
           Format("Der Text ist mit %d Zeichen zu lang für dieses Feld (höchstens %d Zeichen).",
                  static_cast<long long>(length), static_cast<long long>(def.maxLength)));
      return true;
    };
    switch (def.kind) {
      case CellKind::Text: tooLong(cell); break;
      case CellKind::Reference: tooLong(Trim(cell)); break;
      case CellKind::Lines:
        for (const std::string& name : SplitLineNames(cell))
          if (tooLong(name)) break;
        break;
      case CellKind::Number: {
        const std::optional<float> value = ParseNumber(cell);
        if (!value) Fail(record.line, def.column, Format("„%s“ ist keine Zahl.", std::string(cell)));
        else if (*value < 0) Fail(record.line, def.column, Format("Der Wert %s darf nicht negativ sein.", std::string(cell)));
        else if (IsAmount(def.column))
          if (std::optional<std::string> reason = AmountProblem(cell, *value)) Fail(record.line, def.column, *reason);
        break;
      }
      case CellKind::Whole:
        if (!ParseWhole(cell)) Fail(record.line, def.column, Format("„%s“ ist keine ganze Zahl.", std::string(cell)));
        break;
      case CellKind::Flag:
        if (!ParseFlag(cell))
          Fail(record.line, def.column, Format("„%s“ ist weder „ja“ noch „nein“.", std::string(cell)));
        break;
      case CellKind::Picture:
        if (std::optional<std::string> reason = CheckPicture(cell)) Fail(record.line, def.column, *reason);
        break;
    }
  }
  return errorCount_ == before;
}

PictureFolder& Importer::Folder(ShopSubfolder which) {
  auto& folder = folders_[static_cast<int>(which)];
  if (!folder) folder = std::make_unique<PictureFolder>(paths_.Subfolder(which));
  return *folder;
}

void Importer::Prepare() {
  if (options_.mode == ImportMode::Replace) RemoveCatalogue();
  rules_ = std::make_unique<CatalogueRules>(db_);
  categorySet_ = std::make_unique<CRecSetCategories>(db_);
  productSet_ = std::make_unique<CRecSetProducts>(db_);
  itemSet_ = std::make_unique<CRecSetItems>(db_);
  taxSet_ = std::make_unique<CRecSetTaxesByType>(db_);
  LoadExisting();
}

void Importer::RemoveCatalogue() {
  CRecSetProducts_IDs products(db_);
  products.ForEach([&](const ProductIdsRow& p) { removedProducts_.push_back(p.ID); });
  CRecSetItems_ID items(db_);
  items.ForEach([&](const ItemIdRow&) { ++report_.items.removed; });
  report_.products.removed = static_cast<int>(removedProducts_.size());
  // Deleting a category takes its products, their items and memberships with it.
  CRecSetCategories categories(db_);
  categories.Open();
  for (categories.MoveFirst(); !categories.IsEOF(); categories.MoveNext()) {
    removedCategories_.push_back(categories->ID);
    categories.Delete();
  }
  report_.categories.removed = static_cast<int>(removedCategories_.size());
  CRecSetLines lines(db_);
  lines.Open();
  for (lines.MoveFirst(); !lines.IsEOF(); lines.MoveNext()) {
    removedLines_.push_back(lines->ID);
    lines.Delete();
  }
  CRecSetIndex index(db_);
  index.SetFilter(Ne("Name", " "));
  index.Open();
  for (index.MoveFirst(); !index.IsEOF(); index.MoveNext()) index.Delete();
  CRecSetMainAttributes kinds(db_);
  kinds.SetFilter(Ne("Name", " "));
  kinds.Open();
  for (kinds.MoveFirst(); !kinds.IsEOF(); kinds.MoveNext()) kinds.Delete();
}

void Importer::LoadExisting() {
  CRecSetTaxesByType taxes(db_);
  taxes.ForEach([&](const TaxesByTypeRow& t) {
    if (t.Type != " ") taxes_.try_emplace(t.Type, t.ID, t.Rate);
  });
  CRecSetIndex index(db_);
  index.ForEach([&](const IndexRow& i) {
    if (i.Name != " ") indexEntries_.try_emplace(i.Name, i.ID);
  });
  CRecSetMainAttributes kinds(db_);
  kinds.ForEach([&](const MainAttributesRow& k) {
    if (k.Name != " ") kinds_.try_emplace(k.Name, k.ID);
  });
  CRecSetSubAttributes values(db_);
  values.ForEach([&](const SubAttributesRow& v) {
    if (v.Name != " ") values_.try_emplace(Key(v.MainAttrID, v.Name), v.ID);
  });
  CRecSetLines lines(db_);
  lines.ForEach([&](const LinesRow& l) { lines_.try_emplace(l.Name, l.ID); });
  if (options_.mode == ImportMode::Replace) return;
  // Of several rows with the same name the first in list order is the one matched.
  CRecSetCategories categories(db_);
  categories.ForEach([&](const CategoriesRow& c) { existingCategories_.try_emplace(c.Name, c); });
  CRecSetProducts products(db_);
  products.SetSort("[CategoryID], [Order]");
  products.ForEach([&](const ProductsRow& p) { existingProducts_.try_emplace(Key(p.CategoryID, p.Name), p); });
  CRecSetItems items(db_);
  items.SetSort("[ProductID], [Order]");
  items.ForEach([&](const ItemsRow& i) { existingItems_[i.ProductID].push_back(i); });
  CRecSetProdLines members(db_);
  members.SetSort("[ID]");
  members.ForEach([&](const ProdLinesRow& m) { existingLines_[m.ProductID].push_back(m.LineID); });
}

std::vector<std::string> Importer::LevelCells(const CsvRecord& record, Level level) const {
  std::vector<std::string> cells;
  for (const CsvColumnDef& def : CsvColumns())
    if (Has(def.column) && LevelOf(def.column) == level) cells.emplace_back(Trim(Cell(record, def.column)));
  return cells;
}

// A later row of a category or product: its cells must be empty or repeat the first row's.
bool Importer::Repeats(const CsvRecord& record, Level level, RecordState& state) {
  bool same = true;
  size_t k = 0;
  for (const CsvColumnDef& def : CsvColumns()) {
    if (!Has(def.column) || LevelOf(def.column) != level) continue;
    const std::string_view cell = Trim(Cell(record, def.column));
    const std::string& first = state.cells[k++];
    if (cell.empty() || cell == first) continue;
    Fail(record.line, def.column,
         Format("„%s“ widerspricht Zeile %d („%s“).", std::string(cell), state.firstLine, first));
    same = false;
  }
  return same;
}

RecordState* Importer::CategoryFor(const CsvRecord& record) {
  const std::string name(Cell(record, C::CategoryName));
  auto [it, fresh] = categories_.try_emplace(name);
  RecordState& state = it->second;
  if (!fresh) return Repeats(record, Level::Category, state) && state.id ? &state : nullptr;
  state.firstLine = record.line;
  state.cells = LevelCells(record, Level::Category);

  CategoriesRow row;
  auto existing = existingCategories_.find(name);
  const bool found = existing != existingCategories_.end();
  if (found) {
    row = existing->second;
  } else {
    row = rules_->NewCategory();
    row.Name = name;
  }
  const CategoriesRow before = row;
  if (!Empty(record, C::CategoryOrder)) row.Order = *ParseWhole(Cell(record, C::CategoryOrder));
  if (Has(C::CategoryDescription)) row.Description = std::string(Cell(record, C::CategoryDescription));
  if (!Empty(record, C::CategoryIncluded)) row.Include = *ParseFlag(Cell(record, C::CategoryIncluded));
  bool changed = false;
  if (!found) {
    state.id = rules_->Add(row);
  } else {
    state.id = row.ID;
    changed = !SameCategory(row, before);
    if (changed) UpdateRow(*categorySet_, row);
  }
  changed |= Picture(record, C::CategoryButton, ShopSubfolder::Cats, kButtonPattern, state.id);
  changed |= Picture(record, C::CategoryHeading, ShopSubfolder::Cats, kHeaderPattern, state.id);
  RecordCounts& counts = report_.categories;
  ++(!found ? counts.added : changed ? counts.changed : counts.unchanged);
  return &state;
}

std::optional<int32_t> Importer::TaxFor(const CsvRecord& record) {
  const std::string name(Trim(Cell(record, C::TaxType)));
  const std::string_view rateCell = Cell(record, C::TaxRate);
  const bool hasRate = !Trim(rateCell).empty();
  const float rate = hasRate ? ParseNumber(rateCell).value_or(0) : 0;
  if (auto it = taxes_.find(name); it != taxes_.end()) {
    if (hasRate && rate != it->second.second && !warnedRates_[name]) {
      warnedRates_[name] = true;
      Warn(Format("Die Steuerart „%s“ hat in diesem Shop den Satz %s; der Satz %s aus Zeile %d wird nicht übernommen.",
                  name, NumberText(it->second.second, true), NumberText(rate, true), record.line));
    }
    return it->second.first;
  }
  if (!hasRate) {
    Fail(record.line, C::TaxType,
         Format("Die Steuerart „%s“ gibt es in diesem Shop nicht; ohne ihren Satz in der Spalte „Steuersatz“ kann "
                "sie nicht angelegt werden.",
                name));
    return std::nullopt;
  }
  if (!taxSet_->IsOpen()) taxSet_->OpenForAppend();
  taxSet_->AddNew();
  (*taxSet_)->Type = name;
  (*taxSet_)->Rate = rate;
  taxSet_->Update();
  ++report_.taxTypesAdded;
  const int32_t id = (*taxSet_)->ID;
  taxes_.emplace(name, std::pair{id, rate});
  return id;
}

int32_t Importer::IndexFor(std::string_view name) {
  if (name.empty()) return rules_->NoIndexEntry();
  auto [it, fresh] = indexEntries_.try_emplace(std::string(name), 0);
  if (fresh) {
    it->second = rules_->AddIndexEntry(std::string(name));
    ++report_.indexEntriesAdded;
  }
  return it->second;
}

int32_t Importer::KindFor(std::string_view name) {
  if (name.empty()) return rules_->NoAttributeKind();
  auto [it, fresh] = kinds_.try_emplace(std::string(name), 0);
  if (fresh) {
    it->second = rules_->AddAttributeKind(std::string(name));
    ++report_.kindsAdded;
  }
  return it->second;
}

int32_t Importer::ValueFor(int32_t kind, std::string_view name) {
  if (name.empty()) return rules_->NoValueOf(kind);
  auto [it, fresh] = values_.try_emplace(Key(kind, name), 0);
  if (fresh) {
    it->second = rules_->AddAttributeValue(kind, std::string(name));
    ++report_.valuesAdded;
  }
  return it->second;
}

int32_t Importer::LineFor(const std::string& name) {
  auto [it, fresh] = lines_.try_emplace(name, 0);
  if (fresh) {
    LinesRow line = rules_->NewLine();
    line.Name = name;
    it->second = rules_->Add(std::move(line));
    ++report_.linesAdded;
  }
  return it->second;
}

// The product's lines become exactly those named, in that order for new memberships.
bool Importer::SetLines(const CsvRecord& record, ProductState& product, bool existing) {
  if (!Has(C::ProductLines)) return false;
  std::vector<int32_t> wanted;
  for (const std::string& name : SplitLineNames(Cell(record, C::ProductLines))) {
    const int32_t line = LineFor(name);
    if (std::find(wanted.begin(), wanted.end(), line) == wanted.end()) wanted.push_back(line);
  }
  std::vector<int32_t> current;
  if (existing)
    if (auto it = existingLines_.find(product.id); it != existingLines_.end()) current = it->second;
  bool changed = false;
  for (int32_t line : current)
    if (std::find(wanted.begin(), wanted.end(), line) == wanted.end())
      changed |= rules_->RemoveFromLine(line, product.id);
  for (int32_t line : wanted) changed |= rules_->AddToLine(line, product.id, product.row.Name);
  return changed;
}

ProductState* Importer::ProductFor(const CsvRecord& record, const RecordState& category) {
  const std::string name(Cell(record, C::ProductName));
  const std::string key = Key(category.id, name);
  auto [it, fresh] = products_.try_emplace(key);
  ProductState& state = it->second;
  if (!fresh) return Repeats(record, Level::Product, state) && state.id ? &state : nullptr;
  state.firstLine = record.line;
  state.cells = LevelCells(record, Level::Product);

  ProductsRow& row = state.row;
  auto existing = existingProducts_.find(key);
  const bool found = existing != existingProducts_.end();
  if (found) {
    row = existing->second;
  } else {
    row = rules_->NewProduct(category.id);
    row.Name = name;
  }
  ProductsRow before = row;
  if (!Empty(record, C::TaxType)) {
    const std::optional<int32_t> tax = TaxFor(record);
    if (!tax) return nullptr;
    row.TaxID = *tax;
  }
  if (!Empty(record, C::ProductOrder)) row.Order = *ParseWhole(Cell(record, C::ProductOrder));
  if (Has(C::ShortDesc)) row.ShortDesc = std::string(Cell(record, C::ShortDesc));
  if (Has(C::LongDesc)) row.LongDesc = std::string(Cell(record, C::LongDesc));
  if (Has(C::IndexEntry)) row.IndexID = IndexFor(Trim(Cell(record, C::IndexEntry)));
  if (!Empty(record, C::ProductAvailable)) row.Available = *ParseFlag(Cell(record, C::ProductAvailable));
  const int32_t kind1 = Has(C::Kind1) ? KindFor(Trim(Cell(record, C::Kind1))) : row.AttributeID1;
  const int32_t kind2 = Has(C::Kind2) ? KindFor(Trim(Cell(record, C::Kind2))) : row.AttributeID2;
  bool changed = false;
  if (!found) {
    row.AttributeID1 = kind1;
    row.AttributeID2 = kind2;
    row.ID = rules_->Add(row);
  } else {
    // Another kind resets the values of all the product's items, as on the page.
    std::vector<ItemsRow>& items = existingItems_[row.ID];
    for (auto [which, kind] : {std::pair{1, kind1}, std::pair{2, kind2}}) {
      int32_t& current = which == 1 ? row.AttributeID1 : row.AttributeID2;
      if (current == kind) continue;
      rules_->SetAttributeKind(row.ID, which, kind);
      current = kind;
      changed = true;
      for (ItemsRow& item : items) (which == 1 ? item.SubAttrID1 : item.SubAttrID2) = rules_->NoValueOf(kind);
    }
    before.AttributeID1 = row.AttributeID1;
    before.AttributeID2 = row.AttributeID2;
    if (!SameProduct(row, before)) {
      UpdateRow(*productSet_, row);
      changed = true;
    }
    for (ItemsRow& item : items) state.items[item.ItemNumber].push_back(item);
    existingItems_.erase(row.ID);
  }
  state.id = row.ID;
  changed |= SetLines(record, state, found);
  changed |= Picture(record, C::ProductPicture, ShopSubfolder::Prods, kImagePattern, state.id);
  RecordCounts& counts = report_.products;
  ++(!found ? counts.added : changed ? counts.changed : counts.unchanged);
  return &state;
}

// An item number names one item of its product (see NewItemNumber); a number the shop
// already has twice leaves open which item the row means.
void Importer::ItemFor(const CsvRecord& record, ProductState& product) {
  const std::string number(Cell(record, C::ItemNumber));
  ItemsRow row;
  bool found = false;
  if (auto it = product.items.find(number); it != product.items.end()) {
    if (it->second.size() > 1) {
      Fail(record.line, C::ItemNumber,
           Format("Das Produkt „%s“ hat im Shop %d Artikel mit der Nummer „%s“; die Zeile lässt sich keinem davon "
                  "zuordnen. Geben Sie ihnen im Shop zuerst verschiedene Nummern.",
                  product.row.Name, static_cast<int>(it->second.size()), number));
      return;
    }
    row = it->second.front();
    found = true;
  } else {
    row = rules_->NewItem(product.row);
    row.ItemNumber = number;
  }
  const ItemsRow before = row;
  for (auto [column, kindColumn, kind, value] :
       {std::tuple{C::Value1, C::Kind1, product.row.AttributeID1, &row.SubAttrID1},
        std::tuple{C::Value2, C::Kind2, product.row.AttributeID2, &row.SubAttrID2}}) {
    if (!Has(column)) continue;
    const std::string_view name = Trim(Cell(record, column));
    if (!name.empty() && kind == rules_->NoAttributeKind()) {
      Fail(record.line, column,
           Format("Das Produkt hat kein %s; der Wert „%s“ kann keinem Attribut gehören.",
                  std::string(ColumnDef(kindColumn).header), std::string(name)));
      return;
    }
    *value = ValueFor(kind, name);
  }
  for (auto [column, field] : {std::pair{C::Weight, &row.Weight}, std::pair{C::Shipping, &row.Shipping},
                               std::pair{C::MPrice, &row.MPrice}, std::pair{C::SPrice, &row.SPrice}})
    if (!Empty(record, column)) *field = *ParseNumber(Cell(record, column));
  if (!Empty(record, C::ItemAvailable)) row.Available = *ParseFlag(Cell(record, C::ItemAvailable));
  RecordCounts& counts = report_.items;
  if (!found) {
    rules_->Add(row);
    ++counts.added;
  } else if (!SameItem(row, before)) {
    UpdateRow(*itemSet_, row);
    ++counts.changed;
  } else {
    ++counts.unchanged;
  }
}

bool Importer::Picture(const CsvRecord& record, C column, ShopSubfolder folder, std::string_view pattern,
                       int32_t id) {
  if (!Has(column)) return false;
  const std::string_view cell = Cell(record, column);
  const std::optional<fs::path> current = RecordPicture(Folder(folder), pattern, id);
  if (Trim(cell).empty()) {
    if (!current) return false;
    pictureOps_.push_back({folder, pattern, id, {}, {}});
    return true;
  }
  const fs::path& source = picturePaths_.at(std::string(cell));
  if (current && SameFileContent(*current, source)) return false;
  pictureOps_.push_back({folder, pattern, id, source, {}});
  return true;
}

// Copies every new picture beside its target before the commit: a copy that fails
// then still leaves everything as it was.
bool Importer::StagePictures() {
  for (PictureOp& op : pictureOps_) {
    if (op.source.empty()) continue;
    std::string extension = op.source.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    op.staged = paths_.Subfolder(op.folder) / (".import-" + ImageBaseName(op.pattern, op.id) + extension);
    std::error_code ec;
    fs::copy_file(op.source, op.staged, fs::copy_options::overwrite_existing, ec);
    if (ec) {
      Fail(0, std::nullopt,
           Format("Das Bild „%s“ konnte nicht in den Shop kopiert werden: %s", op.source.string(), ec.message()));
      return false;
    }
  }
  return true;
}

void Importer::DropStaged() {
  std::error_code ec;
  for (const PictureOp& op : pictureOps_)
    if (!op.staged.empty()) fs::remove(op.staged, ec);
}

void Importer::RemoveFiles(ShopSubfolder which, std::string_view pattern, int32_t id) {
  PictureFolder& folder = Folder(which);
  const std::vector<std::string> names = folder.FilesNamed(ImageBaseName(pattern, id));
  std::error_code ec;
  for (const std::string& name : names)
    if (fs::remove(folder.Path() / name, ec)) folder.Removed(name);
}

void Importer::PlacePictures() {
  for (int32_t id : removedCategories_) {
    RemoveFiles(ShopSubfolder::Cats, kButtonPattern, id);
    RemoveFiles(ShopSubfolder::Cats, kHeaderPattern, id);
  }
  for (int32_t id : removedLines_) {
    RemoveFiles(ShopSubfolder::Lines, kButtonPattern, id);
    RemoveFiles(ShopSubfolder::Lines, kHeaderPattern, id);
  }
  for (int32_t id : removedProducts_) {
    RemoveFiles(ShopSubfolder::Prods, kImagePattern, id);
    RemoveFiles(ShopSubfolder::Thumbs, kImagePattern, id);
  }
  for (const PictureOp& op : pictureOps_) {
    RemoveFiles(op.folder, op.pattern, op.id);
    // A changed product picture makes the next run build its thumbnail again.
    if (op.folder == ShopSubfolder::Prods) RemoveFiles(ShopSubfolder::Thumbs, kImagePattern, op.id);
    if (op.staged.empty()) continue;
    const std::string name = ImageBaseName(op.pattern, op.id) + op.staged.extension().string();
    const fs::path target = paths_.Subfolder(op.folder) / name;
    std::error_code ec;
    fs::rename(op.staged, target, ec);
    if (ec) {
      Warn(Format("Das Bild „%s“ konnte nicht nach „%s“ gelegt werden: %s", op.source.string(), target.string(),
                  ec.message()));
      continue;
    }
    Folder(op.folder).Added(name);
    fs::last_write_time(target, fs::file_time_type::clock::now(), ec);
    fs::permissions(target, fs::perms::owner_write, fs::perm_options::add, ec);
  }
}

}  // namespace

std::string ImportProblem::Text() const {
  if (line > 0 && !column.empty()) return Format("Zeile %d, Spalte „%s“: %s", line, column, reason);
  if (line > 0) return Format("Zeile %d: %s", line, reason);
  return reason;
}

CatalogueImportReport ImportCatalogue(ShopDatabase& db, const ShopPaths& paths, const fs::path& file,
                                      const CatalogueImportOptions& options, ProgressSink* progress) {
  return Importer(db, paths, file, options, progress).Run();
}

}  // namespace vendora
