// The configuration store of the data application, the TV application and cv7ctl: the
// machine-wide key table under "Software\TVK\CV7\", kept in one SQLite file (table
// registry_value, described in docs/configuration.md).
//
// Every operation opens the file, does its one read or write in a transaction and closes it
// again; nothing is cached, so values written by another process are seen at the next read.
// Writers in several processes are serialised by SQLite's file locks; a writer waits for
// another one's lock (busy timeout) instead of failing. An object holds only the path, so
// threads may share it.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "RegistryValue.h"

namespace cv7::registry {

class Registry {
 public:
  static constexpr const char* kRootKey = "Software\\TVK\\CV7\\";
  static constexpr const char* kDefaultPath = "/var/lib/cv7/registry.sqlite";
  static constexpr int kBusyTimeoutMs = 10000;

  // CV7_REGISTRY when it is set and not empty, else the default path.
  static std::string defaultPath();
  // The full key of a section: the section itself when it contains "TVK", else the root
  // key followed by the section ("Satellite" -> "Software\TVK\CV7\Satellite").
  static std::string keyPath(std::string_view section);

  explicit Registry(std::string path = defaultPath());
  const std::string& path() const { return path_; }

  // The stored value of a double-word type, else `fallback` (missing store, key or value,
  // another type, another length, a file that is not a store).
  int32_t readInteger(std::string_view section, std::string_view name, int32_t fallback) const;
  // The stored text of a string, expandable string or link type (never expanded), else
  // `fallback`.
  std::string readText(std::string_view section, std::string_view name, std::string_view fallback) const;
  // Create the store, its directory and the value as needed; false when it could not be
  // written (the store is then unchanged).
  bool writeText(std::string_view section, std::string_view name, std::string_view text) const;
  bool writeInteger(std::string_view section, std::string_view name, int32_t value) const;

  // Raw access for tools. Each returns false and sets `error` when the store cannot be used.
  enum class Lookup { Found, Missing, Failed };
  Lookup readValue(std::string_view section, std::string_view name, RegistryValue& out, std::string& error) const;
  // Every value whose key is the given section's key (all values when `section` is empty),
  // ordered by key and name. A store file that does not exist yet lists nothing.
  bool listValues(std::string_view section, std::vector<RegistryValue>& out, std::string& error) const;
  bool writeValue(const RegistryValue& value, std::string& error) const;
  // `removed` tells whether the value was there.
  bool removeValue(std::string_view section, std::string_view name, bool& removed, std::string& error) const;

 private:
  std::string path_;
};

}  // namespace cv7::registry
