#pragma once
// Shared helpers of the tests: temporary folders, a prompter with scripted answers,
// and ready-made shop files.
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "common/prompter.h"
#include "shopdb/database.h"
#include "shopdb/recordset.h"

namespace vendora::test {

// Switches the process locale to German for one scope, as the GUI does at start, so
// that number formats can be checked for a decimal point.
class GermanLocale {
 public:
  GermanLocale();
  ~GermanLocale();
  GermanLocale(const GermanLocale&) = delete;
  GermanLocale& operator=(const GermanLocale&) = delete;
  bool active() const { return active_; }

 private:
  std::string saved_;
  bool active_ = false;
};

class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Answers questions from a queue (the preselected button once the queue is empty)
// and records every message it was shown.
class ScriptedPrompter : public Prompter {
 public:
  void Queue(Answer a) { answers_.push_back(a); }
  Answer Ask(const MessageRequest& request) override;
  const std::vector<MessageRequest>& asked() const { return asked_; }
  std::vector<std::string> Texts() const;
  void Clear() { asked_.clear(); }

 private:
  std::deque<Answer> answers_;
  std::vector<MessageRequest> asked_;
};

// Creates a complete shop database of the current version at `path`, language unset.
void CreateShopFile(const std::filesystem::path& path);

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

// Catalogue rows for tests; products use the sentinels (which must exist).
int32_t AddCategory(ShopDatabase& db, const std::string& name, int32_t order = 0);
int32_t AddProduct(ShopDatabase& db, int32_t category, const std::string& name, int32_t order = 0);

// Writes the single row of a settings table (replacing the row there is).
template <class Row>
void StoreRow(ShopDatabase& db, const Row& row) {
  RecordSet<Row> rs(db);
  rs.Open();
  if (rs.IsEOF()) rs.AddNew();
  else rs.Edit();
  *rs = row;
  rs.Update();
}

// Adds a row to a list table; returns its key (0 for tables without one).
template <class Row>
int32_t AddRow(ShopDatabase& db, const Row& row) {
  RecordSet<Row> rs(db);
  rs.OpenForAppend();
  rs.AddNew();
  *rs = row;
  rs.Update();
  if constexpr (requires { row.ID; }) return rs->ID;
  return 0;
}

// Every row of a table that passes `filter`, in the table's sort order.
template <class Row>
std::vector<Row> Rows(ShopDatabase& db, const Criteria& filter = {}) {
  RecordSet<Row> set(db);
  set.SetFilter(filter);
  std::vector<Row> rows;
  set.ForEach([&](const Row& r) { rows.push_back(r); });
  return rows;
}

// Runs one SQL statement on a file through a plain SQLite connection.
void ExecOnFile(const std::filesystem::path& path, const std::string& sql);

}  // namespace vendora::test
