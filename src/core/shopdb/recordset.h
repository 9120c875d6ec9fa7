#pragma once
// Record sets: typed access to one table of an open shop database.
//
// Use: construct on the database, optionally SetFilter/SetSort, Open, then move
// (MoveFirst/MoveNext/MoveLast/FindFirst) and change (AddNew or Edit, assign the
// members through ->, Update; or Delete). The set reads the rows that match its filter
// when it is opened or requeried; changes through the set are written at once and
// shown in the set. To walk the children of many parents, keep one set and call
// SetFilter + Requery per parent: the statement text stays the same, so the prepared
// statement is re-bound instead of prepared again.
//
// ForEach streams rows without keeping them, for large read-only walks.
//
// Differences from a classic dynaset, on purpose: after AddNew + Update the set stands
// on the new row (its key is in ->ID); text criteria ignore letter case; values are
// checked before writing (a text longer than its field, an empty required text, or a
// text that is not valid UTF-8, is refused with a DbError, never cut short or mended).
//
// Errors: DbError. A set whose database was closed refuses every call with
// DbFrameworkError::ObjectNotOpen.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "shopdb/changed_flag.h"
#include "shopdb/criteria.h"
#include "shopdb/database.h"
#include "shopdb/rows.h"
#include "shopdb/schema.h"

namespace vendora {

enum class EditMode { None, Edit, AddNew };

namespace detail {
// Bridges to the engine, kept out of this header. All throw DbError.
bool Step(SQLite::Statement& stmt);
void Exec(SQLite::Statement& stmt);
int64_t ReadRowId(SQLite::Statement& stmt);
// Numbers are read at full width; a value the field's type cannot hold (beyond a Long,
// a non-finite or too large Single, a text in a number field) is refused, never cut.
void Read(SQLite::Statement& stmt, int column, const TableDef& table, const FieldDef& field, int32_t& out);
void Read(SQLite::Statement& stmt, int column, const TableDef& table, const FieldDef& field, bool& out);
void Read(SQLite::Statement& stmt, int column, const TableDef& table, const FieldDef& field, float& out);
void Read(SQLite::Statement& stmt, int column, const TableDef& table, const FieldDef& field, std::string& out);
void Read(SQLite::Statement& stmt, int column, const TableDef& table, const FieldDef& field,
          std::optional<int32_t>& out);
void BindValue(SQLite::Statement& stmt, int index, const FieldDef& field, const int32_t& v);
void BindValue(SQLite::Statement& stmt, int index, const FieldDef& field, const bool& v);
void BindValue(SQLite::Statement& stmt, int index, const FieldDef& field, const float& v);
void BindValue(SQLite::Statement& stmt, int index, const FieldDef& field, const std::string& v);
void BindValue(SQLite::Statement& stmt, int index, const FieldDef& field, const std::optional<int32_t>& v);
void BindRowId(SQLite::Statement& stmt, int index, int64_t rowid);
bool Matches(const int32_t& v, CompareOp op, const FieldValue& value);
bool Matches(const bool& v, CompareOp op, const FieldValue& value);
bool Matches(const float& v, CompareOp op, const FieldValue& value);
bool Matches(const std::string& v, CompareOp op, const FieldValue& value);
bool Matches(const std::optional<int32_t>& v, CompareOp op, const FieldValue& value);
// Refuses a text that is not valid UTF-8 or does not fit its field.
void CheckText(const TableDef& table, const FieldDef& field, const std::string& v);
inline void CheckText(const TableDef&, const FieldDef&, const int32_t&) {}
inline void CheckText(const TableDef&, const FieldDef&, const bool&) {}
inline void CheckText(const TableDef&, const FieldDef&, const float&) {}
inline void CheckText(const TableDef&, const FieldDef&, const std::optional<int32_t>&) {}
}  // namespace detail

// The parts of a record set that do not depend on the row type.
class RecordSetBase {
 public:
  RecordSetBase(const RecordSetBase&) = delete;
  RecordSetBase& operator=(const RecordSetBase&) = delete;
  virtual ~RecordSetBase() = default;

  void SetFilter(Criteria filter) { filter_ = std::move(filter); }
  const Criteria& GetFilter() const { return filter_; }
  // Replaces the default sort, e.g. "[CategoryID], [Order]". Empty: table order.
  void SetSort(std::string_view sort) { sort_ = ParseSort(sort); }

  bool IsOpen() const { return open_ && db_.IsOpen() && serial_ == db_.OpenSerial(); }
  EditMode GetEditMode() const { return mode_; }
  ShopDatabase& Database() const { return db_; }
  const TableDef& Table() const { return table_; }

 protected:
  RecordSetBase(ShopDatabase& db, std::string_view table, std::string_view defaultSort,
                std::vector<std::string_view> boundFields);

  std::string SelectSql() const;
  const std::string& InsertSql() const { return insertSql_; }
  const std::string& UpdateSql() const { return updateSql_; }
  void BindFilter(SQLite::Statement& stmt) const;
  void CheckOpen() const;
  void CheckCurrent(bool isCurrent) const;
  void CheckEditing() const;
  void DeleteRowId(int64_t rowid);
  [[noreturn]] void ThrowRowGone() const;
  bool IsWritten(size_t field) const;  // false for engine-assigned keys
  // Position of the bound key field whose value is the row id, or -1.
  int RowIdField() const { return rowIdField_; }
  // The single integer key a criterion asks for, if it is just "[key] = n".
  std::optional<int64_t> KeyLookup(const Criteria& c) const;

  ShopDatabase& db_;
  const TableDef& table_;
  std::vector<const FieldDef*> fields_;
  Criteria filter_;
  std::vector<SortKey> sort_;
  bool open_ = false;
  uint64_t serial_ = 0;
  EditMode mode_ = EditMode::None;
  int rowIdField_ = -1;
  bool autoKey_ = false;

 private:
  std::string BuildInsertSql() const;
  std::string BuildUpdateSql() const;
  // Built once: a set that adds many rows, or is requeried per parent, must not
  // rebuild its statements each time.
  std::string selectHead_, insertSql_, updateSql_, deleteSql_;
};

template <class Row>
class RecordSet : public RecordSetBase {
 public:
  using Traits = RowTraits<Row>;

  explicit RecordSet(ShopDatabase& db)
      : RecordSetBase(db, Traits::kTable, Traits::kDefaultSort, FieldNames()) {}

  void Open() {
    appendOnly_ = false;
    Requery();
  }

  // Opens the set without reading any row: for a set that is filtered and requeried
  // later (a run's snapshot) or that only adds rows.
  void OpenWithoutRows() {
    if (!db_.IsOpen()) ThrowNotOpen();
    {
      // Running the query proves the table and its fields are there: a missing one
      // fails here, not in the middle of a later step. LIMIT 0: without it the whole
      // table would be sorted for nothing.
      auto stmt = db_.Prepare(SelectSql() + " LIMIT 0");
      BindFilter(*stmt);
      detail::Step(*stmt);
    }
    rows_.clear();
    rowIds_.clear();
    appendOnly_ = false;
    MarkOpen();
  }

  // Opens the set for adding rows only: no row is read, and of the rows added only the
  // last is kept (for its key), so a bulk import needs no memory per row.
  void OpenForAppend() {
    OpenWithoutRows();
    appendOnly_ = true;
  }

  // Reads the rows matching the filter again and stands on the first.
  void Requery() {
    if (!db_.IsOpen()) ThrowNotOpen();
    appendOnly_ = false;
    open_ = false;  // stays closed if reading fails half way
    size_t n = 0;
    {
      auto stmt = db_.Prepare(SelectSql());
      BindFilter(*stmt);
      // Rows of the previous query are overwritten in place, so a set re-bound per
      // parent reuses its memory instead of allocating every row anew.
      while (detail::Step(*stmt)) {
        if (n == rows_.size()) {
          rows_.emplace_back();
          rowIds_.emplace_back();
        }
        rowIds_[n] = detail::ReadRowId(*stmt);
        ReadRow(*stmt, rows_[n]);
        ++n;
      }
    }
    rows_.resize(n);
    rowIds_.resize(n);
    MarkOpen();
  }

  void Close() {
    open_ = false;
    rows_.clear();
    rowIds_.clear();
    keyIndex_.clear();
    mode_ = EditMode::None;
  }

  bool IsBOF() const { return rows_.empty() || pos_ < 0; }
  bool IsEOF() const { return rows_.empty() || pos_ >= static_cast<std::ptrdiff_t>(rows_.size()); }
  long GetRecordCount() const {
    CheckOpen();
    return static_cast<long>(rows_.size());
  }

  void MoveFirst() { MoveTo(0); }
  void MoveLast() { MoveTo(static_cast<std::ptrdiff_t>(rows_.size()) - 1); }
  void MoveNext() {
    CheckOpen();
    if (currentDeleted_) MoveTo(pos_);  // the next row took the deleted one's place
    else MoveTo(pos_ + 1);
  }

  // Stands on the first row of the set that matches; false (position unchanged) if none.
  bool FindFirst(const Criteria& criteria) {
    CheckOpen();
    if (auto key = KeyLookup(criteria)) {
      if (!keyIndexValid_) {
        keyIndex_.clear();
        for (size_t i = 0; i < rowIds_.size(); ++i) keyIndex_.emplace(rowIds_[i], i);
        keyIndexValid_ = true;
      }
      auto it = keyIndex_.find(*key);
      if (it == keyIndex_.end()) return false;
      MoveTo(static_cast<std::ptrdiff_t>(it->second));
      return true;
    }
    for (size_t i = 0; i < rows_.size(); ++i) {
      if (RowMatches(rows_[i], criteria)) {
        MoveTo(static_cast<std::ptrdiff_t>(i));
        return true;
      }
    }
    return false;
  }

  // The members of the current row, or the edit buffer while editing. Assigning to
  // them outside AddNew/Edit changes only this set's copy, never the database.
  Row* operator->() { return &Current(); }
  const Row* operator->() const { return &const_cast<RecordSet*>(this)->Current(); }
  Row& operator*() { return Current(); }
  const Row& operator*() const { return const_cast<RecordSet*>(this)->Current(); }

  void AddNew() {
    CheckOpen();
    buffer_ = Row{};
    mode_ = EditMode::AddNew;
  }

  void Edit() {
    CheckOpen();
    CheckCurrent(HasCurrent());
    buffer_ = rows_[pos_];
    mode_ = EditMode::Edit;
  }

  void CancelUpdate() { mode_ = EditMode::None; }

  // Writes the pending AddNew or Edit. On failure the edit stays pending and the
  // database unchanged.
  void Update() {
    CheckOpen();
    CheckEditing();
    ForEachField([&](const auto& bound, size_t i) {
      detail::CheckText(table_, *fields_[i], buffer_.*(bound.member));
    });
    if (mode_ == EditMode::AddNew) {
      {
        auto stmt = db_.Prepare(InsertSql());
        BindWritten(*stmt);
        detail::Exec(*stmt);
      }
      int64_t rowid = db_.LastInsertRowId();
      if (autoKey_) SetKey(buffer_, rowid);
      if (appendOnly_) {
        rows_.clear();
        rowIds_.clear();
      }
      rows_.push_back(std::move(buffer_));
      rowIds_.push_back(rowid);
      keyIndexValid_ = false;
      pos_ = static_cast<std::ptrdiff_t>(rows_.size()) - 1;
    } else {
      {
        auto stmt = db_.Prepare(UpdateSql());
        int index = BindWritten(*stmt);
        detail::BindRowId(*stmt, index, rowIds_[pos_]);
        detail::Exec(*stmt);
      }
      if (db_.Changes() == 0) ThrowRowGone();
      rows_[pos_] = std::move(buffer_);
    }
    mode_ = EditMode::None;
    currentDeleted_ = false;
    OnChanged();
  }

  // Deletes the current row; the set then stands "between" rows until the next move.
  void Delete() {
    CheckOpen();
    CheckCurrent(HasCurrent());
    mode_ = EditMode::None;
    DeleteRowId(rowIds_[pos_]);
    rows_.erase(rows_.begin() + pos_);
    rowIds_.erase(rowIds_.begin() + pos_);
    keyIndexValid_ = false;
    currentDeleted_ = true;
    OnChanged();
  }

  // Streams every row matching the filter, in sort order, without keeping them.
  // The callback must not close the database.
  template <class F>
  void ForEach(F&& f) {
    if (!db_.IsOpen()) ThrowNotOpen();
    auto stmt = db_.Prepare(SelectSql());
    BindFilter(*stmt);
    Row row;
    while (detail::Step(*stmt)) {
      ReadRow(*stmt, row);
      f(static_cast<const Row&>(row));
    }
  }

 protected:
  // Raised after every successful Update and Delete; CMyDaoRecordset marks the shop changed.
  virtual void OnChanged() {}

 private:
  static std::vector<std::string_view> FieldNames() {
    std::vector<std::string_view> names;
    std::apply([&](const auto&... b) { (names.push_back(b.name), ...); }, Traits::kFields);
    return names;
  }

  template <class F>
  static void ForEachField(F&& f) {
    size_t i = 0;
    std::apply([&](const auto&... b) { (f(b, i++), ...); }, Traits::kFields);
  }

  void ReadRow(SQLite::Statement& stmt, Row& row) {
    ForEachField([&](const auto& bound, size_t i) {
      detail::Read(stmt, static_cast<int>(i) + 1, table_, *fields_[i], row.*(bound.member));
    });
  }

  int BindWritten(SQLite::Statement& stmt) {
    int index = 1;
    ForEachField([&](const auto& bound, size_t i) {
      if (IsWritten(i)) detail::BindValue(stmt, index++, *fields_[i], buffer_.*(bound.member));
    });
    return index;
  }

  void SetKey(Row& row, int64_t rowid) {
    ForEachField([&](const auto& bound, size_t i) {
      if constexpr (std::is_same_v<std::decay_t<decltype(row.*(bound.member))>, int32_t>) {
        if (static_cast<int>(i) == RowIdField()) row.*(bound.member) = static_cast<int32_t>(rowid);
      }
    });
  }

  bool RowMatches(const Row& row, const Criteria& criteria) const {
    for (const auto& term : criteria.Terms()) {
      bool found = false, ok = false;
      ForEachField([&](const auto& bound, size_t) {
        if (!found && bound.name == term.field) {
          found = true;
          ok = detail::Matches(row.*(bound.member), term.op, term.value);
        }
      });
      if (!found) (void)criteria.ToSql(table_);  // throws for an unknown field
      if (!found || !ok) return false;
    }
    return true;
  }

  // Stands on the first row of freshly read contents.
  void MarkOpen() {
    keyIndex_.clear();
    keyIndexValid_ = false;
    open_ = true;
    serial_ = db_.OpenSerial();
    mode_ = EditMode::None;
    currentDeleted_ = false;
    pos_ = 0;
  }

  bool HasCurrent() const { return !currentDeleted_ && !IsBOF() && !IsEOF(); }

  // Without a pending edit the set hands out its stored row itself: moving costs no copy.
  Row& Current() {
    if (mode_ == EditMode::None && HasCurrent()) return rows_[pos_];
    return buffer_;
  }

  void MoveTo(std::ptrdiff_t pos) {
    CheckOpen();
    mode_ = EditMode::None;
    currentDeleted_ = false;
    if (pos < 0) pos = rows_.empty() ? 0 : -1;
    if (pos > static_cast<std::ptrdiff_t>(rows_.size())) pos = static_cast<std::ptrdiff_t>(rows_.size());
    pos_ = pos;
  }

  std::vector<Row> rows_;
  std::vector<int64_t> rowIds_;
  std::unordered_map<int64_t, size_t> keyIndex_;
  bool keyIndexValid_ = false;
  bool appendOnly_ = false;
  std::ptrdiff_t pos_ = 0;
  bool currentDeleted_ = false;
  Row buffer_{};
};

// The common base of the shop's record sets: every Update and Delete marks the shop as
// changed, so the next generation knows it has work to do.
template <class Row>
class CMyDaoRecordset : public RecordSet<Row> {
 public:
  using RecordSet<Row>::RecordSet;

 protected:
  void OnChanged() override { SetDatabaseChanged(true); }
};

}  // namespace vendora
