// The typed rows and the schema spell every field name twice; a row that binds a name
// the table lacks, or a member of the wrong kind, would read or write the wrong column
// (or none) without any other test noticing. Full rows must bind every field of their
// table in the table's order; projections bind a subset.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "shopdb/rows.h"
#include "shopdb/schema.h"

using namespace vendora;

namespace {

template <class T>
bool Fits(FieldType type) {
  if constexpr (std::is_same_v<T, std::string>) return type == FieldType::Text || type == FieldType::Memo;
  else if constexpr (std::is_same_v<T, bool>) return type == FieldType::Boolean;
  else if constexpr (std::is_same_v<T, float>) return type == FieldType::Single;
  else if constexpr (std::is_same_v<T, int32_t> || std::is_same_v<T, std::optional<int32_t>>)
    return type == FieldType::Long || type == FieldType::AutoNumber;
  else return false;
}

// The bound names of a row type, checked one by one against its table.
template <class Row>
std::vector<std::string> CheckBindings(std::vector<std::string>& problems) {
  using Traits = RowTraits<Row>;
  const TableDef& table = ShopTable(Traits::kTable);
  std::vector<std::string> names;
  std::apply(
      [&](const auto&... field) {
        (
            [&] {
              using Member = std::remove_cvref_t<decltype(std::declval<Row&>().*(field.member))>;
              names.emplace_back(field.name);
              const FieldDef* def = table.Field(field.name);
              if (!def) problems.push_back(std::string(table.name) + "." + std::string(field.name) + " does not exist");
              else if (!Fits<Member>(def->type))
                problems.push_back(std::string(table.name) + "." + std::string(field.name) + " has another type");
            }(),
            ...);
      },
      Traits::kFields);
  return names;
}

std::vector<std::string> covered;

template <class Row>
void ExpectFullRow(std::vector<std::string>& problems) {
  covered.emplace_back(RowTraits<Row>::kTable);
  const std::vector<std::string> bound = CheckBindings<Row>(problems);
  std::vector<std::string> fields;
  for (const FieldDef& f : ShopTable(RowTraits<Row>::kTable).fields) fields.emplace_back(f.name);
  EXPECT_EQ(bound, fields) << RowTraits<Row>::kTable;
}

}  // namespace

TEST(RowFields, EveryFullRowBindsItsTableFieldForFieldInOrder) {
  std::vector<std::string> problems;
  ExpectFullRow<CategoriesRow>(problems);
  ExpectFullRow<CompanyRow>(problems);
  ExpectFullRow<CreditCardsRow>(problems);
  ExpectFullRow<DiscountRow>(problems);
  ExpectFullRow<FtpServerRow>(problems);
  ExpectFullRow<GiftWrapsRow>(problems);
  ExpectFullRow<IndexRow>(problems);
  ExpectFullRow<InterfacesRow>(problems);
  ExpectFullRow<ItemsRow>(problems);
  ExpectFullRow<LanguageRow>(problems);
  ExpectFullRow<LinesRow>(problems);
  ExpectFullRow<MainAttributesRow>(problems);
  ExpectFullRow<OptionsRow>(problems);
  ExpectFullRow<PasswordRow>(problems);
  ExpectFullRow<PayvaneRow>(problems);
  ExpectFullRow<PaymentsRow>(problems);
  ExpectFullRow<ProdLinesRow>(problems);
  ExpectFullRow<ProductsRow>(problems);
  ExpectFullRow<ShipChargesRow>(problems);
  ExpectFullRow<ShippingRow>(problems);
  ExpectFullRow<SubAttributesRow>(problems);
  ExpectFullRow<TaxesByAreaRow>(problems);
  ExpectFullRow<TaxesByTypeRow>(problems);
  ExpectFullRow<TextBlocksRow>(problems);
  ExpectFullRow<WebServerRow>(problems);
  // Projections read a few fields of a table.
  CheckBindings<ItemIdRow>(problems);
  CheckBindings<LangIdRow>(problems);
  // The version table is read in two halves, each with its own null rule.
  CheckBindings<VersionRow>(problems);
  covered.emplace_back("Version");
  CheckBindings<ProdLineLineIdRow>(problems);
  CheckBindings<ProductWalkRow>(problems);
  CheckBindings<ProductIdsRow>(problems);
  EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
  // A table added to the schema needs its row here.
  std::vector<std::string> tables;
  for (const TableDef& t : ShopTables()) tables.emplace_back(t.name);
  std::sort(tables.begin(), tables.end());
  std::sort(covered.begin(), covered.end());
  EXPECT_EQ(covered, tables);
}
