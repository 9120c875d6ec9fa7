#include <gtest/gtest.h>

#include "csv/csv_columns.h"
#include "csv/csv_reader.h"

namespace vendora {
namespace {

TEST(CsvCells, NumbersReadAsSpreadsheetsWriteThem) {
  const struct {
    const char* cell;
    std::optional<float> value;
  } cases[] = {
      {"12,50", 12.5f},       {"12.50", 12.5f},        {" 7 ", 7.0f},         {"1.234,56", 1234.56f},
      {"1,234.56", 1234.56f}, {"1.234.567", 1234567.f}, {"0,1", 0.1f},        {",5", 0.5f},
      {"-3,5", -3.5f},        {"abc", std::nullopt},   {"", std::nullopt},    {"1.23.4", std::nullopt},
      {"12,34,5", std::nullopt}, {"1e5", std::nullopt}, {"1,5 €", std::nullopt}, {"1e39", std::nullopt},
      {"99999999999999999999999999999999999999999", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseNumber(c.cell), c.value) << c.cell;

  // Written with the shortest text that reads back as the same Single.
  EXPECT_EQ(NumberText(4.95f, false), "4.95");
  EXPECT_EQ(NumberText(4.95f, true), "4,95");
  EXPECT_EQ(NumberText(1234567.0f, false), "1234567");
  EXPECT_EQ(NumberText(-0.0f, false), "0");
  for (float v : {0.1f, 5.35f, 19.0f, 1e-3f, 3.4e38f}) EXPECT_EQ(ParseNumber(NumberText(v, true)), v);

  EXPECT_EQ(ParseWhole(" 42 "), 42);
  EXPECT_EQ(ParseWhole("-1"), -1);
  EXPECT_EQ(ParseWhole("2147483648"), std::nullopt);
  EXPECT_EQ(ParseWhole("4,0"), std::nullopt);
  EXPECT_EQ(ParseFlag("Ja"), true);
  EXPECT_EQ(ParseFlag("x"), true);
  EXPECT_EQ(ParseFlag("NEIN"), false);
  EXPECT_EQ(ParseFlag("vielleicht"), std::nullopt);
}

TEST(CsvCells, FormulasAreNeutralisedAndRestoredExactly) {
  const struct {
    const char* text;
    const char* written;
  } cases[] = {
      {"=SUMME(A1:A9)", "'=SUMME(A1:A9)"}, {"+49 761 123", "'+49 761 123"}, {"-20 % Rabatt", "'-20 % Rabatt"},
      {"@Sonder", "'@Sonder"},             {"'=x", "''=x"},                 {"''a", "'''a"},
      {"'Tis", "'Tis"},                    {"Preis=5", "Preis=5"},          {"", ""},
      {"\tEingerückt", "'\tEingerückt"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NeutraliseFormula(c.text), c.written) << c.text;
    EXPECT_EQ(RestoreFormula(NeutraliseFormula(c.text)), c.text) << c.text;
  }
}

TEST(CsvCells, LineNamesKeepTheirSeparatorInside) {
  const std::vector<std::string> names = {"Sommer|Winter", "C:\\Profis", "Neu"};
  EXPECT_EQ(JoinLineNames(names), "Sommer\\|Winter|C:\\\\Profis|Neu");
  EXPECT_EQ(SplitLineNames(JoinLineNames(names)), names);
  EXPECT_EQ(SplitLineNames(" Sommer | Profis |"), (std::vector<std::string>{"Sommer", "Profis"}));
  EXPECT_TRUE(SplitLineNames("  ").empty());
  EXPECT_EQ(ColumnForHeader("  preis 2. währung "), CsvColumn::SPrice);
  EXPECT_EQ(ColumnForHeader("Preis2"), std::nullopt);
}

TEST(CsvReading, TextIsUtf8OrWindows1252AndNothingElse) {
  CsvEncoding encoding;
  EXPECT_EQ(DecodeCsvBytes("\xEF\xBB\xBF" "Gr\xC3\xB6\xC3\x9F" "e", encoding).value(), "Größe");
  EXPECT_EQ(encoding, CsvEncoding::Utf8WithBom);
  EXPECT_EQ(DecodeCsvBytes("Gr\xC3\xB6\xC3\x9F" "e", encoding).value(), "Größe");
  EXPECT_EQ(encoding, CsvEncoding::Utf8);
  EXPECT_EQ(DecodeCsvBytes("Gr\xF6\xDF" "e \x80 \x84x\x93", encoding).value(), "Größe € „x“");
  EXPECT_EQ(encoding, CsvEncoding::Windows1252);

  const struct {
    std::string bytes;
    const char* reason;
  } bad[] = {
      {"", "Die Datei ist leer."},
      {"\xEF\xBB\xBF \r\n\r\n", "Die Datei ist leer."},
      {std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), "Die Datei ist keine Textdatei."},
      {"\xFF\xFEK\0a\0", "Die Datei ist in UTF-16 gespeichert. Bitte speichern Sie sie als CSV in UTF-8 oder "
                         "Windows-1252."},
      {"\xEF\xBB\xBF" "a\nb\nGr\xF6\xDF" "e",
       "Die Datei ist als UTF-8 gekennzeichnet, enthält aber in Zeile 3 Zeichen, die kein UTF-8 sind."},
  };
  for (const auto& c : bad) {
    const Result<std::string> text = DecodeCsvBytes(c.bytes, encoding);
    EXPECT_FALSE(text.ok());
    EXPECT_EQ(text.message(), c.reason);
  }
  EXPECT_EQ(DetectDelimiter("Kategorie;Produkt;Preis\n1,5"), ';');
  EXPECT_EQ(DetectDelimiter("\"a;b\",Produkt,Preis\n"), ',');
}

std::vector<CsvRecord> Parse(std::string_view text, std::optional<CsvParseFailure>& failure) {
  std::vector<CsvRecord> records;
  failure = ParseCsv(text, ';', [&](const CsvRecord& r) { records.push_back(r); });
  return records;
}

TEST(CsvReading, RecordsKnowTheLineTheyStartOn) {
  std::optional<CsvParseFailure> failure;
  const auto records = Parse("a;b\r\n\r\n\"x\r\ny\";\"\"\"q\"\"\"\n  c ; \" d \"\nlast;", failure);
  EXPECT_FALSE(failure);
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].line, 1);
  EXPECT_EQ(records[1].line, 3);
  EXPECT_EQ(records[1].fields, (std::vector<std::string>{"x\r\ny", "\"q\""}));
  EXPECT_EQ(records[2].line, 5);
  EXPECT_EQ(records[2].fields, (std::vector<std::string>{"c", " d "}));
  EXPECT_EQ(records[3].line, 6);
  EXPECT_EQ(records[3].fields, (std::vector<std::string>{"last", ""}));

  // A quote in the wrong place, and one still open at the end, name their line.
  Parse("a;b\nc;\"d\"e\n", failure);
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->line, 2);
  const auto read = Parse("a;b\nc;d\n\n\"offen;\nweiter\n", failure);
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->line, 4);
  EXPECT_EQ(failure->reason, "Ein Anführungszeichen wird bis zum Ende der Datei nicht geschlossen.");
  EXPECT_EQ(read.size(), 2u);

  // A field of ten megabytes is read whole.
  const std::string big(10 << 20, 'x');
  const auto huge = Parse("a;\"" + big + "\"\n", failure);
  EXPECT_FALSE(failure);
  ASSERT_EQ(huge.size(), 1u);
  EXPECT_EQ(huge[0].fields[1].size(), big.size());
}

}  // namespace
}  // namespace vendora
