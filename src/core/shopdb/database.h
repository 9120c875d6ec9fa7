#pragma once
// One open shop database file (SQLite). Owns the connection and a cache of prepared
// statements that record sets borrow and re-bind, so walking many parents costs one
// prepare per statement text, not one per parent.
//
// Threading: one thread at a time uses a ShopDatabase and its record sets.
// Errors: every operation throws DbError (never SQLite's own exception type).
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace SQLite {
class Database;
class Statement;
}  // namespace SQLite

namespace vendora {

class ShopDatabase {
 public:
  ShopDatabase();
  ~ShopDatabase();
  ShopDatabase(const ShopDatabase&) = delete;
  ShopDatabase& operator=(const ShopDatabase&) = delete;

  // Opens an existing file for writable use. Never creates a file. With `exclusive`
  // the file is locked against every other connection until Close (a second program
  // cannot edit the same shop). Nothing is written to the file by opening it.
  void Open(const std::filesystem::path& path, bool exclusive = true);
  // Opens for reading only, shared (used to compact a closed shop).
  void OpenReadOnly(const std::filesystem::path& path);
  // Opens the file, creating an empty database when there is none.
  void OpenOrCreate(const std::filesystem::path& path, bool exclusive = true);
  // Closes the connection; statements borrowed from it become invalid.
  void Close() noexcept;

  bool IsOpen() const { return static_cast<bool>(db_); }
  const std::filesystem::path& Path() const { return path_; }
  // Changes on every Open/Close, so record sets notice that their database went away.
  uint64_t OpenSerial() const { return serial_; }

  // How the coming work reads the file. Walking children per parent touches pages in
  // index order and keeps a large page cache (the default); passes over whole tables
  // read each page once, and a large cache would only cost memory.
  enum class Reading { PerParent, WholeTables };
  void SetReading(Reading reading);

  // Runs SQL without parameters (schema changes, pragmas).
  void Execute(std::string_view sql);
  bool TableExists(std::string_view table);
  int64_t LastInsertRowId() const;
  int Changes() const;

  // A prepared statement borrowed from the cache; reset and unbound when returned.
  class Lease {
   public:
    Lease(Lease&& other) noexcept;
    Lease& operator=(Lease&&) = delete;
    ~Lease();
    SQLite::Statement& operator*() const { return *stmt_; }
    SQLite::Statement* operator->() const { return stmt_; }

   private:
    friend class ShopDatabase;
    struct Slot;
    Lease(std::shared_ptr<Slot> slot, SQLite::Statement* stmt) : slot_(std::move(slot)), stmt_(stmt) {}
    std::shared_ptr<Slot> slot_;
    SQLite::Statement* stmt_;
  };
  Lease Prepare(const std::string& sql);

  // The engine connection, for the schema layer. Throws when not open.
  SQLite::Database& Engine();

  // Depth of open transaction scopes (see TransactionScope).
  int& TransactionDepth() { return transactionDepth_; }

 private:
  void OpenImpl(const std::filesystem::path& path, int flags, bool exclusive);
  void Configure(bool exclusive);

  std::unique_ptr<SQLite::Database> db_;
  std::filesystem::path path_;
  uint64_t serial_ = 0;
  int transactionDepth_ = 0;
  std::map<std::string, std::vector<std::shared_ptr<Lease::Slot>>, std::less<>> cache_;
};

// Groups many changes into one transaction: committed by Commit(), rolled back when
// the scope ends without it (an exception leaves the database as it was). Scopes nest
// (savepoints); only the outermost commit makes the changes durable.
class TransactionScope {
 public:
  explicit TransactionScope(ShopDatabase& db);
  ~TransactionScope();
  TransactionScope(const TransactionScope&) = delete;
  TransactionScope& operator=(const TransactionScope&) = delete;
  void Commit();

 private:
  ShopDatabase& db_;
  std::string name_;
  bool done_ = false;
};

[[noreturn]] void ThrowNotOpen();
// Inside a catch block: rethrows the current exception as a DbError.
[[noreturn]] void RethrowAsDbError();

// Runs `f`, turning SQLite's exceptions into DbError.
template <class F>
auto WithDbErrors(F&& f) -> decltype(f()) {
  try {
    return f();
  } catch (...) {
    RethrowAsDbError();
  }
}

}  // namespace vendora
