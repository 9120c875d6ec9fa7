#include "support/test_support.h"

#include <clocale>

#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "shopdb/schema_builder.h"

namespace vendora::test {

GermanLocale::GermanLocale() {
  const char* old = std::setlocale(LC_ALL, nullptr);
  saved_ = old ? old : "C";
  active_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
}

GermanLocale::~GermanLocale() { std::setlocale(LC_ALL, saved_.c_str()); }

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::random_device rd;
  path_ = fs::temp_directory_path() / ("vendora-test-" + std::to_string(rd()) + std::to_string(rd()));
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  // Restore write permission so everything can be removed.
  for (auto& e : fs::recursive_directory_iterator(path_, ec))
    fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

Answer ScriptedPrompter::Ask(const MessageRequest& request) {
  asked_.push_back(request);
  if (request.buttons == MessageButtons::Ok) return Answer::Ok;
  if (answers_.empty()) return request.defaultAnswer;
  Answer a = answers_.front();
  answers_.pop_front();
  return a;
}

std::vector<std::string> ScriptedPrompter::Texts() const {
  std::vector<std::string> out;
  for (const auto& r : asked_) out.push_back(r.text);
  return out;
}

void CreateShopFile(const fs::path& path) {
  ShopDatabase db;
  db.OpenOrCreate(path);
  ASSERT_TRUE(CreateShopSchema(db, 150).ok);
}

int32_t AddCategory(ShopDatabase& db, const std::string& name, int32_t order) {
  CRecSetCategories c(db);
  c.OpenForAppend();
  c.AddNew();
  c->Name = name;
  c->Order = order;
  c.Update();
  return c->ID;
}

int32_t AddProduct(ShopDatabase& db, int32_t category, const std::string& name, int32_t order) {
  CRecSetMainAttributes kinds(db);
  kinds.Open();
  EXPECT_TRUE(kinds.FindFirst(Eq("Name", " ")));
  CRecSetProducts p(db);
  p.OpenForAppend();
  p.AddNew();
  p->Name = name;
  p->CategoryID = category;
  p->Order = order;
  p->TaxID = EnsureTaxSentinel(db);
  p->AttributeID1 = p->AttributeID2 = kinds->ID;
  p->Available = true;
  p.Update();
  return p->ID;
}

std::string ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFileBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

void ExecOnFile(const fs::path& path, const std::string& sql) {
  SQLite::Database db(path.string(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
  db.exec(sql);
}

}  // namespace vendora::test
