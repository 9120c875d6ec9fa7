#pragma once
// Row work the editing pages' lists share: one transaction per action, rows by key,
// and moves that renumber a list from 0 writing only the rows whose [Order] changed.
// For the rules' own files only.
#include <algorithm>
#include <functional>
#include <string>
#include <optional>
#include <utility>
#include <vector>

#include "common/prompter.h"
#include "common/status.h"
#include "rules/catalogue_edit.h"
#include "shopdb/database.h"
#include "shopdb/recordsets.h"

namespace vendora::list_rows {

// One user action, one transaction: a refusal half way leaves the shop as it was.
template <class F>
auto Atomically(ShopDatabase& db, F&& action) {
  TransactionScope transaction(db);
  auto result = action();
  transaction.Commit();
  return result;
}

template <class Row>
std::optional<Row> RowById(ShopDatabase& db, int32_t id) {
  RecordSet<Row> set(db);
  set.SetFilter(Eq("ID", id));
  set.Open();
  if (set.IsEOF()) return std::nullopt;
  return *set;
}

template <class Row>
int32_t Insert(ShopDatabase& db, Row row) {
  CMyDaoRecordset<Row> set(db);
  set.OpenForAppend();
  set.AddNew();
  *set = std::move(row);
  set.Update();
  if constexpr (requires { row.ID; }) return set->ID;
  return 0;
}

template <class Row, class F>
bool UpdateById(ShopDatabase& db, int32_t id, F&& change) {
  CMyDaoRecordset<Row> set(db);
  set.SetFilter(Eq("ID", id));
  set.Open();
  if (set.IsEOF()) return false;
  set.Edit();
  change(*set);
  set.Update();
  return true;
}

template <class Row>
bool DeleteById(ShopDatabase& db, int32_t id) {
  CMyDaoRecordset<Row> set(db);
  set.SetFilter(Eq("ID", id));
  set.Open();
  if (set.IsEOF()) return false;
  set.Delete();
  return true;
}

// The [Order] of the list's last row (the largest, as the list is sorted by it).
template <class Row>
std::optional<int32_t> LastOrder(ShopDatabase& db, const std::optional<Criteria>& list = std::nullopt) {
  RecordSet<Row> set(db);
  if (list) set.SetFilter(*list);
  std::optional<int32_t> last;
  set.ForEach([&](const Row& r) { last = last ? std::max(*last, r.Order) : r.Order; });
  return last;
}

template <class Row>
int MoveInList(ShopDatabase& db, const std::optional<Criteria>& list, int32_t id, MoveDirection direction) {
  return Atomically(db, [&] {
    CMyDaoRecordset<Row> set(db);
    if (list) set.SetFilter(*list);
    set.Open();
    std::vector<std::pair<int32_t, int32_t>> rows;  // key, [Order] in list order
    for (set.MoveFirst(); !set.IsEOF(); set.MoveNext()) rows.emplace_back(set->ID, set->Order);
    auto it = std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r.first == id; });
    if (it == rows.end()) return 0;
    if (direction == MoveDirection::Up) {
      if (it == rows.begin()) return 0;
      std::iter_swap(it, it - 1);
    } else {
      if (it + 1 == rows.end()) return 0;
      std::iter_swap(it, it + 1);
    }
    int written = 0;
    for (size_t position = 0; position < rows.size(); ++position) {
      const int32_t order = static_cast<int32_t>(position);
      if (rows[position].second == order) continue;
      set.FindFirst(Eq("ID", rows[position].first));
      set.Edit();
      set->Order = order;
      set.Update();
      ++written;
    }
    return written;
  });
}

// The question asked when a page with unsaved changes is left (Yes/No/Cancel): Yes
// writes and saves every tab in order and stops at the first failure, which is
// returned; No discards every tab; Cancel stays. The value: whether the page may be left.
template <class Tab, int kTabCount, class Page>
Result<bool> ConfirmLeavePage(Page& page, Prompter& prompter, std::string question,
                              const std::function<Status(Tab)>& writeFields) {
  if (!page.AnyChanged()) return true;
  const Answer answer = prompter.AskYesNoCancel(std::move(question), Answer::Yes);
  if (answer == Answer::Cancel) return false;
  if (answer == Answer::No) {
    for (int tab = 0; tab < kTabCount; ++tab) page.DiscardTab(static_cast<Tab>(tab));
    return true;
  }
  for (int i = 0; i < kTabCount; ++i) {
    const auto tab = static_cast<Tab>(i);
    if (writeFields) {
      if (Status written = writeFields(tab); !written.ok()) return written;
    }
    if (Status saved = page.SaveTab(tab); !saved.ok()) return saved;
  }
  return true;
}

}  // namespace vendora::list_rows
