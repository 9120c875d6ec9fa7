#pragma once
// The built-in description of a shop database: 26 tables with their fields in
// creation order, their indexes, and the 14 relations. Creation, upgrade, the record
// sets and the checks of criteria all read this one description.
#include <string>
#include <string_view>
#include <vector>

namespace vendora {

enum class FieldType { Long, AutoNumber, Text, Memo, Boolean, Single };

struct FieldDef {
  std::string_view name;
  FieldType type;
  int width = 0;                 // characters, Text only
  bool required = false;         // may not be null
  bool allowZeroLength = false;  // a zero-length text may be stored
};

struct IndexDef {
  std::string_view name;
  std::string_view field;
  bool primary = false;
  bool unique = false;
  bool required = false;
};

enum class TableKind { Settings, List };

struct TableDef {
  std::string_view name;
  TableKind kind;
  std::vector<FieldDef> fields;
  std::vector<IndexDef> indexes;  // primary first

  const FieldDef* Field(std::string_view fieldName) const;  // nullptr when unknown
  const IndexDef* PrimaryIndex() const;
};

struct RelationDef {
  std::string_view name;
  std::string_view referredTable;
  std::string_view referredField;
  std::string_view referringTable;
  std::string_view referringField;
  bool cascadeUpdate = false;
  bool cascadeDelete = false;
};

// The 26 tables in creation order.
const std::vector<TableDef>& ShopTables();
// The 14 relations in creation order.
const std::vector<RelationDef>& ShopRelations();
// Throws std::out_of_range for an unknown table.
const TableDef& ShopTable(std::string_view name);

// Engine mapping (SQLite). One place decides how the description becomes SQL:
//   Long -> INTEGER, AutoNumber -> INTEGER PRIMARY KEY AUTOINCREMENT (keys are never
//   reused, so a new row never inherits the pictures of a deleted one), Text(n) ->
//   VARCHAR(n) with CHECK(length <= n), Memo -> TEXT, Boolean -> BOOLEAN (0/1),
//   Single -> FLOAT holding the 32-bit value. Req -> NOT NULL. A text without the
//   zero-length flag gets CHECK(<> ''), as the record sets store an empty such text as null.
//   Primary indexes are the table's INTEGER PRIMARY KEY; their names (IdxAttributes for
//   both attribute tables, IdxServerSetup for both server tables ...) are kept as the
//   constraint names, since SQLite index names must be unique per database and a
//   primary key needs no separate index. Secondary indexes (IdxProdLines1) are real
//   SQLite indexes under their own names.
//   Relations are foreign keys declared with the referring table (SQLite has no
//   separate relation objects); ON UPDATE/DELETE CASCADE where the relation cascades,
//   NO ACTION (refuse) otherwise. Connections run with PRAGMA foreign_keys=ON.
//   Jet indexes the referring field of every relation on its own; SQLite does not, so
//   each referring field without an index of its own gets one, named by
//   RelationIndexName (two relations over the same field share it). Without them every
//   "children of this parent" query and every cascade would scan the whole child table.
std::string SqlColumnType(const FieldDef& field);
std::string SqlColumnDefinition(const FieldDef& field, const TableDef& table);
// CREATE TABLE for the table with the given relations declared as its foreign keys.
std::string SqlCreateTable(const TableDef& table, const std::vector<const RelationDef*>& relations,
                           std::string_view sqlName = {});
std::vector<const RelationDef*> RelationsOfReferringTable(std::string_view table);
// "IdxRel_<table>_<field>" for the referring field of the relation.
std::string RelationIndexName(const RelationDef& relation);
std::string QuoteIdentifier(std::string_view name);

}  // namespace vendora
