// The list control over a large source: rows reach the view in batches, a row beyond
// them can still be selected, a refused cell keeps its text and says why, switches
// write "true"/"false", and the selected keys come in list order.
#include <QTableView>

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "controls/record_list.h"
#include "ui_support.h"
#include "ui_text.h"

namespace vendora::test {
namespace {

class NumberedRows : public ListRows {
 public:
  explicit NumberedRows(int count) : count_(count) {}
  void Reload() override { ++reloads; }
  int Count() const override { return count_; }
  int32_t Key(int row) const override { return 1000 + row; }
  std::string Cell(int row, int column) const override {
    if (column == 1) return flags_.count(row) ? "true" : "false";
    auto named = names_.find(row);
    return named != names_.end() ? named->second : "Zeile " + std::to_string(row);
  }
  Status Write(int row, int column, std::string_view typed) override {
    if (typed == "falsch") return Status::Error("Das geht nicht.");
    if (column == 1) {
      if (typed == "true") flags_.insert(row);
      else flags_.erase(row);
    } else {
      names_[row] = std::string(typed);
    }
    return Status::Ok();
  }
  int reloads = 0;

 private:
  int count_;
  std::map<int, std::string> names_;
  std::set<int> flags_;
};

TEST(RecordList, LargeSourcesArriveInBatchesAndCellsAreCheckedOnWrite) {
  ScriptedPrompter prompter;
  RecordList list(QStringLiteral("Zeilen"), {{QStringLiteral("Name")}, {QStringLiteral("An"), ColumnKind::Switch}},
                  prompter);
  NumberedRows rows(1000);
  list.Show(&rows);
  EXPECT_EQ(rows.reloads, 1);
  EXPECT_EQ(list.Model()->rowCount(), RecordListModel::kBatch);
  EXPECT_EQ(list.CurrentKey(), 1000);
  ASSERT_TRUE(list.SelectKey(1900));
  EXPECT_GE(list.Model()->rowCount(), 901);
  EXPECT_EQ(list.CurrentRow(), 900);

  RecordListModel* model = list.Model();
  EXPECT_FALSE(model->setData(model->index(900, 0), QStringLiteral("falsch"), Qt::EditRole));
  EXPECT_EQ(prompter.Texts().back(), "Das geht nicht.");
  EXPECT_EQ(model->index(900, 0).data().toString(), QStringLiteral("Zeile 900"));
  EXPECT_TRUE(model->setData(model->index(900, 1), Qt::Checked, Qt::CheckStateRole));
  EXPECT_EQ(rows.Cell(900, 1), "true");
  EXPECT_EQ(model->index(900, 1).data(Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_FALSE(model->index(900, 1).data(Qt::DisplayRole).isValid()) << "a switch shows its box, not a word";

  // Reloading keeps the row by its key.
  list.Reload();
  EXPECT_EQ(list.CurrentKey(), 1900);

  list.SetMultiSelection(true);
  auto* selection = list.View()->selectionModel();
  selection->select(model->index(7, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  selection->select(model->index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  EXPECT_EQ(list.SelectedKeys(), (std::vector<int32_t>{1003, 1007}));
}

}  // namespace
}  // namespace vendora::test
