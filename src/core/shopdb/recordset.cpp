#include "shopdb/recordset.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <sqlite3.h>

#include <atomic>
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "common/text_format.h"
#include "common/text_util.h"
#include "shopdb/db_error.h"
#include "shopdb/recordsets.h"

namespace vendora {

namespace {
std::atomic<bool> g_databaseChanged{false};

}  // namespace

bool IsDatabaseChanged() { return g_databaseChanged.load(); }
void SetDatabaseChanged(bool changed) { g_databaseChanged.store(changed); }

namespace detail {

bool Step(SQLite::Statement& stmt) {
  return WithDbErrors([&] { return stmt.executeStep(); });
}

void Exec(SQLite::Statement& stmt) {
  WithDbErrors([&] { stmt.exec(); });
}

int64_t ReadRowId(SQLite::Statement& stmt) { return stmt.getColumn(0).getInt64(); }

namespace {

[[noreturn]] void ThrowOutOfRange(const TableDef& table, const FieldDef& field, const std::string& value) {
  throw DbError(DbFrameworkError::FieldBinding, SQLITE_MISMATCH,
                Format("Der Wert %s im Feld \"%s\" der Tabelle \"%s\" liegt außerhalb des Bereichs seines Typs.",
                       value, field.name, table.name));
}

[[noreturn]] void ThrowWrongKind(const TableDef& table, const FieldDef& field) {
  throw DbError(DbFrameworkError::FieldBinding, SQLITE_MISMATCH,
                Format("Das Feld \"%s\" der Tabelle \"%s\" enthält einen Wert, der nicht zu seinem Typ passt.",
                       field.name, table.name));
}

// A whole number within [low, high]; reals count when they are whole.
int64_t ReadWhole(const SQLite::Column& c, const TableDef& table, const FieldDef& field, int64_t low, int64_t high) {
  if (c.getType() == SQLITE_INTEGER) {
    const int64_t v = c.getInt64();
    if (v < low || v > high) ThrowOutOfRange(table, field, Format("%lld", static_cast<long long>(v)));
    return v;
  }
  if (c.getType() == SQLITE_FLOAT) {
    const double d = c.getDouble();
    if (!std::isfinite(d) || d != std::trunc(d) || d < static_cast<double>(low) || d > static_cast<double>(high))
      ThrowOutOfRange(table, field, Format("%g", d));
    return static_cast<int64_t>(d);
  }
  ThrowWrongKind(table, field);
}

}  // namespace

// Each call into the engine costs; a field's type is asked once (the column's own
// isNull would ask again).
void Read(SQLite::Statement& stmt, int column, const TableDef& table, const FieldDef& field, int32_t& out) {
  SQLite::Column c = stmt.getColumn(column);
  const int type = c.getType();
  if (type == SQLITE_INTEGER) {
    const int64_t v = c.getInt64();
    if (v < INT32_MIN || v > INT32_MAX) ThrowOutOfRange(table, field, Format("%lld", static_cast<long long>(v)));
    out = static_cast<int32_t>(v);
    return;
  }
  out = type == SQLITE_NULL ? 0 : static_cast<int32_t>(ReadWhole(c, table, field, INT32_MIN, INT32_MAX));
}

void Read(SQLite::Statement& stmt, int column, const TableDef& table, const FieldDef& field, bool& out) {
  SQLite::Column c = stmt.getColumn(column);
  const int type = c.getType();
  if (type == SQLITE_NULL) {
    out = false;
  } else if (type == SQLITE_INTEGER) {
    out = c.getInt64() != 0;  // all 64 bits: 2^32 is true, not cut to 0
  } else if (type == SQLITE_FLOAT) {
    out = c.getDouble() != 0;
  } else {
    ThrowWrongKind(table, field);
  }
}

void Read(SQLite::Statement& stmt, int column, const TableDef& table, const FieldDef& field, float& out) {
  SQLite::Column c = stmt.getColumn(column);
  const int type = c.getType();
  if (type == SQLITE_NULL) {
    out = 0.0f;
    return;
  }
  if (type != SQLITE_INTEGER && type != SQLITE_FLOAT) ThrowWrongKind(table, field);
  const double d = c.getDouble();
  // Written as "inf" or rounded to infinity, such a price would reach the shop's files.
  if (!std::isfinite(d) || std::fabs(d) > static_cast<double>(FLT_MAX)) ThrowOutOfRange(table, field, Format("%g", d));
  out = static_cast<float>(d);
}

void Read(SQLite::Statement& stmt, int column, const TableDef&, const FieldDef&, std::string& out) {
  SQLite::Column c = stmt.getColumn(column);
  const char* text = c.getText(nullptr);  // null only for NULL
  if (!text) {
    out.clear();
    return;
  }
  out.assign(text, static_cast<size_t>(c.getBytes()));
}

void Read(SQLite::Statement& stmt, int column, const TableDef& table, const FieldDef& field,
          std::optional<int32_t>& out) {
  SQLite::Column c = stmt.getColumn(column);
  if (c.getType() == SQLITE_NULL) out.reset();
  else out = static_cast<int32_t>(ReadWhole(c, table, field, INT32_MIN, INT32_MAX));
}

void BindValue(SQLite::Statement& stmt, int index, const FieldDef&, const int32_t& v) { stmt.bind(index, v); }
void BindValue(SQLite::Statement& stmt, int index, const FieldDef&, const bool& v) { stmt.bind(index, v ? 1 : 0); }
void BindValue(SQLite::Statement& stmt, int index, const FieldDef&, const float& v) {
  stmt.bind(index, static_cast<double>(v));
}
void BindValue(SQLite::Statement& stmt, int index, const FieldDef& field, const std::string& v) {
  // A field that may not hold a zero-length text keeps "nothing" as null.
  if (v.empty() && !field.allowZeroLength) stmt.bind(index);
  else stmt.bindNoCopy(index, v);
}
void BindValue(SQLite::Statement& stmt, int index, const FieldDef&, const std::optional<int32_t>& v) {
  if (v) stmt.bind(index, *v);
  else stmt.bind(index);
}
void BindRowId(SQLite::Statement& stmt, int index, int64_t rowid) { stmt.bind(index, rowid); }

namespace {

std::optional<double> AsNumber(const FieldValue& value) {
  return std::visit(
      [](const auto& x) -> std::optional<double> {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::string>) {
          return std::nullopt;
        } else {
          return static_cast<double>(x);
        }
      },
      value.value());
}

bool Apply(CompareOp op, bool equal) { return op == CompareOp::Equal ? equal : !equal; }

}  // namespace

bool Matches(const int32_t& v, CompareOp op, const FieldValue& value) {
  auto n = AsNumber(value);
  return n && Apply(op, static_cast<double>(v) == *n);
}

bool Matches(const bool& v, CompareOp op, const FieldValue& value) {
  auto n = AsNumber(value);
  return n && Apply(op, v == (*n != 0));
}

bool Matches(const float& v, CompareOp op, const FieldValue& value) {
  auto n = AsNumber(value);
  return n && Apply(op, v == static_cast<float>(*n));
}

bool Matches(const std::string& v, CompareOp op, const FieldValue& value) {
  const auto* s = std::get_if<std::string>(&value.value());
  std::string text = s ? *s : std::visit([](const auto& x) { return Format("%s", x); }, value.value());
  return Apply(op, EqualsNoCase(v, text));
}

bool Matches(const std::optional<int32_t>& v, CompareOp op, const FieldValue& value) {
  return v && Matches(*v, op, value);
}

void CheckText(const TableDef& table, const FieldDef& field, const std::string& v) {
  // Text that is not strict UTF-8 never reaches the file: every writer decodes it, and
  // a lenient reader could take an overlong form for a separator or a line end.
  if (!IsValidUtf8(v))
    throw DbError(DbFrameworkError::FieldBinding, kEngineConstraint,
                  Format("Der Text für das Feld \"%s\" der Tabelle \"%s\" ist kein gültiger UTF-8-Text.",
                         field.name, table.name));
  if (v.empty() && field.required && !field.allowZeroLength)
    throw DbError(DbFrameworkError::None, kEngineConstraint,
                  Format("Das Feld \"%s\" der Tabelle \"%s\" muss ausgefüllt werden.", field.name, table.name));
  if (field.type == FieldType::Text && Utf8Length(v) > static_cast<size_t>(field.width))
    throw DbError(DbFrameworkError::None, kEngineConstraint,
                  Format("Der Text für das Feld \"%s\" der Tabelle \"%s\" ist zu lang: erlaubt sind höchstens "
                         "%d Zeichen, angegeben wurden %d.",
                         field.name, table.name, field.width, static_cast<long long>(Utf8Length(v))));
}

}  // namespace detail

RecordSetBase::RecordSetBase(ShopDatabase& db, std::string_view table, std::string_view defaultSort,
                             std::vector<std::string_view> boundFields)
    : db_(db), table_(ShopTable(table)), sort_(ParseSort(defaultSort)) {
  const IndexDef* primary = table_.PrimaryIndex();
  for (std::string_view name : boundFields) {
    const FieldDef* f = table_.Field(name);
    if (!f) throw std::logic_error("record set binds unknown field " + std::string(name));
    if (primary && primary->field == name) {
      rowIdField_ = static_cast<int>(fields_.size());
      autoKey_ = f->type == FieldType::AutoNumber;
    }
    fields_.push_back(f);
  }
  // Built once: a set requeried per parent would otherwise rebuild it every time.
  selectHead_ = "SELECT rowid";
  for (const FieldDef* f : fields_) selectHead_ += ", " + QuoteIdentifier(f->name);
  selectHead_ += " FROM " + QuoteIdentifier(table_.name);
  insertSql_ = BuildInsertSql();
  updateSql_ = BuildUpdateSql();
  deleteSql_ = "DELETE FROM " + QuoteIdentifier(table_.name) + " WHERE rowid = ?";
}

bool RecordSetBase::IsWritten(size_t field) const { return fields_[field]->type != FieldType::AutoNumber; }

std::string RecordSetBase::SelectSql() const {
  std::string sql = selectHead_;
  if (!filter_.IsEmpty()) sql += " WHERE " + filter_.ToSql(table_);
  sql += " ORDER BY " + SortSql(table_, sort_);
  return sql;
}

std::string RecordSetBase::BuildInsertSql() const {
  std::string cols, params;
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (!IsWritten(i)) continue;
    if (!cols.empty()) {
      cols += ", ";
      params += ", ";
    }
    cols += QuoteIdentifier(fields_[i]->name);
    params += "?";
  }
  if (cols.empty()) return "INSERT INTO " + QuoteIdentifier(table_.name) + " DEFAULT VALUES";
  return "INSERT INTO " + QuoteIdentifier(table_.name) + " (" + cols + ") VALUES (" + params + ")";
}

std::string RecordSetBase::BuildUpdateSql() const {
  std::string sets;
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (!IsWritten(i)) continue;
    if (!sets.empty()) sets += ", ";
    sets += QuoteIdentifier(fields_[i]->name) + " = ?";
  }
  // A set binding only the key has nothing to write; touching the row id keeps the
  // statement valid and still tells whether the row exists.
  if (sets.empty()) sets = "rowid = rowid";
  return "UPDATE " + QuoteIdentifier(table_.name) + " SET " + sets + " WHERE rowid = ?";
}

void RecordSetBase::BindFilter(SQLite::Statement& stmt) const {
  int index = 1;
  WithDbErrors([&] { filter_.Bind(table_, stmt, index); });
}

void RecordSetBase::CheckOpen() const {
  if (!IsOpen()) ThrowNotOpen();
}

void RecordSetBase::CheckCurrent(bool isCurrent) const {
  if (!isCurrent)
    throw DbError(DbFrameworkError::None, 0,
                  Format("Kein aktueller Datensatz in der Tabelle \"%s\".", table_.name));
}

void RecordSetBase::CheckEditing() const {
  if (mode_ == EditMode::None)
    throw DbError(DbFrameworkError::None, 0,
                  Format("Update ohne vorheriges AddNew oder Edit in der Tabelle \"%s\".", table_.name));
}

void RecordSetBase::ThrowRowGone() const {
  throw DbError(DbFrameworkError::None, 0,
                Format("Der Datensatz der Tabelle \"%s\" ist nicht mehr vorhanden.", table_.name));
}

void RecordSetBase::DeleteRowId(int64_t rowid) {
  auto stmt = db_.Prepare(deleteSql_);
  detail::BindRowId(*stmt, 1, rowid);
  detail::Exec(*stmt);
  if (db_.Changes() == 0) ThrowRowGone();
}

std::optional<int64_t> RecordSetBase::KeyLookup(const Criteria& c) const {
  if (rowIdField_ < 0 || c.Terms().size() != 1) return std::nullopt;
  const auto& t = c.Terms().front();
  if (t.op != CompareOp::Equal || t.field != fields_[rowIdField_]->name) return std::nullopt;
  if (const auto* v = std::get_if<int64_t>(&t.value.value())) return *v;
  return std::nullopt;
}

int DeleteProdLinesOfLine(ShopDatabase& db, int32_t lineId) {
  auto stmt = db.Prepare("DELETE FROM \"ProdLines\" WHERE \"LineID\" = ?");
  WithDbErrors([&] { stmt->bind(1, lineId); });
  detail::Exec(*stmt);
  int removed = db.Changes();
  SetDatabaseChanged(true);
  return removed;
}

}  // namespace vendora
