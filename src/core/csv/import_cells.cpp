// Reading the file's cells: values as the shop keeps them, the checks of each cell and of pictures named.
#include "csv/importer.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "common/text_format.h"
#include "imaging/image_file.h"
#include "imaging/image_format.h"

namespace vendora::catalogue_import {

namespace {

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
  if (whole.empty()) whole.push_back('0');
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

}  // namespace

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

}  // namespace vendora::catalogue_import
