#pragma once
// Creating a shop database from the built-in description and bringing an older one up
// to date. Both work on an open ShopDatabase and never remove rows from existing tables.
#include <string>
#include <vector>

#include "shopdb/database.h"

namespace vendora {

struct SchemaReport {
  bool ok = true;
  std::vector<std::string> failures;  // one German line per table, index, relation or field that failed
};

// Creates every missing table (with its fields, indexes and relations) and, when
// nothing failed, writes the version row with `versionNumber`. The language is left
// unset (null reads as the any-language marker; opening writes the program's).
// Existing tables keep their rows; a missing relation on an existing table is added
// by rebuilding that table with its rows.
SchemaReport CreateShopSchema(ShopDatabase& db, int versionNumber);

// Applies the upgrade steps of older files (missing fields and tables, the Long type of
// FtpServer.ProxyType) and writes `versionNumber`. A field that cannot be added is
// reported and skipped; the version is written all the same.
SchemaReport UpgradeShopSchema(ShopDatabase& db, int versionNumber);

// Adds the fields this program brought in without a new version number (FtpServer.
// UseTls off, FtpServer.TlsFingerprint empty, FtpServer.Protocol from UseTls and
// FtpServer.SftpPort 22, Payvane.SealKey empty, TextBlocks.Privacy
// and Withdrawal empty), so that files already at the program's
// version get them too. Part of UpgradeShopSchema; called on every other opening.
SchemaReport AddLaterProgramFields(ShopDatabase& db);

// What the engine reports about a table.
struct ColumnInfo {
  std::string name;
  std::string sqlType;
  bool notNull = false;
  bool primaryKey = false;
};
struct ForeignKeyInfo {
  std::string referredTable, referredField, referringField;
  bool cascadeUpdate = false, cascadeDelete = false;
};
std::vector<ColumnInfo> ReadColumns(ShopDatabase& db, std::string_view table);
std::vector<ForeignKeyInfo> ReadForeignKeys(ShopDatabase& db, std::string_view table);
std::vector<std::string> ReadIndexNames(ShopDatabase& db, std::string_view table);

// Throws DbError naming the first table of the description that the file lacks.
void RequireShopTables(ShopDatabase& db);

// Number of rows of a table (for overviews); -1 when the table is missing.
long TableRowCount(ShopDatabase& db, std::string_view table);

// The stored program version: the `Version` of the only row of table Version, 0 when
// the table is missing or does not hold exactly one row.
int ReadStoredVersion(ShopDatabase& db);

}  // namespace vendora
