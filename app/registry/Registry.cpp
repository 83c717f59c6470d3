#include "Registry.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "RegistryValueCodec.h"
#include "SqliteConnection.h"

namespace cv7::registry {
namespace {

constexpr const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS registry_value ("
    "key TEXT NOT NULL, name TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL, "
    "PRIMARY KEY (key, name))";

bool fileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

RegistryValue rowValue(const SqliteConnection::Statement& row) {
  return RegistryValue{row.text(0), row.text(1), uint32_t(row.integer(2)), row.blob(3)};
}

// Runs `work` between BEGIN and COMMIT on a fresh connection; rolls back when it fails.
template <typename Work>
bool inTransaction(const std::string& path, SqliteConnection::Mode mode, const char* begin, std::string& error,
                   Work&& work) {
  SqliteConnection db(path, mode, Registry::kBusyTimeoutMs);
  bool ok = db.isOpen() && db.execute(begin) && work(db) && db.execute("COMMIT");
  if (!ok) {
    error = db.error().empty() ? "failed" : db.error();
    db.execute("ROLLBACK");
  }
  return ok;
}

// Writes run in an immediate transaction: the write lock is taken first, so two writers
// queue on the busy timeout instead of one failing on a lock upgrade.
template <typename Work>
bool inWriteTransaction(const std::string& path, std::string& error, Work&& work) {
  std::filesystem::path file(path);
  std::error_code ec;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
  return inTransaction(path, SqliteConnection::Mode::ReadWriteCreate, "BEGIN IMMEDIATE", error,
                       [&](SqliteConnection& db) { return db.execute(kCreateTable) && work(db); });
}

}  // namespace

std::string Registry::defaultPath() {
  const char* path = std::getenv("CV7_REGISTRY");
  return path && *path ? path : kDefaultPath;
}

std::string Registry::keyPath(std::string_view section) {
  if (section.find("TVK") != std::string_view::npos) return std::string(section);
  return std::string(kRootKey) + std::string(section);
}

Registry::Registry(std::string path) : path_(std::move(path)) {}

Registry::Lookup Registry::readValue(std::string_view section, std::string_view name, RegistryValue& out,
                                     std::string& error) const {
  // Reading never creates the store.
  if (!fileExists(path_)) return Lookup::Missing;
  bool found = false;
  bool ok = inTransaction(path_, SqliteConnection::Mode::ReadOnly, "BEGIN", error, [&](SqliteConnection& db) {
    SqliteConnection::Statement query(db, "SELECT key, name, type, data FROM registry_value WHERE key = ?1 AND name = ?2");
    query.bind(1, keyPath(section));
    query.bind(2, name);
    if (query.nextRow()) {
      out = rowValue(query);
      found = true;
      return true;
    }
    return query.done();
  });
  if (!ok) return Lookup::Failed;
  return found ? Lookup::Found : Lookup::Missing;
}

int32_t Registry::readInteger(std::string_view section, std::string_view name, int32_t fallback) const {
  RegistryValue value;
  std::string error;
  if (readValue(section, name, value, error) != Lookup::Found) return fallback;
  auto number = RegistryValueCodec::decodeInteger(value.type, value.data);
  return number ? int32_t(*number) : fallback;
}

std::string Registry::readText(std::string_view section, std::string_view name, std::string_view fallback) const {
  RegistryValue value;
  std::string error;
  if (readValue(section, name, value, error) != Lookup::Found) return std::string(fallback);
  auto text = RegistryValueCodec::decodeText(value.type, value.data);
  return text ? *text : std::string(fallback);
}

bool Registry::writeValue(const RegistryValue& value, std::string& error) const {
  return inWriteTransaction(path_, error, [&](SqliteConnection& db) {
    SqliteConnection::Statement insert(
        db, "INSERT INTO registry_value (key, name, type, data) VALUES (?1, ?2, ?3, ?4) "
            "ON CONFLICT (key, name) DO UPDATE SET type = excluded.type, data = excluded.data");
    insert.bind(1, value.key);
    insert.bind(2, value.name);
    insert.bind(3, int64_t(value.type));
    insert.bind(4, std::span<const uint8_t>(value.data));
    insert.nextRow();
    return insert.done();
  });
}

bool Registry::writeText(std::string_view section, std::string_view name, std::string_view text) const {
  std::string error;
  return writeValue({keyPath(section), std::string(name), kTypeString, RegistryValueCodec::encodeText(text)}, error);
}

bool Registry::writeInteger(std::string_view section, std::string_view name, int32_t value) const {
  std::string error;
  return writeValue({keyPath(section), std::string(name), kTypeDWord, RegistryValueCodec::encodeInteger(uint32_t(value))},
                    error);
}

bool Registry::listValues(std::string_view section, std::vector<RegistryValue>& out, std::string& error) const {
  out.clear();
  if (!fileExists(path_)) return true;
  return inTransaction(path_, SqliteConnection::Mode::ReadOnly, "BEGIN", error, [&](SqliteConnection& db) {
    const char* sql = section.empty()
                          ? "SELECT key, name, type, data FROM registry_value ORDER BY key, name"
                          : "SELECT key, name, type, data FROM registry_value WHERE key = ?1 ORDER BY key, name";
    SqliteConnection::Statement query(db, sql);
    if (!section.empty()) query.bind(1, keyPath(section));
    while (query.nextRow()) out.push_back(rowValue(query));
    return query.done();
  });
}

bool Registry::removeValue(std::string_view section, std::string_view name, bool& removed, std::string& error) const {
  removed = false;
  if (!fileExists(path_)) return true;
  return inTransaction(path_, SqliteConnection::Mode::ReadWriteCreate, "BEGIN IMMEDIATE", error,
                       [&](SqliteConnection& db) {
                         SqliteConnection::Statement count(
                             db, "SELECT COUNT(*) FROM registry_value WHERE key = ?1 AND name = ?2");
                         count.bind(1, keyPath(section));
                         count.bind(2, name);
                         if (!count.nextRow()) return false;
                         removed = count.integer(0) > 0;
                         SqliteConnection::Statement erase(db, "DELETE FROM registry_value WHERE key = ?1 AND name = ?2");
                         erase.bind(1, keyPath(section));
                         erase.bind(2, name);
                         erase.nextRow();
                         return erase.done();
                       });
}

}  // namespace cv7::registry
