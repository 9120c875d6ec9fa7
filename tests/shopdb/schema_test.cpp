#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "shopdb/recordsets.h"
#include "shopdb/schema.h"
#include "shopdb/schema_builder.h"
#include "support/test_support.h"

namespace vendora {
namespace {

using test::TempDir;

std::string CreateSql(ShopDatabase& db, std::string_view table) {
  auto stmt = db.Prepare("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?");
  stmt->bind(1, std::string(table));
  return stmt->executeStep() ? stmt->getColumn(0).getString() : std::string();
}

TEST(ShopSchema, DescriptionHas26TablesAnd14Relations) {
  ASSERT_EQ(ShopTables().size(), 26u);
  ASSERT_EQ(ShopRelations().size(), 14u);
  EXPECT_EQ(ShopTables().front().name, "Version");
  EXPECT_EQ(ShopTables().back().name, "Password");
  EXPECT_EQ(ShopTable("Interfaces").fields.size(), 30u);
  EXPECT_EQ(ShopTable("Options").fields.size(), 29u);
  EXPECT_EQ(ShopTable("Company").fields.size(), 21u);
  EXPECT_EQ(ShopTable("FtpServer").fields.size(), 17u);
  EXPECT_EQ(ShopTable("Products").fields.size(), 14u);
  EXPECT_EQ(ShopTable("WebServer").fields.size(), 13u);
  // Every relation connects existing fields.
  for (const auto& r : ShopRelations()) {
    EXPECT_NE(ShopTable(r.referredTable).Field(r.referredField), nullptr) << r.name;
    EXPECT_NE(ShopTable(r.referringTable).Field(r.referringField), nullptr) << r.name;
  }
}

TEST(ShopSchema, CreationMakesEveryTableFieldFlagIndexAndRelation) {
  TempDir dir;
  ShopDatabase db;
  db.OpenOrCreate(dir / "shop.mdb");
  SchemaReport report = CreateShopSchema(db, 150, 1031);
  ASSERT_TRUE(report.ok) << (report.failures.empty() ? "" : report.failures.front());

  for (const TableDef& table : ShopTables()) {
    ASSERT_TRUE(db.TableExists(table.name)) << table.name;
    auto columns = ReadColumns(db, table.name);
    ASSERT_EQ(columns.size(), table.fields.size()) << table.name;
    const std::string sql = CreateSql(db, table.name);
    for (size_t i = 0; i < columns.size(); ++i) {
      const FieldDef& f = table.fields[i];
      EXPECT_EQ(columns[i].name, f.name) << table.name << " field order";
      EXPECT_EQ(columns[i].sqlType, SqlColumnType(f)) << table.name << "." << f.name;
      const bool key = table.PrimaryIndex() && table.PrimaryIndex()->field == f.name;
      EXPECT_EQ(columns[i].notNull, f.required || key) << table.name << "." << f.name;
      EXPECT_EQ(columns[i].primaryKey, key) << table.name << "." << f.name;
    }
    if (const IndexDef* primary = table.PrimaryIndex()) {
      EXPECT_NE(sql.find("CONSTRAINT \"" + std::string(primary->name) + "\" PRIMARY KEY"), std::string::npos)
          << table.name;
    }
  }
  auto prodLineIndexes = ReadIndexNames(db, "ProdLines");
  EXPECT_NE(std::find(prodLineIndexes.begin(), prodLineIndexes.end(), "IdxProdLines1"), prodLineIndexes.end());
  // Walking the children of one parent, and every cascade, uses an index on the
  // referring field.
  for (const auto& r : ShopRelations()) {
    auto plan = db.Prepare("EXPLAIN QUERY PLAN SELECT * FROM " + QuoteIdentifier(r.referringTable) + " WHERE " +
                           QuoteIdentifier(r.referringField) + " = 1");
    std::string detail;
    while (plan->executeStep()) detail += plan->getColumn(3).getString();
    EXPECT_NE(detail.find("USING INDEX"), std::string::npos) << r.name << ": " << detail;
  }
  EXPECT_NE(CreateSql(db, "MainAttributes").find("AUTOINCREMENT"), std::string::npos);
  EXPECT_EQ(CreateSql(db, "Language").find("AUTOINCREMENT"), std::string::npos) << "Language.ID is a plain Long";

  // Every relation is declared on its referring table, with its cascades.
  std::map<std::string, int> declared;
  for (const TableDef& table : ShopTables())
    for (const auto& fk : ReadForeignKeys(db, table.name))
      ++declared[fk.referredTable + "." + fk.referredField + ">" + std::string(table.name) + "." + fk.referringField +
                 (fk.cascadeUpdate ? "U" : "") + (fk.cascadeDelete ? "D" : "")];
  std::map<std::string, int> expected;
  for (const auto& r : ShopRelations())
    ++expected[std::string(r.referredTable) + "." + std::string(r.referredField) + ">" + std::string(r.referringTable) +
               "." + std::string(r.referringField) + (r.cascadeUpdate ? "U" : "") + (r.cascadeDelete ? "D" : "")];
  EXPECT_EQ(declared, expected);

  CRecSetVersion version(db);
  version.Open();
  ASSERT_EQ(version.GetRecordCount(), 1);
  EXPECT_EQ(version->Version, 150);
  CRecSetLangID lang(db);
  lang.Open();
  EXPECT_EQ(lang->LangID, 1031) << "a new shop carries the program's language";
}

TEST(ShopSchema, FieldFlagsAreEnforcedByTheFileItself) {
  // A tool writing straight into the file meets the same rules as the record sets.
  TempDir dir;
  test::CreateShopFile(dir / "shop.mdb");
  SQLite::Database raw((dir / "shop.mdb").string(), SQLite::OPEN_READWRITE);
  EXPECT_THROW(raw.exec("INSERT INTO \"Index\" (\"Name\") VALUES (NULL)"), SQLite::Exception);  // Req
  EXPECT_NO_THROW(raw.exec("INSERT INTO \"Index\" (\"Name\") VALUES ('')"));                      // Empty allowed
  EXPECT_THROW(raw.exec("INSERT INTO \"Categories\" (\"Include\", \"Name\") VALUES (1, '')"), SQLite::Exception);
  EXPECT_THROW(raw.exec("INSERT INTO \"Categories\" (\"Include\", \"Name\") VALUES (1, '" + std::string(65, 'x') + "')"),
               SQLite::Exception);
  EXPECT_NO_THROW(raw.exec("INSERT INTO \"Categories\" (\"Include\", \"Name\") VALUES (1, '" + std::string(64, 'x') + "')"));
}

TEST(ShopSchema, CreationOverAnExistingFileKeepsItsTablesAndRows) {
  TempDir dir;
  const auto path = dir / "old.mdb";
  // A file that holds some tables already, one of them without its relations.
  test::ExecOnFile(path,
                   "CREATE TABLE \"Categories\" (\"ID\" INTEGER PRIMARY KEY AUTOINCREMENT, \"Include\" BOOLEAN NOT NULL,"
                   " \"Name\" VARCHAR(64) NOT NULL, \"Order\" INTEGER, \"Description\" TEXT);"
                   "INSERT INTO \"Categories\" VALUES (7, 1, 'Bücher', 0, 'alt');"
                   "CREATE TABLE \"Lines\" (\"ID\" INTEGER PRIMARY KEY AUTOINCREMENT, \"Name\" VARCHAR(64) NOT NULL,"
                   " \"Order\" INTEGER, \"Include\" BOOLEAN NOT NULL, \"Description\" TEXT);"
                   "INSERT INTO \"Lines\" VALUES (3, 'Sommer', 0, 1, NULL);"
                   "CREATE TABLE \"ProdLines\" (\"ID\" INTEGER PRIMARY KEY AUTOINCREMENT, \"Name\" VARCHAR(64) NOT NULL,"
                   " \"LineID\" INTEGER NOT NULL, \"ProductID\" INTEGER NOT NULL, \"Order\" INTEGER);");
  ShopDatabase db;
  db.OpenOrCreate(path);
  SchemaReport report = CreateShopSchema(db, 150, 1031);
  ASSERT_TRUE(report.ok) << (report.failures.empty() ? "" : report.failures.front());

  CRecSetCategories categories(db);
  categories.Open();
  ASSERT_EQ(categories.GetRecordCount(), 1);
  EXPECT_EQ(categories->ID, 7);
  EXPECT_EQ(categories->Name, "Bücher");
  CRecSetLines lines(db);
  lines.Open();
  ASSERT_EQ(lines.GetRecordCount(), 1);
  EXPECT_EQ(lines->Name, "Sommer");
  EXPECT_EQ(ReadForeignKeys(db, "ProdLines").size(), 2u) << "the missing relations were added";
  EXPECT_TRUE(db.TableExists("Password"));
  EXPECT_TRUE(db.TableExists("Version"));
}

TEST(ShopSchema, ExistingRowsThatBreakARelationFailTheCreation) {
  TempDir dir;
  const auto path = dir / "broken.mdb";
  test::ExecOnFile(path,
                   "CREATE TABLE \"ShipCharges\" (\"ID\" INTEGER PRIMARY KEY AUTOINCREMENT, \"Break\" FLOAT NOT NULL,"
                   " \"Charge\" FLOAT NOT NULL, \"ShippingID\" INTEGER NOT NULL);"
                   "INSERT INTO \"ShipCharges\" VALUES (1, 10, 2.5, 99);");
  ShopDatabase db;
  db.OpenOrCreate(path);
  SchemaReport report = CreateShopSchema(db, 150, 1031);
  EXPECT_FALSE(report.ok);
  EXPECT_EQ(ReadStoredVersion(db), 0) << "no version row after a failed creation";
  EXPECT_EQ(TableRowCount(db, "ShipCharges"), 1) << "the rows stay as they were";
}

}  // namespace
}  // namespace vendora
