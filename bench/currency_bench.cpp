// The commerce page's two price runs over a large catalogue, beside the same change made
// by one UPDATE statement of the sqlite3 tool on a copy of the same file. The page's runs
// walk the items one by one (progress, cancel, the changed flag), so they cannot match a
// single statement; the ratio shows what that costs. Equal checksums prove both did the
// same work.
//
// Usage: currency_bench [items=300000]   (needs the sqlite3 tool on the PATH)
#include <SQLiteCpp/SQLiteCpp.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include <unistd.h>

#include "common/log.h"
#include "rules/commerce_rules.h"
#include "shopdb/default_rows.h"
#include "shopdb/recordsets.h"
#include "shopdb/schema_builder.h"

namespace fs = std::filesystem;
using namespace vendora;

namespace {

constexpr float kFactor = 1.95583f;

class CountingProgress : public ProgressSink {
 public:
  void SetProgress(int, int, int position) override { last = position; }
  int last = 0;
};

void CreateShop(const fs::path& file, long items) {
  ShopDatabase db;
  db.OpenOrCreate(file);
  if (!CreateShopSchema(db, 150).ok) throw std::runtime_error("creating the shop failed");
  EnsureDefaultRows(db);
  const int32_t tax = EnsureTaxSentinel(db);
  EnsureAttributeSentinels(db);
  CRecSetSubAttributes values(db);
  values.SetFilter(Eq("Name", " "));
  values.Open();
  const int32_t value = values->ID;
  CRecSetMainAttributes kinds(db);
  kinds.Open();
  kinds.FindFirst(Eq("Name", " "));
  TransactionScope tx(db);
  CRecSetCategories cats(db);
  cats.OpenForAppend();
  cats.AddNew();
  cats->Name = "Kategorie";
  cats.Update();
  CRecSetProducts products(db);
  products.OpenForAppend();
  products.AddNew();
  products->Name = "Produkt";
  products->CategoryID = cats->ID;
  products->TaxID = tax;
  products->AttributeID1 = products->AttributeID2 = kinds->ID;
  products.Update();
  CRecSetItems set(db);
  set.OpenForAppend();
  for (long i = 0; i < items; ++i) {
    set.AddNew();
    set->ProductID = products->ID;
    set->Order = static_cast<int32_t>(i);
    set->ItemNumber = "A-" + std::to_string(i + 1);
    set->SubAttrID1 = set->SubAttrID2 = value;
    set->MPrice = static_cast<float>(i % 5000) + 0.49f;
    set->SPrice = 0;
    set.Update();
  }
  tx.Commit();
}

// Prices as whole cents, summed, so the two ways can be compared.
long long Checksum(const fs::path& file) {
  SQLite::Database db(file.string());
  SQLite::Statement q(db, "SELECT MPrice, SPrice FROM Items");
  long long sum = 0;
  while (q.executeStep())
    sum += std::llround(q.getColumn(0).getDouble() * 100) * 3 + std::llround(q.getColumn(1).getDouble() * 100);
  return sum;
}

double Seconds(const std::function<void()>& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double RunTool(const fs::path& file, const std::string& sql) {
  const std::string command = "sqlite3 '" + file.string() + "' \"" + sql + "\"";
  return Seconds([&] {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("sqlite3 failed: " + command);
  });
}

}  // namespace

int main(int argc, char** argv) {
  const long items = argc > 1 ? std::atol(argv[1]) : 300000;
  const fs::path dir = fs::temp_directory_path() / ("vendora-currency-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path ours = dir / "ours.mdb", peer = dir / "peer.mdb";
  try {
    CreateShop(ours, items);
    fs::copy_file(ours, peer);

    ShopDatabase db;
    db.Open(ours);
    CountingProgress progress;
    const double convert = Seconds([&] { ConvertPrices(db, kFactor, {&progress, [] { return false; }}); });
    CurrencySelection selection{0, 1, "EUR", "DEM", kFactor};
    const double swap = Seconds([&] { SwapCurrencies(db, selection, {&progress, [] { return false; }}); });
    db.Close();

    // Positive prices: the cast cuts towards zero, which is floor here.
    // The factor as the float the page holds, so both multiply by the same number.
    char factor[64];
    std::snprintf(factor, sizeof factor, "%.17g", static_cast<double>(kFactor));
    const double convertPeer = RunTool(
        peer, std::string("UPDATE Items SET SPrice = CAST(MPrice * ") + factor + " * 100 + 0.5 AS INTEGER) / 100.0");
    const double swapPeer = RunTool(peer, "UPDATE Items SET MPrice = SPrice, SPrice = MPrice");

    const long long a = Checksum(ours), b = Checksum(peer);
    std::printf("%ld items\n", items);
    std::printf("convert: %.3f s, sqlite3 UPDATE %.3f s, ratio %.2f\n", convert, convertPeer, convert / convertPeer);
    std::printf("swap:    %.3f s, sqlite3 UPDATE %.3f s, ratio %.2f\n", swap, swapPeer, swap / swapPeer);
    std::printf("checksums %s (%lld, %lld), progress reached %d\n", a == b ? "equal" : "DIFFER", a, b, progress.last);
    fs::remove_all(dir);
    return a == b && progress.last == items ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "currency_bench: %s\n", e.what());
    fs::remove_all(dir);
    return 1;
  }
}
