#include <gtest/gtest.h>

#include <clocale>

#include "shopdb/db_error.h"
#include "shopdb/field_display.h"
#include "support/test_support.h"

namespace vendora {
namespace {

TEST(DbErrorReport, NamesTheFrameworkNumberCodeAndDescription) {
  EXPECT_EQ(DbErrorReport(DbError(DbFrameworkError::None, 19, "Beschreibung")),
            "NO_AFX_DAO_ERROR\r\n\r\nDAO Fehlernr.: 19\r\n\r\nBeschreibung:\r\nBeschreibung");
  EXPECT_EQ(DbErrorReport(DbError(DbFrameworkError::ObjectNotOpen, 0, "zu")),
            "AFX_DAO_ERROR_OBJECT_NOT_OPEN\r\n\r\nDAO Fehlernr.: 0\r\n\r\nBeschreibung:\r\nzu");
  EXPECT_EQ(DbErrorReport(DbError(DbFrameworkError::FieldBinding, 20, "x")).substr(0, 26), "AFX_DAO_ERROR_DFX_BIND\r\n\r\n");
  EXPECT_EQ(DbErrorReport(DbError(DbFrameworkError::EngineInitialization, 14, "x")).substr(0, 39),
            "AFX_DAO_ERROR_ENGINE_INITIALIZATION\r\n\r\n");
}

TEST(DbErrorReport, EngineErrorsGetGermanDescriptions) {
  DbError notDb = TranslateEngineError(26, "file is not a database");
  // The engine's English stays out of the message, for the details only.
  EXPECT_EQ(notDb.description(), "Die Datei ist keine Shop-Datenbank.");
  EXPECT_EQ(notDb.engineMessage(), "file is not a database");
  EXPECT_EQ(DbErrorReport(notDb), "NO_AFX_DAO_ERROR\r\n\r\nDAO Fehlernr.: 26\r\n\r\nBeschreibung:\r\nDie Datei ist keine Shop-Datenbank.");
  test::ScriptedPrompter prompter;
  ShowDbError(prompter, notDb);
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].title, "Vendora - Fehlermeldung...");
  EXPECT_EQ(prompter.asked()[0].details, "file is not a database") << "shown under Details, apart from the text";
  EXPECT_EQ(prompter.asked()[0].text.find("file is not"), std::string::npos);
  EXPECT_EQ(TranslateEngineError(787, "FOREIGN KEY constraint failed").engineCode(), 787);
  EXPECT_EQ(TranslateEngineError(14, "").framework(), DbFrameworkError::EngineInitialization);
}

TEST(FieldDisplay, ListCellsUseFixedFormatsInEveryLocale) {
  const char* old = std::setlocale(LC_ALL, nullptr);
  std::string saved = old ? old : "C";
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  EXPECT_EQ(FormatFieldValue(DisplayValue{12.5f}), "12.50");
  EXPECT_EQ(FormatFieldValue(DisplayValue{int32_t{-7}}), "-7");
  EXPECT_EQ(FormatFieldValue(DisplayValue{true}), "true");
  EXPECT_EQ(FormatFieldValue(DisplayValue{std::string("Größe")}), "Größe");
  EXPECT_EQ(FormatFieldValue(DisplayValue{ByteValue{'A'}}), "A");
  EXPECT_EQ(FormatFieldValue(DisplayValue{}), "");
  std::setlocale(LC_ALL, saved.c_str());
}

TEST(FieldDisplay, TypedLookupTextIsSearchedAsTextThenNumberThenDecimal) {
  auto all = LookupSearchCriteria("Rate", "16");
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0].ToText(), "[Rate] = '16'");
  EXPECT_EQ(all[1].ToText(), "[Rate] = 16");
  EXPECT_EQ(all[2].ToText(), "[Rate] = 16.00");
  EXPECT_EQ(LookupSearchCriteria("Type", "voll").size(), 1u);
  EXPECT_EQ(LookupSearchCriteria("Rate", "-7.5").size(), 2u);
  EXPECT_EQ(LookupSearchCriteria("Rate", "7,5").size(), 1u) << "a decimal comma does not read as a number";
  EXPECT_EQ(LookupKeyCriteria("ID", DisplayValue{int32_t{4}}).ToText(), "[ID] = 4");
}

}  // namespace
}  // namespace vendora
