#pragma once
// Criteria and sort orders for record sets. A criterion names fields of the table and
// compares them with typed values; the values are always bound as statement
// parameters, never pasted into SQL, so a text such as "O'Brien" is matched literally.
// Field names are checked against the table's description: an unknown field is a
// DbError, not an SQL fragment.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace SQLite {
class Statement;
}

namespace vendora {

struct TableDef;

class FieldValue {
 public:
  using Variant = std::variant<int64_t, double, bool, std::string>;
  FieldValue(int v) : v_(int64_t{v}) {}
  FieldValue(long v) : v_(int64_t{v}) {}
  FieldValue(long long v) : v_(int64_t{v}) {}
  FieldValue(double v) : v_(v) {}
  FieldValue(float v) : v_(double{v}) {}
  FieldValue(bool v) : v_(v) {}
  FieldValue(std::string v) : v_(std::move(v)) {}
  FieldValue(std::string_view v) : v_(std::string(v)) {}
  FieldValue(const char* v) : v_(std::string(v)) {}
  const Variant& value() const { return v_; }

 private:
  Variant v_;
};

enum class CompareOp { Equal, NotEqual };

struct CriteriaTerm {
  std::string field;
  CompareOp op;
  FieldValue value;
};

class Criteria {
 public:
  Criteria() = default;  // matches every row
  static Criteria Equal(std::string_view field, FieldValue value);
  static Criteria NotEqual(std::string_view field, FieldValue value);

  Criteria& And(const Criteria& other);
  friend Criteria operator&&(Criteria a, const Criteria& b) { return std::move(a.And(b)); }

  bool IsEmpty() const { return terms_.empty(); }
  const std::vector<CriteriaTerm>& Terms() const { return terms_; }

  // Readable form in the bracket notation ("[ProductID] = 5 AND [Available] = true"),
  // for log lines and error texts only.
  std::string ToText() const;
  // SQL condition with one parameter per term; throws DbError for an unknown field.
  std::string ToSql(const TableDef& table) const;
  // Binds the values from parameter index `index` on; advances it.
  void Bind(const TableDef& table, SQLite::Statement& stmt, int& index) const;

 private:
  std::vector<CriteriaTerm> terms_;
};

inline Criteria Eq(std::string_view field, FieldValue value) { return Criteria::Equal(field, std::move(value)); }
inline Criteria Ne(std::string_view field, FieldValue value) { return Criteria::NotEqual(field, std::move(value)); }

struct SortKey {
  std::string field;
  bool descending = false;
};

// Reads a sort text such as "[CategoryID], [Order]" or "[Name] DESC". Throws DbError
// for anything else.
std::vector<SortKey> ParseSort(std::string_view text);
// ORDER BY clause (without the keywords) for the keys; texts sort in list order; the
// row id ends every order, so rows with equal keys keep a stable order.
std::string SortSql(const TableDef& table, const std::vector<SortKey>& keys);

}  // namespace vendora
