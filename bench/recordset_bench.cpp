// Record sets against hand-written SQLite statements: the same catalogue is written and
// read back once through CRecSetCategories/Products/Items and once through prepared
// SQLiteCpp statements, on two shop files created alike. The record sets should stay
// within 1.5x of the raw statements; equal checksums prove both did the same work.
//
// Usage: recordset_bench [products=100000] [items-per-product=3] [categories=200]
#include <SQLiteCpp/SQLiteCpp.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "shopdb/db_error.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "shopdb/schema_builder.h"

namespace fs = std::filesystem;
using namespace vendora;

namespace {

struct Size {
  long products = 100000, items = 3, categories = 200;
};

// Rows counted and their values summed; prices as whole cents, so the sum does not
// depend on the order of reading.
struct Checksum {
  uint64_t rows = 0, sum = 0;
  void Add(int64_t id, size_t textBytes, float price = 0) {
    ++rows;
    sum += static_cast<uint64_t>(id) + textBytes + static_cast<uint64_t>(std::llround(price * 100.0));
  }
  bool operator==(const Checksum&) const = default;
};

std::string CategoryName(long c) { return "Kategorie " + std::to_string(c + 1); }
std::string ProductName(long p) { return "Produkt " + std::to_string(p + 1); }
std::string ItemNumber(long p, long i) { return "A-" + std::to_string(p + 1) + "-" + std::to_string(i + 1); }
float Price(long p, long i) { return static_cast<float>(p % 1000) + 0.5f * static_cast<float>(i) + 9.75f; }

struct Sentinels {
  int32_t tax = 0, attribute = 0, value = 0;
};

Sentinels CreateShop(const fs::path& file) {
  ShopDatabase db;
  db.OpenOrCreate(file);
  if (!CreateShopSchema(db, 150).ok) throw std::runtime_error("creating the shop failed");
  EnsureDefaultRows(db);
  Sentinels s;
  s.tax = EnsureTaxSentinel(db);
  CRecSetMainAttributes kinds(db);
  kinds.Open();
  kinds.FindFirst(Eq("Name", " "));
  s.attribute = kinds->ID;
  CRecSetSubAttributes values(db);
  values.Open();
  values.FindFirst(Eq("MainAttrID", s.attribute));
  s.value = values->ID;
  return s;
}

// ---- through the record sets ----

void InsertWithRecordSets(ShopDatabase& db, const Size& n, const Sentinels& s) {
  TransactionScope tx(db);
  CRecSetCategories cats(db);
  cats.OpenForAppend();
  std::vector<int32_t> categoryIds;
  for (long c = 0; c < n.categories; ++c) {
    cats.AddNew();
    cats->Name = CategoryName(c);
    cats->Order = static_cast<int32_t>(c);
    cats.Update();
    categoryIds.push_back(cats->ID);
  }
  CRecSetProducts prods(db);
  prods.OpenForAppend();
  CRecSetItems items(db);
  items.OpenForAppend();
  for (long p = 0; p < n.products; ++p) {
    prods.AddNew();
    prods->Name = ProductName(p);
    prods->TaxID = s.tax;
    prods->CategoryID = categoryIds[static_cast<size_t>(p % n.categories)];
    prods->Order = static_cast<int32_t>(p / n.categories);
    prods->AttributeID1 = prods->AttributeID2 = s.attribute;
    prods->Available = true;
    prods.Update();
    const int32_t productId = prods->ID;
    for (long i = 0; i < n.items; ++i) {
      items.AddNew();
      items->ProductID = productId;
      items->Order = static_cast<int32_t>(i);
      items->ItemNumber = ItemNumber(p, i);
      items->SubAttrID1 = items->SubAttrID2 = s.value;
      items->MPrice = Price(p, i);
      items->Available = true;
      items.Update();
    }
  }
  tx.Commit();
}

// One set per level, re-bound per parent: the statement text stays the same.
Checksum ReadPerParentWithRecordSets(ShopDatabase& db) {
  Checksum sum;
  CRecSetCategories cats(db);
  CRecSetProducts prods(db);
  CRecSetItems items(db);
  for (cats.Open(); !cats.IsEOF(); cats.MoveNext()) {
    sum.Add(cats->ID, cats->Name.size());
    prods.SetFilter(Eq("CategoryID", cats->ID));
    for (prods.Requery(); !prods.IsEOF(); prods.MoveNext()) {
      sum.Add(prods->ID, prods->Name.size());
      items.SetFilter(Eq("ProductID", prods->ID));
      for (items.Requery(); !items.IsEOF(); items.MoveNext())
        sum.Add(items->ID, items->ItemNumber.size(), items->MPrice);
    }
  }
  return sum;
}

Checksum ReadStreamedWithRecordSets(ShopDatabase& db) {
  Checksum sum;
  CRecSetCategories(db).ForEach([&](const CategoriesRow& r) { sum.Add(r.ID, r.Name.size()); });
  CRecSetProducts prods(db);
  prods.SetSort("[CategoryID], [Order]");
  prods.ForEach([&](const ProductsRow& r) { sum.Add(r.ID, r.Name.size()); });
  CRecSetItems items(db);
  items.SetSort("[ProductID], [Order]");
  items.ForEach([&](const ItemsRow& r) { sum.Add(r.ID, r.ItemNumber.size(), r.MPrice); });
  return sum;
}

// ---- through raw statements ----

void InsertRaw(SQLite::Database& db, const Size& n, const Sentinels& s) {
  SQLite::Transaction tx(db);
  SQLite::Statement cat(db, R"(INSERT INTO "Categories" ("Include", "Name", "Order") VALUES (1, ?, ?))");
  SQLite::Statement prod(db, R"(INSERT INTO "Products" ("Name", "TaxID", "CategoryID", "Order", "ShortDesc",
      "LongDesc", "AttributeID1", "AttributeID2", "Available") VALUES (?, ?, ?, ?, '', '', ?, ?, 1))");
  SQLite::Statement item(db, R"(INSERT INTO "Items" ("ProductID", "Order", "ItemNumber", "SubAttrID1",
      "SubAttrID2", "Weight", "MPrice", "SPrice", "Shipping", "Available") VALUES (?, ?, ?, ?, ?, 0, ?, 0, 0, 1))");
  std::vector<int32_t> categoryIds;
  for (long c = 0; c < n.categories; ++c) {
    cat.bind(1, CategoryName(c));
    cat.bind(2, static_cast<int>(c));
    cat.exec();
    cat.reset();
    categoryIds.push_back(static_cast<int32_t>(db.getLastInsertRowid()));
  }
  for (long p = 0; p < n.products; ++p) {
    prod.bind(1, ProductName(p));
    prod.bind(2, s.tax);
    prod.bind(3, categoryIds[static_cast<size_t>(p % n.categories)]);
    prod.bind(4, static_cast<int>(p / n.categories));
    prod.bind(5, s.attribute);
    prod.bind(6, s.attribute);
    prod.exec();
    prod.reset();
    const auto productId = static_cast<int32_t>(db.getLastInsertRowid());
    for (long i = 0; i < n.items; ++i) {
      item.bind(1, productId);
      item.bind(2, static_cast<int>(i));
      item.bind(3, ItemNumber(p, i));
      item.bind(4, s.value);
      item.bind(5, s.value);
      item.bind(6, static_cast<double>(Price(p, i)));
      item.exec();
      item.reset();
    }
  }
  tx.commit();
}

// All columns are read, as the record sets read them.
constexpr const char* kCategories = R"(SELECT rowid, "ID", "Include", "Name", "Order", "Description" FROM "Categories")";
constexpr const char* kProducts = R"(SELECT rowid, "ID", "Name", "TaxID", "CategoryID", "Order", "IndexID",
    "ShortDesc", "LongDesc", "AttributeID1", "AttributeID2", "MultiMediaFile1", "MultiMediaFile2",
    "MultiMediaFile3", "Available" FROM "Products")";
constexpr const char* kItems = R"(SELECT rowid, "ID", "ProductID", "Order", "ItemNumber", "SubAttrID1",
    "SubAttrID2", "Weight", "MPrice", "SPrice", "Shipping", "Available" FROM "Items")";

// Copies every column out, as any real reader has to.
struct RawRow {
  std::vector<std::string> texts;
  std::vector<double> numbers;
  void Read(SQLite::Statement& st) {
    texts.resize(static_cast<size_t>(st.getColumnCount()));
    numbers.resize(texts.size());
    for (int c = 0; c < st.getColumnCount(); ++c) {
      SQLite::Column col = st.getColumn(c);
      if (col.getType() == SQLite::TEXT) texts[static_cast<size_t>(c)].assign(col.getText(), static_cast<size_t>(col.getBytes()));
      else numbers[static_cast<size_t>(c)] = col.getDouble();
    }
  }
};

Checksum ReadPerParentRaw(SQLite::Database& db) {
  Checksum sum;
  SQLite::Statement cats(db, std::string(kCategories) + R"( ORDER BY "Order", rowid)");
  SQLite::Statement prods(db, std::string(kProducts) + R"( WHERE "CategoryID" = ? ORDER BY "Order", rowid)");
  SQLite::Statement items(db, std::string(kItems) + R"( WHERE "ProductID" = ? ORDER BY "Order", rowid)");
  RawRow c, p, i;
  while (cats.executeStep()) {
    c.Read(cats);
    sum.Add(static_cast<int64_t>(c.numbers[1]), c.texts[3].size());
    prods.reset();
    prods.bind(1, static_cast<int>(c.numbers[1]));
    while (prods.executeStep()) {
      p.Read(prods);
      sum.Add(static_cast<int64_t>(p.numbers[1]), p.texts[2].size());
      items.reset();
      items.bind(1, static_cast<int>(p.numbers[1]));
      while (items.executeStep()) {
        i.Read(items);
        sum.Add(static_cast<int64_t>(i.numbers[1]), i.texts[4].size(), static_cast<float>(i.numbers[8]));
      }
    }
  }
  return sum;
}

Checksum ReadStreamedRaw(SQLite::Database& db) {
  Checksum sum;
  RawRow r;
  SQLite::Statement cats(db, std::string(kCategories) + R"( ORDER BY "Order", rowid)");
  while (cats.executeStep()) r.Read(cats), sum.Add(static_cast<int64_t>(r.numbers[1]), r.texts[3].size());
  SQLite::Statement prods(db, std::string(kProducts) + R"( ORDER BY "CategoryID", "Order", rowid)");
  while (prods.executeStep()) r.Read(prods), sum.Add(static_cast<int64_t>(r.numbers[1]), r.texts[2].size());
  SQLite::Statement items(db, std::string(kItems) + R"( ORDER BY "ProductID", "Order", rowid)");
  while (items.executeStep())
    r.Read(items), sum.Add(static_cast<int64_t>(r.numbers[1]), r.texts[4].size(), static_cast<float>(r.numbers[8]));
  return sum;
}

double Seconds(const std::function<void()>& f) {
  auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void PrintRow(const char* phase, double rs, double raw) {
  std::printf("%-18s %9.3f s  %9.3f s  %6.2fx\n", phase, rs, raw, rs / raw);
}

}  // namespace

int main(int argc, char** argv) {
  Size n;
  if (argc > 1) n.products = std::max(1L, std::atol(argv[1]));
  if (argc > 2) n.items = std::max(0L, std::atol(argv[2]));
  if (argc > 3) n.categories = std::max(1L, std::atol(argv[3]));
  const fs::path folder = fs::temp_directory_path() /
                          ("vendora-recordset-bench-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::create_directories(folder);
  int rc = 1;
  try {
    const Sentinels sa = CreateShop(folder / "recordsets.mdb"), sb = CreateShop(folder / "raw.mdb");
    ShopDatabase shop;
    shop.Open(folder / "recordsets.mdb");
    SQLite::Database raw((folder / "raw.mdb").string(), SQLite::OPEN_READWRITE);
    // The same conditions as the shop connection: relations enforced, file held exclusively.
    raw.exec("PRAGMA foreign_keys = ON; PRAGMA locking_mode = EXCLUSIVE");

    std::printf("%ld products, %ld items each, %ld categories\n\n%-18s %11s  %11s  %7s\n", n.products, n.items,
                n.categories, "phase", "record set", "raw", "ratio");
    PrintRow("insert", Seconds([&] { InsertWithRecordSets(shop, n, sa); }), Seconds([&] { InsertRaw(raw, n, sb); }));
    Checksum a, b, c, d;
    PrintRow("read per-parent", Seconds([&] { a = ReadPerParentWithRecordSets(shop); }),
             Seconds([&] { b = ReadPerParentRaw(raw); }));
    PrintRow("read streamed", Seconds([&] { c = ReadStreamedWithRecordSets(shop); }),
             Seconds([&] { d = ReadStreamedRaw(raw); }));
    std::printf("(aim: within 1.5x of raw SQLite)\n");
    const uint64_t rows = static_cast<uint64_t>(n.categories + n.products + n.products * n.items);
    rc = (a == b && b == c && c == d && a.rows == rows) ? 0 : 1;
    if (rc) std::fprintf(stderr, "error: the two ways read different data\n");
  } catch (const DbError& e) {
    std::fprintf(stderr, "error: %s\n", e.description().c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "error: %s\n", e.what());
  }
  fs::remove_all(folder);
  return rc;
}
