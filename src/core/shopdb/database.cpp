#include "shopdb/database.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <new>

#include "common/program_text.h"
#include "shopdb/collation.h"
#include "shopdb/db_error.h"

namespace vendora {

[[noreturn]] void ThrowNotOpen() {
  throw DbError(DbFrameworkError::ObjectNotOpen, 0, "Die Shop-Datenbank ist nicht geöffnet.");
}

[[noreturn]] void RethrowAsDbError() {
  try {
    throw;
  } catch (const DbError&) {
    throw;
  } catch (const SQLite::Exception& e) {
    throw TranslateEngineError(e.getExtendedErrorCode(), e.what());
  } catch (const std::bad_alloc&) {
    throw TranslateEngineError(SQLITE_NOMEM, {});
  } catch (const std::exception& e) {
    throw DbError(DbFrameworkError::None, 0, "Bei der Datenbankoperation trat ein Fehler auf.", e.what());
  }
}

ShopDatabase::ShopDatabase() = default;

ShopDatabase::~ShopDatabase() { Close(); }

void ShopDatabase::Open(const std::filesystem::path& path, bool exclusive) {
  // An empty file would pass as an empty database, and taking the lock would write a
  // header into it; it is no shop, so it is refused untouched.
  std::error_code ec;
  if (std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) == 0 && !ec)
    throw TranslateEngineError(SQLITE_NOTADB, {});
  OpenImpl(path, SQLite::OPEN_READWRITE, exclusive);
}

void ShopDatabase::OpenReadOnly(const std::filesystem::path& path) {
  OpenImpl(path, SQLite::OPEN_READONLY, false);
}

void ShopDatabase::OpenOrCreate(const std::filesystem::path& path, bool exclusive) {
  OpenImpl(path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE, exclusive);
}

void ShopDatabase::OpenImpl(const std::filesystem::path& path, int flags, bool exclusive) {
  Close();
  WithDbErrors([&] {
    // One thread at a time uses a connection (see the header), so the engine's own
    // lock around every call, a tenth of a catalogue walk, is not needed.
    db_ = std::make_unique<SQLite::Database>(path.string(), flags | SQLite::OPEN_NOMUTEX);
    path_ = path;
    ++serial_;
    try {
      Configure(exclusive);
    } catch (...) {
      Close();
      throw;
    }
  });
}

void ShopDatabase::SetReading(Reading reading) {
  // Per parent: with SQLite's default 2 MB a large catalogue would read each page many
  // times. The cache grows only as far as the file is read.
  Execute(reading == Reading::PerParent ? "PRAGMA cache_size = -65536" : "PRAGMA cache_size = -2000");
}

void ShopDatabase::Configure(bool exclusive) {
  // Reading the schema first makes SQLite reject a file that is not a database before
  // anything could be written to it.
  db_->exec("SELECT count(*) FROM sqlite_master");
  // A misspelt field in double quotes must be an error, not a text literal.
  sqlite3_db_config(db_->getHandle(), SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(db_->getHandle(), SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  db_->exec("PRAGMA foreign_keys = ON");
  SetReading(Reading::PerParent);
  RegisterShopCollations(db_->getHandle());
  if (exclusive) {
    db_->exec("PRAGMA locking_mode = EXCLUSIVE");
    // An empty exclusive transaction takes the lock now and, in this mode, keeps it.
    db_->exec("BEGIN EXCLUSIVE");
    db_->exec("COMMIT");
  }
}

void ShopDatabase::Close() noexcept {
  cache_.clear();
  if (db_) {
    db_.reset();
    ++serial_;
  }
  transactionDepth_ = 0;
}

SQLite::Database& ShopDatabase::Engine() {
  if (!db_) ThrowNotOpen();
  return *db_;
}

void ShopDatabase::Execute(std::string_view sql) {
  WithDbErrors([&] { Engine().exec(std::string(sql)); });
}

bool ShopDatabase::TableExists(std::string_view table) {
  return WithDbErrors([&] { return Engine().tableExists(std::string(table)); });
}

int64_t ShopDatabase::LastInsertRowId() const { return db_ ? db_->getLastInsertRowid() : 0; }

int ShopDatabase::Changes() const { return db_ ? db_->getChanges() : 0; }

struct ShopDatabase::Lease::Slot {
  std::unique_ptr<SQLite::Statement> stmt;
  bool inUse = false;
};

ShopDatabase::Lease ShopDatabase::Prepare(const std::string& sql) {
  return WithDbErrors([&] {
    auto& slots = cache_[sql];
    for (auto& slot : slots) {
      if (!slot->inUse) {
        slot->inUse = true;
        return Lease(slot, slot->stmt.get());
      }
    }
    // Every cached copy is busy (a record set walks while another with the same text
    // runs): prepare one more.
    auto slot = std::make_shared<Lease::Slot>();
    slot->stmt = std::make_unique<SQLite::Statement>(Engine(), sql);
    slot->inUse = true;
    slots.push_back(slot);
    return Lease(slot, slot->stmt.get());
  });
}

ShopDatabase::Lease::Lease(Lease&& other) noexcept : slot_(std::move(other.slot_)), stmt_(other.stmt_) {}

ShopDatabase::Lease::~Lease() {
  if (!slot_) return;
  // A statement left stepping would keep the read transaction open and delay every
  // commit of this connection; give it back finished.
  slot_->stmt->tryReset();
  try {
    slot_->stmt->clearBindings();
  } catch (...) {
    // Bindings are overwritten by the next user anyway.
  }
  slot_->inUse = false;
}

TransactionScope::TransactionScope(ShopDatabase& db) : db_(db) {
  name_ = "vendora_tx" + std::to_string(db_.TransactionDepth());
  db_.Execute("SAVEPOINT " + name_);
  ++db_.TransactionDepth();
}

TransactionScope::~TransactionScope() {
  if (done_ || !db_.IsOpen()) return;
  try {
    --db_.TransactionDepth();
    db_.Engine().exec("ROLLBACK TO " + name_);
    db_.Engine().exec("RELEASE " + name_);
  } catch (...) {
    // Nothing sensible is left to do while unwinding; the connection rolls back on close.
  }
}

void TransactionScope::Commit() {
  if (done_) return;
  db_.Execute("RELEASE " + name_);
  --db_.TransactionDepth();
  done_ = true;
}

}  // namespace vendora
