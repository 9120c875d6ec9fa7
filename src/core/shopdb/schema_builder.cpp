#include "shopdb/schema_builder.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <algorithm>
#include <cctype>

#include "common/text_format.h"
#include "shopdb/db_error.h"
#include "shopdb/recordsets.h"
#include "shopdb/schema.h"

namespace vendora {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

void CreateSecondaryIndexes(ShopDatabase& db, const TableDef& table) {
  for (const auto& index : table.indexes) {
    if (index.primary) continue;
    db.Execute(Format("CREATE %sINDEX IF NOT EXISTS %s ON %s (%s)", index.unique ? "UNIQUE " : "",
                      QuoteIdentifier(index.name), QuoteIdentifier(table.name), QuoteIdentifier(index.field)));
  }
  for (const RelationDef* r : RelationsOfReferringTable(table.name)) {
    bool covered = std::any_of(table.indexes.begin(), table.indexes.end(),
                               [&](const IndexDef& i) { return i.field == r->referringField; });
    if (covered) continue;
    db.Execute(Format("CREATE INDEX IF NOT EXISTS %s ON %s (%s)", QuoteIdentifier(RelationIndexName(*r)),
                      QuoteIdentifier(table.name), QuoteIdentifier(r->referringField)));
  }
}

std::vector<const RelationDef*> MissingRelations(ShopDatabase& db, const TableDef& table) {
  std::vector<ForeignKeyInfo> present = ReadForeignKeys(db, table.name);
  std::vector<const RelationDef*> missing;
  for (const RelationDef* r : RelationsOfReferringTable(table.name)) {
    auto it = std::find_if(present.begin(), present.end(), [&](const ForeignKeyInfo& fk) {
      return SameName(fk.referredTable, r->referredTable) && SameName(fk.referredField, r->referredField) &&
             SameName(fk.referringField, r->referringField) && fk.cascadeUpdate == r->cascadeUpdate &&
             fk.cascadeDelete == r->cascadeDelete;
    });
    // Two relations may cover the same pair of fields; each needs its own declaration.
    if (it == present.end()) missing.push_back(r);
    else present.erase(it);
  }
  return missing;
}

// Re-creates a table from the description, keeping its rows, so that it gets the
// relations it lacks (SQLite cannot add a foreign key to an existing table).
void RebuildWithRelations(ShopDatabase& db, const TableDef& table) {
  const std::string tmp = "vendora_rebuild";
  std::vector<ColumnInfo> existing = ReadColumns(db, table.name);
  std::string cols;
  for (const auto& f : table.fields) {
    bool has = std::any_of(existing.begin(), existing.end(), [&](const ColumnInfo& c) { return SameName(c.name, f.name); });
    if (!has) continue;
    if (!cols.empty()) cols += ", ";
    cols += QuoteIdentifier(f.name);
  }
  db.Execute("PRAGMA foreign_keys = OFF");
  try {
    TransactionScope tx(db);
    db.Execute("DROP TABLE IF EXISTS " + QuoteIdentifier(tmp));
    db.Execute(SqlCreateTable(table, RelationsOfReferringTable(table.name), tmp));
    if (!cols.empty())
      db.Execute("INSERT INTO " + QuoteIdentifier(tmp) + " (" + cols + ") SELECT " + cols + " FROM " +
                 QuoteIdentifier(table.name));
    db.Execute("DROP TABLE " + QuoteIdentifier(table.name));
    db.Execute("ALTER TABLE " + QuoteIdentifier(tmp) + " RENAME TO " + QuoteIdentifier(table.name));
    CreateSecondaryIndexes(db, table);
    // Rows that break a relation would make it unusable: refuse, as the engine refuses
    // to create a relation over data that violates it.
    auto check = db.Prepare("PRAGMA foreign_key_check(" + QuoteIdentifier(table.name) + ")");
    if (WithDbErrors([&] { return check->executeStep(); }))
      throw DbError(DbFrameworkError::None, 19,
                    Format("Die Daten der Tabelle \"%s\" verletzen eine Beziehung.", table.name));
    tx.Commit();
  } catch (...) {
    db.Execute("PRAGMA foreign_keys = ON");
    throw;
  }
  db.Execute("PRAGMA foreign_keys = ON");
}

// Writes only the version: a language left unset reads as the any-language marker,
// so the first opening gives the shop the language of the program that opens it.
void WriteVersionRow(ShopDatabase& db, int versionNumber) {
  CRecSetVersion version(db);
  version.Open();
  if (version.IsEOF()) version.AddNew();
  else version.Edit();
  version->Version = versionNumber;
  version.Update();
}

std::string AddColumnSql(const TableDef& table, const FieldDef& field) {
  std::string def = SqlColumnDefinition(field, table);
  // Existing rows need a value for a required field; they get the cleared value.
  if (field.required) def += (field.type == FieldType::Text || field.type == FieldType::Memo) ? " DEFAULT ''" : " DEFAULT 0";
  return "ALTER TABLE " + QuoteIdentifier(table.name) + " ADD COLUMN " + def;
}

const ColumnInfo* FindColumn(const std::vector<ColumnInfo>& cols, std::string_view name) {
  for (const auto& c : cols)
    if (SameName(c.name, name)) return &c;
  return nullptr;
}

void AddFieldIfMissing(ShopDatabase& db, const TableDef& table, std::string_view fieldName, SchemaReport& report) {
  try {
    if (FindColumn(ReadColumns(db, table.name), fieldName)) return;
    db.Execute(AddColumnSql(table, *table.Field(fieldName)));
  } catch (const DbError& e) {
    report.ok = false;
    report.failures.push_back(
        Format("Das Feld \"%s\" der Tabelle \"%s\" konnte nicht angelegt werden: %s", fieldName, table.name, e.description()));
  }
}

// A table that exists is left with its rows; it only gets the indexes it lacks.
void CreateTableIfMissing(ShopDatabase& db, const TableDef& table, SchemaReport& report) {
  try {
    if (db.TableExists(table.name)) {
      CreateSecondaryIndexes(db, table);
      return;
    }
    TransactionScope tx(db);
    db.Execute(SqlCreateTable(table, RelationsOfReferringTable(table.name)));
    CreateSecondaryIndexes(db, table);
    tx.Commit();
  } catch (const DbError& e) {
    report.ok = false;
    report.failures.push_back(
        Format("Die Tabelle \"%s\" konnte nicht angelegt werden: %s", table.name, e.description()));
  }
}

// Fields added by this program after the file format's last version number.
constexpr std::string_view kLaterFtpServerFields[] = {"UseTls", "TlsFingerprint"};

// The protocol choice replaced the TLS switch: a shop published over FTPS goes on so,
// and the SSH port starts at 22 rather than the cleared 0.
void AddProtocolFields(ShopDatabase& db, const TableDef& table, SchemaReport& report) {
  try {
    const auto cols = ReadColumns(db, table.name);
    const bool protocol = FindColumn(cols, "Protocol"), port = FindColumn(cols, "SftpPort");
    if (protocol && port) return;
    TransactionScope tx(db);
    if (!protocol) {
      db.Execute(AddColumnSql(table, *table.Field("Protocol")));
      db.Execute("UPDATE \"FtpServer\" SET \"Protocol\" = CASE WHEN \"UseTls\" THEN 1 ELSE 0 END");
    }
    if (!port) {
      db.Execute(AddColumnSql(table, *table.Field("SftpPort")));
      db.Execute("UPDATE \"FtpServer\" SET \"SftpPort\" = 22");
    }
    tx.Commit();
  } catch (const DbError& e) {
    report.ok = false;
    report.failures.push_back("Die Felder \"Protocol\" und \"SftpPort\" der Tabelle \"FtpServer\" konnten nicht "
                              "angelegt werden: " + e.description());
  }
}
constexpr std::string_view kLaterTextBlocksFields[] = {"Privacy", "Withdrawal"};

}  // namespace

std::vector<ColumnInfo> ReadColumns(ShopDatabase& db, std::string_view table) {
  std::vector<ColumnInfo> out;
  auto stmt = db.Prepare("PRAGMA table_info(" + QuoteIdentifier(table) + ")");
  WithDbErrors([&] {
    while (stmt->executeStep())
      out.push_back({stmt->getColumn(1).getString(), stmt->getColumn(2).getString(), stmt->getColumn(3).getInt() != 0,
                     stmt->getColumn(5).getInt() != 0});
  });
  return out;
}

std::vector<ForeignKeyInfo> ReadForeignKeys(ShopDatabase& db, std::string_view table) {
  std::vector<ForeignKeyInfo> out;
  auto stmt = db.Prepare("PRAGMA foreign_key_list(" + QuoteIdentifier(table) + ")");
  WithDbErrors([&] {
    while (stmt->executeStep()) {
      ForeignKeyInfo fk;
      fk.referredTable = stmt->getColumn(2).getString();
      fk.referringField = stmt->getColumn(3).getString();
      fk.referredField = stmt->getColumn(4).getString();
      fk.cascadeUpdate = stmt->getColumn(5).getString() == "CASCADE";
      fk.cascadeDelete = stmt->getColumn(6).getString() == "CASCADE";
      out.push_back(std::move(fk));
    }
  });
  return out;
}

std::vector<std::string> ReadIndexNames(ShopDatabase& db, std::string_view table) {
  std::vector<std::string> out;
  auto stmt = db.Prepare("PRAGMA index_list(" + QuoteIdentifier(table) + ")");
  WithDbErrors([&] {
    while (stmt->executeStep()) out.push_back(stmt->getColumn(1).getString());
  });
  return out;
}

void RequireShopTables(ShopDatabase& db) {
  for (const TableDef& table : ShopTables())
    if (!db.TableExists(table.name))
      throw DbError(DbFrameworkError::None, SQLITE_ERROR,
                    Format("Die Tabelle \"%s\" fehlt in der Shop-Datenbank.", table.name));
}

long TableRowCount(ShopDatabase& db, std::string_view table) {
  if (!db.TableExists(table)) return -1;
  auto stmt = db.Prepare("SELECT count(*) FROM " + QuoteIdentifier(table));
  return WithDbErrors([&] {
    stmt->executeStep();
    return static_cast<long>(stmt->getColumn(0).getInt64());
  });
}

int ReadStoredVersion(ShopDatabase& db) {
  if (!db.TableExists("Version")) return 0;
  CRecSetVersion version(db);
  version.Open();
  if (version.GetRecordCount() != 1) return 0;
  return version->Version;
}

SchemaReport CreateShopSchema(ShopDatabase& db, int versionNumber) {
  SchemaReport report;
  for (const TableDef& table : ShopTables()) CreateTableIfMissing(db, table, report);
  for (const TableDef& table : ShopTables()) {
    try {
      if (!db.TableExists(table.name) || MissingRelations(db, table).empty()) continue;
      RebuildWithRelations(db, table);
      if (!MissingRelations(db, table).empty())
        throw DbError(DbFrameworkError::None, 0, "Die Beziehungen fehlen weiterhin.");
    } catch (const DbError& e) {
      report.ok = false;
      report.failures.push_back(Format("Die Beziehungen der Tabelle \"%s\" konnten nicht angelegt werden: %s",
                                       table.name, e.description()));
    }
  }
  if (!report.ok) return report;
  try {
    WriteVersionRow(db, versionNumber);
  } catch (const DbError& e) {
    report.ok = false;
    report.failures.push_back("Die Versionsangabe konnte nicht geschrieben werden: " + e.description());
  }
  return report;
}

SchemaReport UpgradeShopSchema(ShopDatabase& db, int versionNumber) {
  SchemaReport report;
  for (const TableDef& table : ShopTables()) {
    const std::string_view name = table.name;
    if (name == "FtpServer") {
      try {
        auto cols = ReadColumns(db, name);
        const ColumnInfo* proxyType = FindColumn(cols, "ProxyType");
        if (proxyType && proxyType->sqlType != SqlColumnType(*table.Field("ProxyType"))) {
          // The old values (texts) have no meaning as the new code; they are dropped.
          db.Execute("ALTER TABLE \"FtpServer\" DROP COLUMN \"ProxyType\"");
          db.Execute(AddColumnSql(table, *table.Field("ProxyType")));
        }
      } catch (const DbError& e) {
        report.ok = false;
        report.failures.push_back("Das Feld \"ProxyType\" der Tabelle \"FtpServer\" konnte nicht erneuert werden: " +
                                  e.description());
      }
      for (std::string_view f : kLaterFtpServerFields) AddFieldIfMissing(db, table, f, report);
      AddProtocolFields(db, table, report);
    } else if (name == "WebServer") {
      AddFieldIfMissing(db, table, "ScriptExt", report);
    } else if (name == "Version") {
      AddFieldIfMissing(db, table, "LangID", report);
    } else if (name == "Payvane") {
      CreateTableIfMissing(db, table, report);
      AddFieldIfMissing(db, table, "OlpType", report);
      AddFieldIfMissing(db, table, "TxType", report);
      AddFieldIfMissing(db, table, "SealKey", report);
    } else if (name == "Options") {
      for (std::string_view f : {"ReqCustID", "ReqCountry", "MinAmount", "Insurance", "InsuranceValue",
                                 "InsuranceLimit", "InsuranceReplaces", "InsuranceReplacesValue"})
        AddFieldIfMissing(db, table, f, report);
    } else if (name == "TextBlocks") {
      AddFieldIfMissing(db, table, "PolicyJava", report);
      for (std::string_view f : kLaterTextBlocksFields) AddFieldIfMissing(db, table, f, report);
    } else if (name == "Password") {
      CreateTableIfMissing(db, table, report);
    } else if (name == "Interfaces") {
      AddFieldIfMissing(db, table, "Quality", report);
    }
    try {
      if (db.TableExists(table.name)) CreateSecondaryIndexes(db, table);
    } catch (const DbError& e) {
      report.ok = false;
      report.failures.push_back(
          Format("Die Indizes der Tabelle \"%s\" konnten nicht angelegt werden: %s", table.name, e.description()));
    }
  }
  try {
    WriteVersionRow(db, versionNumber);
  } catch (const DbError& e) {
    report.ok = false;
    report.failures.push_back("Die Versionsangabe konnte nicht geschrieben werden: " + e.description());
  }
  return report;
}

SchemaReport AddLaterProgramFields(ShopDatabase& db) {
  SchemaReport report;
  if (db.TableExists("FtpServer")) {
    for (std::string_view f : kLaterFtpServerFields) AddFieldIfMissing(db, ShopTable("FtpServer"), f, report);
    AddProtocolFields(db, ShopTable("FtpServer"), report);
  }
  if (db.TableExists("Payvane")) AddFieldIfMissing(db, ShopTable("Payvane"), "SealKey", report);
  if (db.TableExists("TextBlocks"))
    for (std::string_view f : kLaterTextBlocksFields) AddFieldIfMissing(db, ShopTable("TextBlocks"), f, report);
  return report;
}

}  // namespace vendora
