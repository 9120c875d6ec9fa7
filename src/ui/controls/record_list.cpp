#include "controls/record_list.h"

#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

#include "common/prompter.h"
#include "ui_text.h"

namespace vendora {

namespace {

bool IsTrue(const std::string& cell) { return cell == "true"; }

// Editors by column kind: a line within the field's width, a number line, a chooser.
class CellDelegate : public QStyledItemDelegate {
 public:
  CellDelegate(RecordListModel* model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const ListColumn& column = model_->Column(index.column());
    switch (column.kind) {
      case ColumnKind::Lookup: {
        auto* chooser = new QComboBox(parent);
        chooser->setEditable(true);
        chooser->setInsertPolicy(QComboBox::NoInsert);
        for (const std::string& choice : model_->Rows()->Choices(index.column())) chooser->addItem(Q(choice));
        return chooser;
      }
      case ColumnKind::Number: {
        auto* edit = new QLineEdit(parent);
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral(R"(\s*[-+]?[0-9]*[.,]?[0-9]*\s*)")), edit));
        return edit;
      }
      case ColumnKind::Text: {
        auto* edit = new QLineEdit(parent);
        if (column.maxLength > 0) edit->setMaxLength(column.maxLength);
        return edit;
      }
      case ColumnKind::Switch: break;
    }
    return QStyledItemDelegate::createEditor(parent, option, index);
  }

  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    const QString text = index.data(Qt::EditRole).toString();
    if (auto* chooser = qobject_cast<QComboBox*>(editor)) {
      chooser->setCurrentIndex(chooser->findText(text));
      chooser->setEditText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
      edit->setText(text);
    } else {
      QStyledItemDelegate::setEditorData(editor, index);
    }
  }

  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
    QString text;
    if (auto* chooser = qobject_cast<QComboBox*>(editor))
      text = chooser->currentText();
    else if (auto* edit = qobject_cast<QLineEdit*>(editor))
      text = edit->text();
    else
      return QStyledItemDelegate::setModelData(editor, model, index);
    // An unchanged cell is not written: leaving an editor must not touch the row.
    if (text != index.data(Qt::EditRole).toString()) model->setData(index, text, Qt::EditRole);
  }

 private:
  RecordListModel* model_;
};

// The view's open editor can be committed on demand: an action must not lose the text
// the merchant is still typing into a cell.
class ListTableView : public QTableView {
 public:
  using QTableView::QTableView;
  void CommitOpenEditor() {
    if (state() != QAbstractItemView::EditingState) return;
    for (QWidget* child : viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (!child->isVisible()) continue;
      commitData(child);
      closeEditor(child, QAbstractItemDelegate::NoHint);
      return;
    }
  }
};

}  // namespace

RecordListModel::RecordListModel(std::vector<ListColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), columns_(std::move(columns)) {}

void RecordListModel::SetRows(ListRows* rows) {
  beginResetModel();
  rows_ = rows;
  shown_ = 0;
  endResetModel();
}

void RecordListModel::Reload() {
  beginResetModel();
  shown_ = 0;
  if (rows_) {
    try {
      rows_->Reload();
    } catch (...) {
      // The list shows nothing rather than rows it could not read; the caller reports.
      rows_ = nullptr;
      endResetModel();
      throw;
    }
    shown_ = std::min(rows_->Count(), kBatch);
  }
  endResetModel();
}

void RecordListModel::ShowUpTo(int row) {
  if (!rows_ || row < shown_) return;
  const int last = std::min(row + 1, rows_->Count());
  if (last <= shown_) return;
  beginInsertRows({}, shown_, last - 1);
  shown_ = last;
  endInsertRows();
}

int RecordListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_; }

int RecordListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant RecordListModel::data(const QModelIndex& index, int role) const {
  if (!rows_ || !index.isValid() || index.row() >= shown_) return {};
  const ListColumn& column = Column(index.column());
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      if (column.kind == ColumnKind::Switch) return {};
      return Q(rows_->Cell(index.row(), index.column()));
    case Qt::CheckStateRole:
      if (column.kind != ColumnKind::Switch) return {};
      return IsTrue(rows_->Cell(index.row(), index.column())) ? Qt::Checked : Qt::Unchecked;
    case Qt::ToolTipRole:
      if (!column.toolTip.isEmpty()) return column.toolTip;
      if (column.kind == ColumnKind::Switch) return {};
      return Q(rows_->Cell(index.row(), index.column()));
    case Qt::TextAlignmentRole:
      if (column.kind == ColumnKind::Number) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      return {};
    default: return {};
  }
}

bool RecordListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!rows_ || !index.isValid() || index.row() >= shown_) return false;
  const ListColumn& column = Column(index.column());
  std::string typed;
  if (column.kind == ColumnKind::Switch) {
    if (role != Qt::CheckStateRole) return false;
    typed = value.toInt() == Qt::Checked ? "true" : "false";
  } else {
    if (role != Qt::EditRole) return false;
    typed = U(value.toString());
  }
  const Status status = rows_->Write(index.row(), index.column(), typed);
  if (!status.ok()) {
    emit Refused(Q(status.message()));
    return false;
  }
  emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
  emit Written(index.row());
  return true;
}

Qt::ItemFlags RecordListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  const ListColumn& column = Column(index.column());
  if (column.editable) flags |= column.kind == ColumnKind::Switch ? Qt::ItemIsUserCheckable : Qt::ItemIsEditable;
  return flags;
}

QVariant RecordListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  if (role == Qt::DisplayRole) return Column(section).heading;
  if (role == Qt::ToolTipRole && !Column(section).toolTip.isEmpty()) return Column(section).toolTip;
  return {};
}

bool RecordListModel::canFetchMore(const QModelIndex& parent) const {
  return !parent.isValid() && rows_ && shown_ < rows_->Count();
}

void RecordListModel::fetchMore(const QModelIndex& parent) {
  if (!canFetchMore(parent)) return;
  ShowUpTo(std::min(shown_ + kBatch, rows_->Count()) - 1);
}

RecordList::RecordList(const QString& caption, std::vector<ListColumn> columns, Prompter& prompter, QWidget* parent)
    : QWidget(parent), prompter_(prompter) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  caption_ = new QLabel(caption, this);
  caption_->setVisible(!caption.isEmpty());
  view_ = new ListTableView(this);
  model_ = new RecordListModel(std::move(columns), this);
  view_->setModel(model_);
  view_->setItemDelegate(new CellDelegate(model_, view_));
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::SelectedClicked | QAbstractItemView::AnyKeyPressed);
  view_->verticalHeader()->hide();
  view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 8);
  view_->horizontalHeader()->setStretchLastSection(true);
  view_->setWordWrap(false);
  // Columns start as wide as their headings: the merchant widens what needs it.
  for (int column = 0; column < model_->columnCount(); ++column) {
    const int width = view_->fontMetrics().horizontalAdvance(model_->Column(column).heading) + 24;
    view_->setColumnWidth(column, std::max(width, model_->Column(column).kind == ColumnKind::Text ? 140 : 60));
  }
  caption_->setBuddy(view_);
  layout->addWidget(caption_);
  layout->addWidget(view_, 1);
  connect(model_, &RecordListModel::Refused, this,
          [this](const QString& reason) { prompter_.Show(U(reason), MessageIcon::Stop); });
  connect(model_, &RecordListModel::Written, this, [this](int row) {
    if (model_->Rows()) emit Written(model_->Rows()->Key(row));
  });
  connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex&, const QModelIndex&) { emit CurrentChanged(CurrentKey()); });
  connect(model_, &QAbstractItemModel::modelReset, this, [this] { emit CurrentChanged(CurrentKey()); });
}

void RecordList::SetMultiSelection(bool multi) {
  view_->setSelectionMode(multi ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void RecordList::Show(ListRows* rows, std::optional<int32_t> key, int fallbackRow) {
  model_->SetRows(rows);
  model_->Reload();
  if (key && SelectKey(*key)) return;
  if (rows && rows->Count() > 0) SelectRow(std::clamp(fallbackRow, 0, rows->Count() - 1));
}

void RecordList::Reload() {
  const std::optional<int32_t> key = CurrentKey();
  const int row = CurrentRow();
  Show(model_->Rows(), key, std::max(row, 0));
}

std::optional<int32_t> RecordList::CurrentKey() const {
  const int row = CurrentRow();
  if (row < 0) return std::nullopt;
  return model_->Rows()->Key(row);
}

int RecordList::CurrentRow() const {
  const QModelIndex current = view_->currentIndex();
  if (!current.isValid() || !model_->Rows() || current.row() >= model_->Rows()->Count()) return -1;
  return current.row();
}

std::vector<int32_t> RecordList::SelectedKeys() const {
  std::vector<int32_t> keys;
  if (!model_->Rows()) return keys;
  // In list order, whatever order the rows were clicked in.
  std::vector<int> rows;
  for (const QModelIndex& index : view_->selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  for (int row : rows) keys.push_back(model_->Rows()->Key(row));
  return keys;
}

bool RecordList::SelectKey(int32_t key) {
  ListRows* rows = model_->Rows();
  if (!rows) return false;
  for (int row = 0; row < rows->Count(); ++row) {
    if (rows->Key(row) != key) continue;
    SelectRow(row);
    return true;
  }
  return false;
}

void RecordList::SelectRow(int row) {
  if (!model_->Rows() || row < 0 || row >= model_->Rows()->Count()) return;
  model_->ShowUpTo(row);
  const QModelIndex index = model_->index(row, 0);
  view_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  view_->scrollTo(index);
}

void RecordList::EditCell(int32_t key, int column) {
  if (!SelectKey(key)) return;
  const QModelIndex index = model_->index(CurrentRow(), column);
  view_->setFocus();
  view_->edit(index);
}

void RecordList::CommitEdit() { static_cast<ListTableView*>(view_)->CommitOpenEditor(); }

}  // namespace vendora
