#include "SqliteConnection.h"

#include <sqlite3.h>

namespace cv7::registry {

SqliteConnection::SqliteConnection(const std::string& path, Mode mode, int busyTimeoutMs) {
  int flags = mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
  // Each connection is used by one thread only.
  flags |= SQLITE_OPEN_NOMUTEX;
  if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    fail("open");
    sqlite3_close(db_);
    db_ = nullptr;
    return;
  }
  sqlite3_busy_timeout(db_, busyTimeoutMs);
}

SqliteConnection::~SqliteConnection() {
  if (db_) sqlite3_close(db_);
}

void SqliteConnection::fail(const char* what) {
  error_ = std::string(what) + ": " + (db_ ? sqlite3_errmsg(db_) : "out of memory");
}

bool SqliteConnection::execute(const char* sql) {
  if (!db_) return false;
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
  error_ = std::string(sql) + ": " + (message ? message : "failed");
  sqlite3_free(message);
  return false;
}

SqliteConnection::Statement::Statement(SqliteConnection& connection, const char* sql) : connection_(connection) {
  if (!connection.db_) return;
  if (sqlite3_prepare_v2(connection.db_, sql, -1, &statement_, nullptr) != SQLITE_OK) {
    connection.fail("prepare");
    statement_ = nullptr;
  }
}

SqliteConnection::Statement::~Statement() { sqlite3_finalize(statement_); }

void SqliteConnection::Statement::bind(int index, std::string_view text) {
  if (statement_) sqlite3_bind_text(statement_, index, text.data(), int(text.size()), SQLITE_TRANSIENT);
}

void SqliteConnection::Statement::bind(int index, int64_t value) {
  if (statement_) sqlite3_bind_int64(statement_, index, value);
}

void SqliteConnection::Statement::bind(int index, std::span<const uint8_t> blob) {
  // A zero-length blob is still a blob, never NULL (the column is NOT NULL).
  static const uint8_t empty = 0;
  if (statement_) sqlite3_bind_blob(statement_, index, blob.empty() ? &empty : blob.data(), int(blob.size()),
                                    SQLITE_TRANSIENT);
}

bool SqliteConnection::Statement::nextRow() {
  if (!statement_ || done_) return false;
  int result = sqlite3_step(statement_);
  if (result == SQLITE_ROW) return true;
  if (result == SQLITE_DONE) {
    done_ = true;
  } else {
    connection_.fail("step");
  }
  return false;
}

std::string SqliteConnection::Statement::text(int column) const {
  const unsigned char* chars = sqlite3_column_text(statement_, column);
  int size = sqlite3_column_bytes(statement_, column);
  return chars ? std::string(reinterpret_cast<const char*>(chars), size_t(size)) : std::string();
}

int64_t SqliteConnection::Statement::integer(int column) const { return sqlite3_column_int64(statement_, column); }

std::vector<uint8_t> SqliteConnection::Statement::blob(int column) const {
  const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(statement_, column));
  int size = sqlite3_column_bytes(statement_, column);
  return bytes ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>();
}

}  // namespace cv7::registry
