#include "shopdb/criteria.h"

#include <SQLiteCpp/Statement.h>

#include "common/text_format.h"
#include "common/text_util.h"
#include "shopdb/collation.h"
#include "shopdb/db_error.h"
#include "shopdb/schema.h"

namespace vendora {
namespace {

const FieldDef& RequireField(const TableDef& table, std::string_view field) {
  const FieldDef* f = table.Field(field);
  if (!f)
    throw DbError(DbFrameworkError::FieldBinding, 0,
                  Format("Die Tabelle \"%s\" hat kein Feld \"%s\".", table.name, field));
  return *f;
}

bool IsText(const FieldDef& f) { return f.type == FieldType::Text || f.type == FieldType::Memo; }

std::string ValueText(const FieldValue& v) {
  return std::visit(
      [](const auto& x) -> std::string {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, bool>) return x ? "true" : "false";
        else if constexpr (std::is_same_v<T, double>) return Format("%.2f", x);
        else if constexpr (std::is_same_v<T, std::string>) return "'" + x + "'";
        else return std::to_string(x);
      },
      v.value());
}

}  // namespace

Criteria Criteria::Equal(std::string_view field, FieldValue value) {
  Criteria c;
  c.terms_.push_back({std::string(field), CompareOp::Equal, std::move(value)});
  return c;
}

Criteria Criteria::NotEqual(std::string_view field, FieldValue value) {
  Criteria c;
  c.terms_.push_back({std::string(field), CompareOp::NotEqual, std::move(value)});
  return c;
}

Criteria& Criteria::And(const Criteria& other) {
  terms_.insert(terms_.end(), other.terms_.begin(), other.terms_.end());
  return *this;
}

std::string Criteria::ToText() const {
  std::string out;
  for (const auto& t : terms_) {
    if (!out.empty()) out += " AND ";
    out += "[" + t.field + "] " + (t.op == CompareOp::Equal ? "= " : "<> ") + ValueText(t.value);
  }
  return out;
}

std::string Criteria::ToSql(const TableDef& table) const {
  std::string sql;
  for (const auto& t : terms_) {
    const FieldDef& f = RequireField(table, t.field);
    if (!sql.empty()) sql += " AND ";
    sql += QuoteIdentifier(f.name) + (t.op == CompareOp::Equal ? " = ?" : " <> ?");
    if (IsText(f)) sql += " COLLATE " + std::string(kCollateNoCase);
  }
  return sql;
}

void Criteria::Bind(const TableDef& table, SQLite::Statement& stmt, int& index) const {
  for (const auto& t : terms_) {
    const FieldDef& f = RequireField(table, t.field);
    std::visit(
        [&](const auto& x) {
          using T = std::decay_t<decltype(x)>;
          if constexpr (std::is_same_v<T, std::string>) {
            stmt.bind(index, x);
          } else if constexpr (std::is_same_v<T, bool>) {
            stmt.bind(index, x ? 1 : 0);
          } else if constexpr (std::is_same_v<T, double>) {
            // Single fields hold 32-bit values: compare at that precision.
            stmt.bind(index, f.type == FieldType::Single ? double(float(x)) : x);
          } else {
            if (IsText(f)) stmt.bind(index, std::to_string(x));
            else stmt.bind(index, static_cast<int64_t>(x));
          }
        },
        t.value.value());
    ++index;
  }
}

std::vector<SortKey> ParseSort(std::string_view text) {
  std::vector<SortKey> keys;
  auto fail = [&]() -> std::vector<SortKey> {
    throw DbError(DbFrameworkError::FieldBinding, 0, Format("Ungültige Sortierung \"%s\".", text));
  };
  std::string_view rest = Trim(text);
  while (!rest.empty()) {
    if (rest.front() != '[') return fail();
    size_t close = rest.find(']');
    if (close == std::string_view::npos || close == 1) return fail();
    SortKey key{std::string(rest.substr(1, close - 1)), false};
    rest = Trim(rest.substr(close + 1));
    if (rest.size() >= 4 && EqualsNoCase(rest.substr(0, 4), "DESC")) {
      key.descending = true;
      rest = Trim(rest.substr(4));
    } else if (rest.size() >= 3 && EqualsNoCase(rest.substr(0, 3), "ASC")) {
      rest = Trim(rest.substr(3));
    }
    keys.push_back(std::move(key));
    if (rest.empty()) break;
    if (rest.front() != ',') return fail();
    rest = Trim(rest.substr(1));
    if (rest.empty()) return fail();
  }
  return keys;
}

std::string SortSql(const TableDef& table, const std::vector<SortKey>& keys) {
  std::string sql;
  for (const auto& k : keys) {
    const FieldDef& f = RequireField(table, k.field);
    if (!sql.empty()) sql += ", ";
    sql += QuoteIdentifier(f.name);
    if (IsText(f)) sql += " COLLATE " + std::string(kCollateSort);
    if (k.descending) sql += " DESC";
  }
  if (!sql.empty()) sql += ", ";
  sql += "rowid";
  return sql;
}

}  // namespace vendora
