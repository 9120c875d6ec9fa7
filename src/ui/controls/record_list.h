#pragma once
// The list control of the editing pages: table rows under a column header, edited in
// place, with switch columns, lookup columns (a chooser over another table's rows that
// also takes typed text), tool tips and a grouping caption above the table.
//
// The rows come from a ListRows source that gives each cell as the core formats it
// (numbers with a decimal point in every locale) and writes typed text through the
// core's checks. The model hands the view its rows in batches and formats only the
// cells on screen, so a list of thousands of rows opens at once. A refused cell is
// shown with its German reason and keeps its stored value.
//
// Threading: the interface thread.
#include <QAbstractTableModel>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/status.h"

class QLabel;
class QTableView;

namespace vendora {

class Prompter;

enum class ColumnKind {
  Text,    // a line editor within maxLength characters
  Number,  // a line editor; a decimal comma is taken as well as a point
  Switch,  // a check box; written as "true" or "false"
  Lookup,  // an editable chooser of the source's Choices; the typed text is written
};

struct ListColumn {
  ListColumn(QString heading, ColumnKind kind = ColumnKind::Text, int maxLength = 0, bool editable = true,
             QString toolTip = {})
      : heading(std::move(heading)), kind(kind), maxLength(maxLength), editable(editable), toolTip(std::move(toolTip)) {}
  QString heading;
  ColumnKind kind;
  int maxLength;  // Text: the field's width; 0 for none
  bool editable;
  QString toolTip;
};

// The rows a list shows. Row numbers count in list order from 0.
class ListRows {
 public:
  virtual ~ListRows() = default;
  // Reads the rows afresh (DbError passes on).
  virtual void Reload() = 0;
  virtual int Count() const = 0;
  // The row's key, or its position for tables without one.
  virtual int32_t Key(int row) const = 0;
  virtual std::string Cell(int row, int column) const = 0;
  // A lookup column's choices, as shown, in list order.
  virtual std::vector<std::string> Choices(int /*column*/) const { return {}; }
  // Takes the typed text into the row and stores it; a refusal changes nothing.
  virtual Status Write(int row, int column, std::string_view typed) = 0;
};

// ListRows over typed rows: how they are read, shown and written, as functions.
template <class Row>
class TableRows final : public ListRows {
 public:
  struct Binding {
    std::function<std::vector<Row>()> load;
    std::function<std::string(const Row&, int column)> cell;
    // Takes the typed text into the copy and stores it (the copy replaces the row on
    // success).
    std::function<Status(Row&, int column, std::string_view typed)> write;
    std::function<std::vector<std::string>(int column)> choices;
  };
  explicit TableRows(Binding binding) : binding_(std::move(binding)) {}

  void Reload() override { rows_ = binding_.load(); }
  int Count() const override { return static_cast<int>(rows_.size()); }
  int32_t Key(int row) const override {
    if constexpr (requires(const Row& r) { r.ID; })
      return rows_[static_cast<size_t>(row)].ID;
    else
      return row;
  }
  std::string Cell(int row, int column) const override { return binding_.cell(At(row), column); }
  std::vector<std::string> Choices(int column) const override {
    return binding_.choices ? binding_.choices(column) : std::vector<std::string>{};
  }
  Status Write(int row, int column, std::string_view typed) override {
    Row changed = At(row);
    Status status = binding_.write(changed, column, typed);
    if (status.ok()) rows_[static_cast<size_t>(row)] = std::move(changed);
    return status;
  }
  const Row& At(int row) const { return rows_[static_cast<size_t>(row)]; }
  const std::vector<Row>& All() const { return rows_; }

 private:
  Binding binding_;
  std::vector<Row> rows_;
};

class RecordListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // Rows handed to the view per batch.
  static constexpr int kBatch = 200;

  RecordListModel(std::vector<ListColumn> columns, QObject* parent = nullptr);

  // The source (not owned; nullptr for an empty list). Reload reads it afresh.
  void SetRows(ListRows* rows);
  void Reload();
  ListRows* Rows() const { return rows_; }
  const ListColumn& Column(int column) const { return columns_[static_cast<size_t>(column)]; }
  // Makes the view's rows reach `row` (fetching what the view has not seen yet).
  void ShowUpTo(int row);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

 signals:
  // A cell was written (row number).
  void Written(int row);
  // A cell was refused; the reason in German.
  void Refused(const QString& reason);

 private:
  std::vector<ListColumn> columns_;
  ListRows* rows_ = nullptr;
  int shown_ = 0;
};

class RecordList : public QWidget {
  Q_OBJECT
 public:
  // `caption` is the grouping label above the table (none when empty).
  RecordList(const QString& caption, std::vector<ListColumn> columns, Prompter& prompter, QWidget* parent = nullptr);

  QTableView* View() const { return view_; }
  RecordListModel* Model() const { return model_; }
  QLabel* Caption() const { return caption_; }
  void SetMultiSelection(bool multi);

  // Shows the source's rows (read afresh) and selects the row with the key, or the
  // row at `fallbackRow` (clamped to the last) when the key is not there; with
  // neither, the first row.
  void Show(ListRows* rows, std::optional<int32_t> key = std::nullopt, int fallbackRow = 0);
  // Reads the rows afresh, keeping the current row by key (or its position).
  void Reload();
  std::optional<int32_t> CurrentKey() const;
  int CurrentRow() const;  // -1 without
  std::vector<int32_t> SelectedKeys() const;
  bool SelectKey(int32_t key);
  void SelectRow(int row);
  // Selects the row, scrolls to it and opens the column's cell for editing.
  void EditCell(int32_t key, int column);
  // Commits an open in-place editor (before an action writes).
  void CommitEdit();

 signals:
  // The current row changed (nullopt: the list is empty).
  void CurrentChanged(std::optional<int32_t> key);
  void Written(int32_t key);

 private:
  Prompter& prompter_;
  QLabel* caption_;
  QTableView* view_;
  RecordListModel* model_;
};

}  // namespace vendora
