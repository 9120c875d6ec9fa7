#include "csv/csv_columns.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "common/text_util.h"
#include "imaging/image_format.h"
#include "imaging/image_refs.h"

namespace vendora {

namespace {

using enum CsvColumn;
using enum CellKind;

constexpr std::array<CsvColumnDef, kCsvColumnCount> kColumns = {{
    {CategoryName, "Kategorie", Text, 64, "Name der Kategorie (Pflicht in jeder Zeile)"},
    {CategoryOrder, "Kategorie-Reihenfolge", Whole, 0, "Position der Kategorie (ganze Zahl)"},
    {CategoryDescription, "Kategorie-Beschreibung", Text, kMaxMemoLength, "Beschreibung der Kategorie"},
    {CategoryIncluded, "Kategorie veröffentlicht", Flag, 0, "ja/nein: Kategorie wird veröffentlicht"},
    {CategoryButton, "Kategorie-Bild Schaltfläche", Picture, 0,
     "Bilddatei der Schaltfläche (im Bilderordner, leer: kein Bild)"},
    {CategoryHeading, "Kategorie-Bild Überschrift", Picture, 0,
     "Bilddatei der Überschrift (im Bilderordner, leer: kein Bild)"},
    {ProductName, "Produkt", Text, 64, "Name des Produkts (leer: Zeile nur für die Kategorie)"},
    {ProductOrder, "Produkt-Reihenfolge", Whole, 0, "Position in der Kategorie (ganze Zahl)"},
    {ShortDesc, "Kurzbeschreibung", Text, 255, "Kurzbeschreibung (bis 255 Zeichen)"},
    {LongDesc, "Langbeschreibung", Text, kMaxMemoLength, "Langbeschreibung"},
    {TaxType, "Steuerart", Reference, 64, "Name der Steuerart (leer: keine Angabe)"},
    {TaxRate, "Steuersatz", Number, 0, "Satz einer neu anzulegenden Steuerart in Prozent"},
    {IndexEntry, "Indexeintrag", Reference, 64, "Name des Indexeintrags (leer: nicht indizieren)"},
    {Kind1, "Attribut 1", Reference, 64, "Name des ersten Attributs, z. B. Größe (leer: keins)"},
    {Kind2, "Attribut 2", Reference, 64, "Name des zweiten Attributs, z. B. Farbe (leer: keins)"},
    {ProductAvailable, "Produkt veröffentlicht", Flag, 0, "ja/nein: Produkt wird veröffentlicht"},
    {ProductLines, "Produktlinien", Lines, 64, "Produktlinien, getrennt durch |"},
    {ProductPicture, "Produktbild", Picture, 0, "Bilddatei des Produkts (im Bilderordner, leer: kein Bild)"},
    {ItemNumber, "Artikelnummer", Text, 64, "Artikelnummer (leer: Zeile nur für das Produkt)"},
    {Value1, "Attributwert 1", Reference, 64, "Wert des ersten Attributs, z. B. Groß"},
    {Value2, "Attributwert 2", Reference, 64, "Wert des zweiten Attributs, z. B. Grün"},
    {Weight, "Gewicht", Number, 0, "Gewicht (Dezimalpunkt oder -komma)"},
    {Shipping, "Versandkosten", Number, 0, "Eigene Versandkosten des Artikels, auf den Cent genau"},
    {MPrice, "Preis", Number, 0, "Preis in der Hauptwährung, auf den Cent genau"},
    {SPrice, "Preis 2. Währung", Number, 0, "Preis in der zweiten Währung, auf den Cent genau"},
    {ItemAvailable, "Artikel veröffentlicht", Flag, 0, "ja/nein: Artikel wird veröffentlicht"},
}};

constexpr std::string_view kFormulaStarts = "=+-@\t\r";

bool StartsFormula(std::string_view text) {
  return !text.empty() && kFormulaStarts.find(text.front()) != std::string_view::npos;
}

bool AllDigits(std::string_view s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

const std::array<CsvColumnDef, kCsvColumnCount>& CsvColumns() { return kColumns; }

const CsvColumnDef& ColumnDef(CsvColumn column) { return kColumns[static_cast<size_t>(column)]; }

std::optional<CsvColumn> ColumnForHeader(std::string_view header) {
  header = Trim(header);
  for (const auto& def : kColumns)
    if (EqualsNoCase(def.header, header)) return def.column;
  return std::nullopt;
}

bool NeedsFormulaGuard(std::string_view text) {
  if (StartsFormula(text)) return true;
  return text.size() >= 2 && text[0] == '\'' && (text[1] == '\'' || StartsFormula(text.substr(1)));
}

std::string NeutraliseFormula(std::string_view text) {
  if (!NeedsFormulaGuard(text)) return std::string(text);
  std::string out = "'";
  out += text;
  return out;
}

std::string_view RestoreFormula(std::string_view cell) {
  if (cell.size() >= 2 && cell[0] == '\'' && (cell[1] == '\'' || StartsFormula(cell.substr(1))))
    cell.remove_prefix(1);
  return cell;
}

std::string_view FlagText(bool value) { return value ? "ja" : "nein"; }

std::optional<bool> ParseFlag(std::string_view cell) {
  cell = Trim(cell);
  for (std::string_view yes : {"ja", "j", "wahr", "true", "1", "x"})
    if (EqualsNoCase(cell, yes)) return true;
  for (std::string_view no : {"nein", "n", "falsch", "false", "0"})
    if (EqualsNoCase(cell, no)) return false;
  return std::nullopt;
}

std::string NumberText(float value, bool decimalComma) {
  if (value == 0) value = 0;  // no "-0"
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  std::string out(buffer, ec == std::errc() ? end : buffer);
  if (decimalComma)
    for (char& c : out)
      if (c == '.') c = ',';
  return out;
}

static std::optional<std::string> PlainNumberWith(std::string_view cell, char decimalMark) {
  const char groupMark = decimalMark == ',' ? '.' : ',';
  std::string plain;
  if (!cell.empty() && (cell.front() == '-' || cell.front() == '+')) {
    if (cell.front() == '-') plain += '-';
    cell.remove_prefix(1);
  }
  const size_t mark = cell.find(decimalMark);
  std::string_view whole = cell.substr(0, mark);
  const std::string_view fraction = mark == std::string_view::npos ? std::string_view() : cell.substr(mark + 1);
  if (mark != std::string_view::npos && !AllDigits(fraction)) return std::nullopt;
  if (whole.find(groupMark) != std::string_view::npos) {
    // Thousands in threes: "1.234.567" but not "1.23" or ".234".
    size_t start = 0;
    bool first = true;
    while (true) {
      const size_t next = whole.find(groupMark, start);
      const std::string_view group = whole.substr(start, next - start);
      if (!AllDigits(group) || (first ? group.size() > 3 : group.size() != 3)) return std::nullopt;
      plain += group;
      first = false;
      if (next == std::string_view::npos) break;
      start = next + 1;
    }
  } else {
    if (!whole.empty() && !AllDigits(whole)) return std::nullopt;
    if (whole.empty() && fraction.empty()) return std::nullopt;
    plain += whole.empty() ? "0" : whole;
  }
  if (!fraction.empty()) plain += "." + std::string(fraction);
  return plain;
}

std::optional<std::string> PlainNumber(std::string_view cell) {
  cell = Trim(cell);
  const auto commas = std::count(cell.begin(), cell.end(), ',');
  const auto points = std::count(cell.begin(), cell.end(), '.');
  // The mark that comes last, or stands alone, is the decimal one; a mark that comes
  // more than once groups thousands.
  char decimalMark = ',';
  if (commas && points) decimalMark = cell.rfind(',') > cell.rfind('.') ? ',' : '.';
  else if (points == 1 || commas > 1) decimalMark = '.';
  return PlainNumberWith(cell, decimalMark);
}

std::optional<float> ParseNumber(std::string_view cell) {
  const std::optional<std::string> plain = PlainNumber(cell);
  if (!plain) return std::nullopt;
  float value = 0;
  const auto [end, ec] = std::from_chars(plain->data(), plain->data() + plain->size(), value);
  if (ec != std::errc() || end != plain->data() + plain->size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<int32_t> ParseWhole(std::string_view cell) {
  cell = Trim(cell);
  if (!cell.empty() && cell.front() == '+') cell.remove_prefix(1);
  int32_t value = 0;
  const auto [end, ec] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
  if (cell.empty() || ec != std::errc() || end != cell.data() + cell.size()) return std::nullopt;
  return value;
}

std::string JoinLineNames(const std::vector<std::string>& names) {
  std::string out;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i) out += '|';
    for (char c : names[i]) {
      if (c == '|' || c == '\\') out += '\\';
      out += c;
    }
  }
  return out;
}

std::vector<std::string> SplitLineNames(std::string_view cell) {
  std::vector<std::string> names;
  std::string current;
  for (size_t i = 0; i < cell.size(); ++i) {
    const char c = cell[i];
    if (c == '\\' && i + 1 < cell.size() && (cell[i + 1] == '|' || cell[i + 1] == '\\')) {
      current += cell[++i];
    } else if (c == '|') {
      if (!Trim(current).empty()) names.emplace_back(Trim(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!Trim(current).empty()) names.emplace_back(Trim(current));
  return names;
}

std::filesystem::path PictureFolderOf(const std::filesystem::path& file) {
  return file.parent_path() / (file.stem().string() + "-Bilder");
}

std::optional<std::filesystem::path> RecordPicture(PictureFolder& folder, std::string_view pattern, int32_t id) {
  for (const auto& name : folder.FilesNamed(ImageBaseName(pattern, id)))
    if (FormatFromFileName(name) != ImageFormat::None) return folder.Path() / name;
  return std::nullopt;
}

}  // namespace vendora
