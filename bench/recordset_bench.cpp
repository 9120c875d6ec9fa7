// Record sets against hand-written SQLite statements: the same catalogue is written and
// read back once through CRecSetCategories/Products/Items and once through prepared
// SQLiteCpp statements, on two shop files created alike. The record sets should stay
// within 1.5x of the raw statements; the checksums prove both did the same work.
//
// Usage: recordset_bench [products=100000] [items-per-product=3] [categories=200] [work-folder]
// Without a work folder a fresh one is made in the temp folder and removed at the end.
#include <SQLiteCpp/SQLiteCpp.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "shopdb/criteria.h"
#include "shopdb/database.h"
#include "shopdb/db_error.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "shopdb/schema_builder.h"

namespace fs = std::filesystem;
using namespace vendora;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Options {
  long products = 100000;
  long items = 3;
  long categories = 200;
  fs::path folder;
  bool keepFolder = false;
};

long ParseCount(const char* text, const char* what, long minimum) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < minimum)
    throw std::invalid_argument(std::string("invalid ") + what + ": " + text);
  return v;
}

// Order-independent: the per-parent and the streamed walk visit the rows in different
// orders, so prices are summed as whole cents rather than as floats.
struct Checksum {
  uint64_t categories = 0, products = 0, items = 0;
  uint64_t sum = 0;

  void Category(const CategoriesRow& r) {
    ++categories;
    sum += static_cast<uint64_t>(r.ID) + r.Name.size();
  }
  void Product(const ProductsRow& r) {
    ++products;
    sum += static_cast<uint64_t>(r.ID) + static_cast<uint64_t>(r.CategoryID) + r.Name.size() + r.ShortDesc.size() +
           (r.Available ? 1 : 0);
  }
  void Item(const ItemsRow& r) {
    ++items;
    sum += static_cast<uint64_t>(r.ID) + static_cast<uint64_t>(r.ProductID) + r.ItemNumber.size() + Cents(r.Weight) +
           Cents(r.MPrice) + Cents(r.SPrice) + Cents(r.Shipping);
  }
  static uint64_t Cents(float v) { return static_cast<uint64_t>(std::llround(static_cast<double>(v) * 100.0)); }

  bool operator==(const Checksum&) const = default;
};

void PrintChecksum(std::FILE* out, const char* label, const Checksum& c) {
  std::fprintf(out, "  %-14s categories %llu, products %llu, items %llu, sum %llu\n", label,
              static_cast<unsigned long long>(c.categories), static_cast<unsigned long long>(c.products),
              static_cast<unsigned long long>(c.items), static_cast<unsigned long long>(c.sum));
}

// The catalogue both runs write. Product p belongs to category p % categories.
CategoriesRow MakeCategory(long c) {
  CategoriesRow r;
  r.Include = true;
  r.Name = "Kategorie " + std::to_string(c + 1);
  r.Order = static_cast<int32_t>(c);
  return r;
}

ProductsRow MakeProduct(const Options& o, long p, int32_t categoryId, int32_t taxId, int32_t attributeId) {
  ProductsRow r;
  r.Name = "Produkt " + std::to_string(p + 1);
  r.TaxID = taxId;
  r.CategoryID = categoryId;
  r.Order = static_cast<int32_t>(p / o.categories);
  r.ShortDesc = "Kurzbeschreibung für Produkt " + std::to_string(p + 1);
  r.AttributeID1 = attributeId;
  r.AttributeID2 = attributeId;
  r.Available = true;
  return r;
}

ItemsRow MakeItem(long p, long i, int32_t productId, int32_t subAttrId) {
  ItemsRow r;
  r.ProductID = productId;
  r.Order = static_cast<int32_t>(i);
  r.ItemNumber = "A-" + std::to_string(p + 1) + "-" + std::to_string(i + 1);
  r.SubAttrID1 = subAttrId;
  r.SubAttrID2 = subAttrId;
  r.Weight = 0.25f * static_cast<float>(i + 1);
  r.MPrice = static_cast<float>(p % 1000) + 0.5f * static_cast<float>(i) + 9.75f;
  r.SPrice = r.MPrice - 1.0f;
  r.Shipping = 4.5f;
  r.Available = true;
  return r;
}

struct Sentinels {
  int32_t tax = 0;
  int32_t attribute = 0;
  int32_t subAttribute = 0;
};

// Whether an index of the table leads with the field.
bool HasIndexOn(SQLite::Database& db, const char* table, const char* field) {
  SQLite::Statement probe(db,
                          "SELECT 1 FROM pragma_index_list(?1) AS l, pragma_index_info(l.name) AS i "
                          "WHERE i.seqno = 0 AND i.name = ?2 COLLATE NOCASE");
  probe.bind(1, table);
  probe.bind(2, field);
  return probe.executeStep();
}

// A fresh shop file as the program creates one: every table, and the sentinel rows
// that products and items must point at.
Sentinels CreateShop(ShopDatabase& db, const fs::path& file) {
  // A journal left by an aborted earlier run would be rolled into the new file.
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) fs::remove(fs::path(file.string() + suffix));
  db.OpenOrCreate(file);
  SchemaReport report = CreateShopSchema(db, 150, 1031);
  if (!report.ok) {
    std::string text = "creating the shop schema failed:";
    for (const auto& f : report.failures) text += "\n  " + f;
    throw std::runtime_error(text);
  }
  EnsureDefaultRows(db);
  Sentinels s;
  s.tax = EnsureTaxSentinel(db);
  CRecSetMainAttributes kinds(db);
  kinds.Open();
  if (!kinds.FindFirst(Eq("Name", " "))) throw std::runtime_error("no attribute sentinel");
  s.attribute = kinds->ID;
  CRecSetSubAttributes values(db);
  values.Open();
  if (!values.FindFirst(Eq("MainAttrID", s.attribute) && Eq("Name", " ")))
    throw std::runtime_error("no attribute value sentinel");
  s.subAttribute = values->ID;
  if (s.tax == 0) throw std::runtime_error("no tax sentinel");
  return s;
}

struct Times {
  double insert = 0, perParent = 0, streamed = 0;
};

// ---- Run A: record sets -------------------------------------------------------------
// The phases of both runs are kept out of line so that a profiler shows them apart.

[[gnu::noinline]] void InsertWithRecordSets(ShopDatabase& db, const Options& o, const Sentinels& s) {
  TransactionScope tx(db);
  CRecSetCategories cats(db);
  cats.Open();
  std::vector<int32_t> categoryIds;
  categoryIds.reserve(static_cast<size_t>(o.categories));
  for (long c = 0; c < o.categories; ++c) {
    CategoriesRow row = MakeCategory(c);
    cats.AddNew();
    cats->Include = row.Include;
    cats->Name = std::move(row.Name);
    cats->Order = row.Order;
    cats.Update();
    categoryIds.push_back(cats->ID);
  }
  CRecSetProducts prods(db);
  prods.OpenForAppend();
  CRecSetItems items(db);
  items.OpenForAppend();
  for (long p = 0; p < o.products; ++p) {
    ProductsRow row = MakeProduct(o, p, categoryIds[static_cast<size_t>(p % o.categories)], s.tax, s.attribute);
    prods.AddNew();
    prods->Name = std::move(row.Name);
    prods->TaxID = row.TaxID;
    prods->CategoryID = row.CategoryID;
    prods->Order = row.Order;
    prods->ShortDesc = std::move(row.ShortDesc);
    prods->AttributeID1 = row.AttributeID1;
    prods->AttributeID2 = row.AttributeID2;
    prods->Available = row.Available;
    prods.Update();
    const int32_t productId = prods->ID;
    for (long i = 0; i < o.items; ++i) {
      ItemsRow item = MakeItem(p, i, productId, s.subAttribute);
      items.AddNew();
      items->ProductID = item.ProductID;
      items->Order = item.Order;
      items->ItemNumber = std::move(item.ItemNumber);
      items->SubAttrID1 = item.SubAttrID1;
      items->SubAttrID2 = item.SubAttrID2;
      items->Weight = item.Weight;
      items->MPrice = item.MPrice;
      items->SPrice = item.SPrice;
      items->Shipping = item.Shipping;
      items->Available = item.Available;
      items.Update();
    }
  }
  tx.Commit();
}

[[gnu::noinline]] Checksum ReadPerParentWithRecordSets(ShopDatabase& db) {
  Checksum sum;
  CRecSetCategories cats(db);
  cats.Open();
  // One set per level, re-bound per parent: the statement text stays the same.
  CRecSetProducts prods(db);
  CRecSetItems items(db);
  for (; !cats.IsEOF(); cats.MoveNext()) {
    sum.Category(*cats);
    prods.SetFilter(Eq("CategoryID", cats->ID));
    prods.Requery();
    for (; !prods.IsEOF(); prods.MoveNext()) {
      sum.Product(*prods);
      items.SetFilter(Eq("ProductID", prods->ID));
      items.Requery();
      for (; !items.IsEOF(); items.MoveNext()) sum.Item(*items);
    }
  }
  return sum;
}

[[gnu::noinline]] Checksum ReadStreamedWithRecordSets(ShopDatabase& db) {
  Checksum sum;
  CRecSetCategories cats(db);
  cats.ForEach([&](const CategoriesRow& r) { sum.Category(r); });
  CRecSetProducts prods(db);
  prods.SetSort("[CategoryID], [Order]");
  prods.ForEach([&](const ProductsRow& r) { sum.Product(r); });
  CRecSetItems items(db);
  items.SetSort("[ProductID], [Order]");
  items.ForEach([&](const ItemsRow& r) { sum.Item(r); });
  return sum;
}

// ---- Run B: SQLiteCpp statements ------------------------------------------------------

// Same columns, same null handling as the record sets, so both read the same values.
int32_t IntOrZero(const SQLite::Column& c) { return c.isNull() ? 0 : c.getInt(); }
float FloatOrZero(const SQLite::Column& c) { return c.isNull() ? 0.0f : static_cast<float>(c.getDouble()); }
void TextOrEmpty(const SQLite::Column& c, std::string& out) {
  if (c.isNull()) out.clear();
  else out.assign(c.getText(), static_cast<size_t>(c.getBytes()));
}

void ReadCategory(const SQLite::Statement& st, CategoriesRow& r) {
  r.ID = IntOrZero(st.getColumn(0));
  r.Include = IntOrZero(st.getColumn(1)) != 0;
  TextOrEmpty(st.getColumn(2), r.Name);
  r.Order = IntOrZero(st.getColumn(3));
  TextOrEmpty(st.getColumn(4), r.Description);
}

void ReadProduct(const SQLite::Statement& st, ProductsRow& r) {
  r.ID = IntOrZero(st.getColumn(0));
  TextOrEmpty(st.getColumn(1), r.Name);
  r.TaxID = IntOrZero(st.getColumn(2));
  r.CategoryID = IntOrZero(st.getColumn(3));
  r.Order = IntOrZero(st.getColumn(4));
  SQLite::Column index = st.getColumn(5);
  if (index.isNull()) r.IndexID.reset();
  else r.IndexID = index.getInt();
  TextOrEmpty(st.getColumn(6), r.ShortDesc);
  TextOrEmpty(st.getColumn(7), r.LongDesc);
  r.AttributeID1 = IntOrZero(st.getColumn(8));
  r.AttributeID2 = IntOrZero(st.getColumn(9));
  TextOrEmpty(st.getColumn(10), r.MultiMediaFile1);
  TextOrEmpty(st.getColumn(11), r.MultiMediaFile2);
  TextOrEmpty(st.getColumn(12), r.MultiMediaFile3);
  r.Available = IntOrZero(st.getColumn(13)) != 0;
}

void ReadItem(const SQLite::Statement& st, ItemsRow& r) {
  r.ID = IntOrZero(st.getColumn(0));
  r.ProductID = IntOrZero(st.getColumn(1));
  r.Order = IntOrZero(st.getColumn(2));
  TextOrEmpty(st.getColumn(3), r.ItemNumber);
  r.SubAttrID1 = IntOrZero(st.getColumn(4));
  r.SubAttrID2 = IntOrZero(st.getColumn(5));
  r.Weight = FloatOrZero(st.getColumn(6));
  r.MPrice = FloatOrZero(st.getColumn(7));
  r.SPrice = FloatOrZero(st.getColumn(8));
  r.Shipping = FloatOrZero(st.getColumn(9));
  r.Available = IntOrZero(st.getColumn(10)) != 0;
}

constexpr const char* kCategoryColumns = R"("ID", "Include", "Name", "Order", "Description")";
constexpr const char* kProductColumns =
    R"("ID", "Name", "TaxID", "CategoryID", "Order", "IndexID", "ShortDesc", "LongDesc", "AttributeID1", )"
    R"("AttributeID2", "MultiMediaFile1", "MultiMediaFile2", "MultiMediaFile3", "Available")";
constexpr const char* kItemColumns =
    R"("ID", "ProductID", "Order", "ItemNumber", "SubAttrID1", "SubAttrID2", "Weight", "MPrice", "SPrice", )"
    R"("Shipping", "Available")";

std::string Select(const char* columns, const char* table, const char* where, const char* order) {
  std::string sql = std::string("SELECT ") + columns + " FROM \"" + table + "\"";
  if (*where) sql += std::string(" WHERE ") + where;
  return sql + " ORDER BY " + order;
}

[[gnu::noinline]] void InsertRaw(SQLite::Database& db, const Options& o, const Sentinels& s) {
  SQLite::Transaction tx(db);
  SQLite::Statement insCat(db, R"(INSERT INTO "Categories" ("Include", "Name", "Order", "Description") VALUES (?, ?, ?, ?))");
  std::vector<int32_t> categoryIds;
  categoryIds.reserve(static_cast<size_t>(o.categories));
  for (long c = 0; c < o.categories; ++c) {
    CategoriesRow r = MakeCategory(c);
    insCat.bind(1, r.Include ? 1 : 0);
    insCat.bind(2, r.Name);
    insCat.bind(3, r.Order);
    insCat.bind(4);  // empty memo without zero-length permission is stored as null
    insCat.exec();
    insCat.reset();
    categoryIds.push_back(static_cast<int32_t>(db.getLastInsertRowid()));
  }
  SQLite::Statement insProd(
      db,
      R"(INSERT INTO "Products" ("Name", "TaxID", "CategoryID", "Order", "IndexID", "ShortDesc", "LongDesc", )"
      R"("AttributeID1", "AttributeID2", "MultiMediaFile1", "MultiMediaFile2", "MultiMediaFile3", "Available") )"
      R"(VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?))");
  SQLite::Statement insItem(
      db,
      R"(INSERT INTO "Items" ("ProductID", "Order", "ItemNumber", "SubAttrID1", "SubAttrID2", "Weight", "MPrice", )"
      R"("SPrice", "Shipping", "Available") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?))");
  for (long p = 0; p < o.products; ++p) {
    ProductsRow r = MakeProduct(o, p, categoryIds[static_cast<size_t>(p % o.categories)], s.tax, s.attribute);
    insProd.bind(1, r.Name);
    insProd.bind(2, r.TaxID);
    insProd.bind(3, r.CategoryID);
    insProd.bind(4, r.Order);
    insProd.bind(5);
    insProd.bind(6, r.ShortDesc);
    insProd.bind(7, r.LongDesc);  // zero-length allowed: stored as ''
    insProd.bind(8, r.AttributeID1);
    insProd.bind(9, r.AttributeID2);
    insProd.bind(10);
    insProd.bind(11);
    insProd.bind(12);
    insProd.bind(13, r.Available ? 1 : 0);
    insProd.exec();
    insProd.reset();
    const auto productId = static_cast<int32_t>(db.getLastInsertRowid());
    for (long i = 0; i < o.items; ++i) {
      ItemsRow it = MakeItem(p, i, productId, s.subAttribute);
      insItem.bind(1, it.ProductID);
      insItem.bind(2, it.Order);
      insItem.bind(3, it.ItemNumber);
      insItem.bind(4, it.SubAttrID1);
      insItem.bind(5, it.SubAttrID2);
      insItem.bind(6, static_cast<double>(it.Weight));
      insItem.bind(7, static_cast<double>(it.MPrice));
      insItem.bind(8, static_cast<double>(it.SPrice));
      insItem.bind(9, static_cast<double>(it.Shipping));
      insItem.bind(10, it.Available ? 1 : 0);
      insItem.exec();
      insItem.reset();
    }
  }
  tx.commit();
}

[[gnu::noinline]] Checksum ReadPerParentRaw(SQLite::Database& db) {
  Checksum sum;
  SQLite::Statement cats(db, Select(kCategoryColumns, "Categories", "", R"("Order", rowid)"));
  SQLite::Statement prods(db, Select(kProductColumns, "Products", R"("CategoryID" = ?)", R"("Order", rowid)"));
  SQLite::Statement items(db, Select(kItemColumns, "Items", R"("ProductID" = ?)", R"("Order", rowid)"));
  CategoriesRow cat;
  ProductsRow prod;
  ItemsRow item;
  while (cats.executeStep()) {
    ReadCategory(cats, cat);
    sum.Category(cat);
    prods.reset();
    prods.bind(1, cat.ID);
    while (prods.executeStep()) {
      ReadProduct(prods, prod);
      sum.Product(prod);
      items.reset();
      items.bind(1, prod.ID);
      while (items.executeStep()) {
        ReadItem(items, item);
        sum.Item(item);
      }
    }
  }
  return sum;
}

[[gnu::noinline]] Checksum ReadStreamedRaw(SQLite::Database& db) {
  Checksum sum;
  SQLite::Statement cats(db, Select(kCategoryColumns, "Categories", "", R"("Order", rowid)"));
  CategoriesRow cat;
  while (cats.executeStep()) {
    ReadCategory(cats, cat);
    sum.Category(cat);
  }
  SQLite::Statement prods(db, Select(kProductColumns, "Products", "", R"("CategoryID", "Order", rowid)"));
  ProductsRow prod;
  while (prods.executeStep()) {
    ReadProduct(prods, prod);
    sum.Product(prod);
  }
  SQLite::Statement items(db, Select(kItemColumns, "Items", "", R"("ProductID", "Order", rowid)"));
  ItemsRow item;
  while (items.executeStep()) {
    ReadItem(items, item);
    sum.Item(item);
  }
  return sum;
}

void PrintRow(const char* phase, double rs, double raw) {
  std::printf("%-18s %9.3f s  %9.3f s  %6.2fx\n", phase, rs, raw, raw > 0 ? rs / raw : 0.0);
}

int Run(const Options& o) {
  std::printf("recordset_bench: %ld products, %ld items per product, %ld categories\n", o.products, o.items,
              o.categories);
  std::printf("work folder: %s\n", o.folder.string().c_str());
  const fs::path fileA = o.folder / "bench_recordsets.mdb";
  const fs::path fileB = o.folder / "bench_raw.mdb";

  Times a, b;
  Checksum aParent, aStream, bParent, bStream;

  ShopDatabase shop;
  const Sentinels sentinelsA = CreateShop(shop, fileA);
  Sentinels sentinelsB;
  {
    ShopDatabase other;
    sentinelsB = CreateShop(other, fileB);
  }
  SQLite::Database raw(fileB.string(), SQLite::OPEN_READWRITE);
  raw.exec("PRAGMA foreign_keys = ON");
  // The shop connection holds its file exclusively; so does this one, so that both
  // runs pay the same locking.
  raw.exec("PRAGMA locking_mode = EXCLUSIVE");
  for (auto [table, field] : {std::pair{"Products", "CategoryID"}, std::pair{"Items", "ProductID"}}) {
    if (!HasIndexOn(raw, table, field))
      std::printf("note: %s.%s has no index: every per-parent query scans the whole table, so that phase grows "
                  "with products x items\n",
                  table, field);
  }

  // Each phase runs for both files back to back, so that both see the same state of
  // the machine (other load, file cache).
  auto timed = [](auto&& f) {
    const auto start = Clock::now();
    f();
    return SecondsSince(start);
  };
  // Rows are printed as they finish: the per-parent phase can take long.
  std::printf("\n%-18s %11s  %11s  %7s\n", "phase", "record set", "raw", "ratio");
  a.insert = timed([&] { InsertWithRecordSets(shop, o, sentinelsA); });
  b.insert = timed([&] { InsertRaw(raw, o, sentinelsB); });
  PrintRow("insert", a.insert, b.insert);

  const auto expectedItems = static_cast<uint64_t>(o.products) * static_cast<uint64_t>(o.items);
  auto complete = [&](const Checksum& c) {
    return c.categories == static_cast<uint64_t>(o.categories) && c.products == static_cast<uint64_t>(o.products) &&
           c.items == expectedItems;
  };
  auto fail = [&](const char* phase, const Checksum& rs, const Checksum& rw) {
    std::fprintf(stderr, "error: %s: record sets and raw statements read different data\n", phase);
    PrintChecksum(stderr, "record sets:", rs);
    PrintChecksum(stderr, "raw:", rw);
    return 1;
  };

  a.perParent = timed([&] { aParent = ReadPerParentWithRecordSets(shop); });
  b.perParent = timed([&] { bParent = ReadPerParentRaw(raw); });
  if (aParent != bParent || !complete(aParent)) return fail("read per-parent", aParent, bParent);
  PrintRow("read per-parent", a.perParent, b.perParent);

  a.streamed = timed([&] { aStream = ReadStreamedWithRecordSets(shop); });
  b.streamed = timed([&] { bStream = ReadStreamedRaw(raw); });
  if (aStream != bStream || aStream != aParent) return fail("read streamed", aStream, bStream);
  PrintRow("read streamed", a.streamed, b.streamed);

  std::printf("(aim: within 1.5x of raw SQLite)\n");
  PrintChecksum(stdout, "checksum:", aParent);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Line by line, so that an interrupted long run still shows the finished phases.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  Options o;
  try {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    if (args.size() > 4) throw std::invalid_argument("too many arguments");
    if (args.size() > 0) o.products = ParseCount(args[0].c_str(), "number of products", 0);
    if (args.size() > 1) o.items = ParseCount(args[1].c_str(), "items per product", 0);
    if (args.size() > 2) o.categories = ParseCount(args[2].c_str(), "number of categories", 1);
    if (args.size() > 3) {
      o.folder = args[3];
      o.keepFolder = true;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\nusage: %s [products] [items-per-product] [categories] [work-folder]\n", e.what(),
                 argv[0]);
    return 2;
  }

  int rc = 1;
  try {
    if (!o.keepFolder) {
      const auto stamp = std::chrono::system_clock::now().time_since_epoch().count();
      o.folder = fs::temp_directory_path() / ("vendora_recordset_bench_" + std::to_string(stamp));
    }
    fs::create_directories(o.folder);
    rc = Run(o);
  } catch (const DbError& e) {
    std::fprintf(stderr, "error: %s\n", e.description().c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "error: %s\n", e.what());
  }

  if (!o.keepFolder && !o.folder.empty()) {
    std::error_code ec;
    fs::remove_all(o.folder, ec);
  }
  return rc;
}
