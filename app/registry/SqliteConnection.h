// One short-lived connection to an SQLite file and its prepared statements, closed when the
// object goes. Every failure is kept as a message instead of being thrown.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace cv7::registry {

class SqliteConnection {
 public:
  enum class Mode { ReadOnly, ReadWriteCreate };

  // Waits up to `busyTimeoutMs` for another connection's lock before a statement fails.
  SqliteConnection(const std::string& path, Mode mode, int busyTimeoutMs);
  ~SqliteConnection();
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  bool isOpen() const { return db_ != nullptr; }
  // Runs statements without results ("BEGIN IMMEDIATE", "COMMIT", ...).
  bool execute(const char* sql);
  const std::string& error() const { return error_; }

  // A prepared statement of this connection; bind, then step through the rows.
  class Statement {
   public:
    Statement(SqliteConnection& connection, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool isReady() const { return statement_ != nullptr; }
    void bind(int index, std::string_view text);
    void bind(int index, int64_t value);
    void bind(int index, std::span<const uint8_t> blob);
    // True while a row is there; false at the end or on an error (see done()).
    bool nextRow();
    // True once the statement ran to its end without an error.
    bool done() const { return done_; }
    std::string text(int column) const;
    int64_t integer(int column) const;
    std::vector<uint8_t> blob(int column) const;

   private:
    SqliteConnection& connection_;
    sqlite3_stmt* statement_ = nullptr;
    bool done_ = false;
  };

 private:
  void fail(const char* what);

  sqlite3* db_ = nullptr;
  std::string error_;
};

}  // namespace cv7::registry
