#include "csv/catalogue_export.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/file_write.h"
#include "common/text_format.h"
#include "csv/csv_columns.h"
#include "common/log.h"
#include "imaging/image_refs.h"
#include "shopdb/recordsets.h"

namespace vendora {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// Names this export gives its pictures: "kategorie3_schaltflaeche.png", "produkt17.jpg".
bool IsExportPictureName(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  std::string_view base = name.substr(0, dot);
  for (std::string_view suffix : {"_schaltflaeche", "_ueberschrift"})
    if (base.starts_with("kategorie") && base.ends_with(suffix)) {
      base = base.substr(9, base.size() - 9 - suffix.size());
      return !base.empty() && base.find_first_not_of("0123456789") == std::string_view::npos;
    }
  if (!base.starts_with("produkt")) return false;
  base.remove_prefix(7);
  return !base.empty() && base.find_first_not_of("0123456789") == std::string_view::npos;
}

class RowWriter {
 public:
  RowWriter(char delimiter, bool decimalComma)
      : delimiter_(delimiter), decimalComma_(decimalComma), specials_{delimiter, '"', '\r', '\n'} {
    out_ = kUtf8Bom;
  }

  void Text(std::string_view text) {
    if (NeedsFormulaGuard(text)) Field(NeutraliseFormula(text));
    else Field(text);
  }
  void Number(float value) { Field(NumberText(value, decimalComma_)); }
  void Whole(int32_t value) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    Field(std::string_view(digits, static_cast<size_t>(end - digits)));
  }
  void Flag(bool value) { Field(FlagText(value)); }
  void Empty(size_t count) {
    for (size_t i = 0; i < count; ++i) Field({});
  }
  void EndRow() {
    out_ += "\r\n";
    first_ = true;
  }
  std::string& Bytes() { return out_; }

 private:
  void Field(std::string_view field) {
    if (!first_) out_ += delimiter_;
    first_ = false;
    // Quoted when a reader would otherwise split it, or drop its surrounding blanks.
    const bool quote = field.find_first_of(specials_) != std::string_view::npos ||
                       (!field.empty() && (field.front() == ' ' || field.front() == '\t' || field.back() == ' ' ||
                                           field.back() == '\t'));
    if (!quote) {
      out_ += field;
      return;
    }
    out_ += '"';
    for (char c : field) {
      if (c == '"') out_ += '"';
      out_ += c;
    }
    out_ += '"';
  }

  std::string out_;
  char delimiter_;
  bool decimalComma_;
  std::string specials_;  // what makes a field need quotes
  bool first_ = true;
};

class Exporter {
 public:
  Exporter(ShopDatabase& db, const ShopPaths& paths, const fs::path& file, const CatalogueExportOptions& options,
           ProgressSink* progress)
      : db_(db),
        file_(file),
        options_(options),
        progress_(progress),
        writer_(options.delimiter, options.decimalComma),
        cats_(paths.Subfolder(ShopSubfolder::Cats)),
        prods_(paths.Subfolder(ShopSubfolder::Prods)) {
    report_.pictureFolder = PictureFolderOf(file);
  }

  CatalogueExportReport Run();

 private:
  void Load();
  void RemoveStalePictures();
  std::string ExportPicture(PictureFolder& folder, std::string_view pattern, int32_t id, const std::string& name);
  const std::string& NameOf(const std::unordered_map<int32_t, std::string>& names, int32_t id) const;

  ShopDatabase& db_;
  fs::path file_;
  CatalogueExportOptions options_;
  ProgressSink* progress_;
  CatalogueExportReport report_;
  RowWriter writer_;
  PictureFolder cats_, prods_;
  bool pictureFolderMade_ = false;
  std::unordered_set<std::string> written_;  // picture file names of this export

  std::vector<CategoriesRow> categories_;
  std::unordered_map<int32_t, std::vector<ProductsRow>> products_;
  std::unordered_map<int32_t, std::vector<ItemsRow>> items_;
  std::unordered_map<int32_t, std::string> kinds_, values_, index_, lines_, taxNames_;
  std::unordered_map<int32_t, float> taxRates_;
  std::unordered_map<int32_t, std::vector<int32_t>> memberships_;
  size_t productCount_ = 0;
};

void Exporter::Load() {
  // Sentinel rows stand for "none" and are written as empty cells.
  auto named = [](std::unordered_map<int32_t, std::string>& map, int32_t id, const std::string& name) {
    if (name != " ") map.emplace(id, name);
  };
  CRecSetMainAttributes kinds(db_);
  kinds.ForEach([&](const MainAttributesRow& r) { named(kinds_, r.ID, r.Name); });
  CRecSetSubAttributes values(db_);
  values.ForEach([&](const SubAttributesRow& r) { named(values_, r.ID, r.Name); });
  CRecSetIndex index(db_);
  index.ForEach([&](const IndexRow& r) { named(index_, r.ID, r.Name); });
  CRecSetLines lines(db_);
  lines.ForEach([&](const LinesRow& r) { lines_.emplace(r.ID, r.Name); });
  CRecSetTaxesByType taxes(db_);
  taxes.ForEach([&](const TaxesByTypeRow& r) {
    if (r.Type == " ") return;
    taxNames_.emplace(r.ID, r.Type);
    taxRates_.emplace(r.ID, r.Rate);
  });
  // A product's lines in the order they were given to it, so that an import of the
  // file gives them in the same order again.
  CRecSetProdLines members(db_);
  members.SetSort("[ID]");
  members.ForEach([&](const ProdLinesRow& r) { memberships_[r.ProductID].push_back(r.LineID); });
  CRecSetCategories categories(db_);
  categories.ForEach([&](const CategoriesRow& r) { categories_.push_back(r); });
  CRecSetProducts products(db_);
  products.SetSort("[CategoryID], [Order]");
  products.ForEach([&](const ProductsRow& r) {
    products_[r.CategoryID].push_back(r);
    ++productCount_;
  });
  CRecSetItems items(db_);
  items.SetSort("[ProductID], [Order]");
  items.ForEach([&](const ItemsRow& r) { items_[r.ProductID].push_back(r); });
}

const std::string& Exporter::NameOf(const std::unordered_map<int32_t, std::string>& names, int32_t id) const {
  static const std::string none;
  auto it = names.find(id);
  return it == names.end() ? none : it->second;
}

// Pictures left by an earlier export to the same file that this one did not write
// would mislead; other files in the folder stay.
void Exporter::RemoveStalePictures() {
  std::error_code ec;
  std::vector<fs::path> stale;
  for (fs::directory_iterator it(report_.pictureFolder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (IsExportPictureName(name) && !written_.contains(name) && it->is_regular_file(ec)) stale.push_back(it->path());
  }
  for (const fs::path& file : stale) fs::remove(file, ec);
}

std::string Exporter::ExportPicture(PictureFolder& folder, std::string_view pattern, int32_t id,
                                    const std::string& name) {
  const std::optional<fs::path> picture = RecordPicture(folder, pattern, id);
  if (!picture) return {};
  std::error_code ec;
  if (!pictureFolderMade_) {
    fs::create_directories(report_.pictureFolder, ec);
    pictureFolderMade_ = true;
  }
  const std::string fileName = name + Lower(picture->extension().string());
  const fs::path target = report_.pictureFolder / fileName;
  written_.insert(fileName);
  ++report_.pictures;
  // Exported again: a link made last time still is the shop's file.
  if (fs::equivalent(*picture, target, ec)) return fileName;
  ec.clear();
  fs::remove(target, ec);
  // A link costs nothing and keeps the shop's file as it is; another file system needs a copy.
  fs::create_hard_link(*picture, target, ec);
  if (ec) {
    ec.clear();
    fs::copy_file(*picture, target, fs::copy_options::overwrite_existing, ec);
  }
  if (ec) {
    report_.status = Status::Error(Format("Das Bild \"%s\" konnte nicht nach \"%s\" kopiert werden: %s",
                                          picture->string(), target.string(), ec.message()));
    return {};
  }
  return fileName;
}

CatalogueExportReport Exporter::Run() {
  std::error_code ec;
  const fs::path folder = file_.parent_path().empty() ? fs::path(".") : file_.parent_path();
  if (!fs::is_directory(folder, ec)) {
    report_.status = Status::Error(Format("Der Ordner \"%s\" ist nicht vorhanden.", folder.string()));
    return report_;
  }
  Load();
  for (const CsvColumnDef& def : CsvColumns()) writer_.Text(def.header);
  writer_.EndRow();

  constexpr size_t kProductColumns = 12, kItemColumns = 8;
  size_t productsDone = 0;
  int lastPercent = -1;
  for (const CategoriesRow& c : categories_) {
    ++report_.categories;
    const std::string number = std::to_string(report_.categories);
    const std::string button = ExportPicture(cats_, kButtonPattern, c.ID, "kategorie" + number + "_schaltflaeche");
    const std::string heading = ExportPicture(cats_, kHeaderPattern, c.ID, "kategorie" + number + "_ueberschrift");
    auto category = [&] {
      writer_.Text(c.Name);
      writer_.Whole(c.Order);
      writer_.Text(c.Description);
      writer_.Flag(c.Include);
      writer_.Text(button);
      writer_.Text(heading);
    };
    const auto products = products_.find(c.ID);
    if (products == products_.end()) {
      category();
      writer_.Empty(kProductColumns + kItemColumns);
      writer_.EndRow();
      continue;
    }
    for (const ProductsRow& p : products->second) {
      ++report_.products;
      const std::string picture = ExportPicture(prods_, kImagePattern, p.ID, "produkt" + std::to_string(report_.products));
      std::vector<std::string> lineNames;
      if (auto m = memberships_.find(p.ID); m != memberships_.end())
        for (int32_t line : m->second) lineNames.push_back(NameOf(lines_, line));
      const std::string lines = JoinLineNames(lineNames);
      auto product = [&] {
        category();
        writer_.Text(p.Name);
        writer_.Whole(p.Order);
        writer_.Text(p.ShortDesc);
        writer_.Text(p.LongDesc);
        writer_.Text(NameOf(taxNames_, p.TaxID));
        if (auto rate = taxRates_.find(p.TaxID); rate != taxRates_.end()) writer_.Number(rate->second);
        else writer_.Empty(1);
        writer_.Text(p.IndexID ? std::string_view(NameOf(index_, *p.IndexID)) : std::string_view());
        writer_.Text(NameOf(kinds_, p.AttributeID1));
        writer_.Text(NameOf(kinds_, p.AttributeID2));
        writer_.Flag(p.Available);
        writer_.Text(lines);
        writer_.Text(picture);
      };
      const auto items = items_.find(p.ID);
      if (items == items_.end()) {
        product();
        writer_.Empty(kItemColumns);
        writer_.EndRow();
      } else {
        for (const ItemsRow& i : items->second) {
          ++report_.items;
          product();
          writer_.Text(i.ItemNumber);
          writer_.Text(NameOf(values_, i.SubAttrID1));
          writer_.Text(NameOf(values_, i.SubAttrID2));
          writer_.Number(i.Weight);
          writer_.Number(i.Shipping);
          writer_.Number(i.MPrice);
          writer_.Number(i.SPrice);
          writer_.Flag(i.Available);
          writer_.EndRow();
        }
      }
      const int percent = static_cast<int>(++productsDone * 100 / std::max<size_t>(productCount_, 1));
      if (progress_ && percent != lastPercent) progress_->SetProgress(0, 100, lastPercent = percent);
    }
  }
  if (!report_.status.ok()) return report_;
  RemoveStalePictures();
  if (!ReplaceFileContent(file_, writer_.Bytes())) {
    report_.status = Status::Error(Format("Die Datei \"%s\" konnte nicht geschrieben werden.", file_.string()));
  }
  if (report_.pictures == 0) report_.pictureFolder.clear();
  return report_;
}

}  // namespace

CatalogueExportReport ExportCatalogue(ShopDatabase& db, const ShopPaths& paths, const fs::path& file,
                                      const CatalogueExportOptions& options, ProgressSink* progress) {
  return Exporter(db, paths, file, options, progress).Run();
}

std::string ExportSummaryText(const CatalogueExportReport& report, const std::filesystem::path& file) {
  std::string text = Format("Der Katalog wurde in \"%s\" geschrieben: %d Kategorien, %d Produkte, %d Artikel.",
                            file.string(), report.categories, report.products, report.items) +
                     "\n";
  if (report.pictures > 0)
    text += Format("%d Bilder liegen in \"%s\".", report.pictures, report.pictureFolder.string()) + "\n";
  return text;
}

}  // namespace vendora
