// The configuration store as the application uses it: the four access operations of the
// registry with Qt texts (UTF-8 in the store). Each call opens the store, does its one read
// or write and closes it again.
#pragma once
#include <QMap>
#include <QString>

#include "Registry.h"

namespace cv7::app {

class ConfigurationStore {
 public:
  explicit ConfigurationStore(const registry::Registry& registry) : registry_(registry) {}

  const registry::Registry& registry() const { return registry_; }

  // The stored value, or `fallback` when the store, the value or the right type is missing.
  QString readText(const char* section, const QString& name, const QString& fallback = {}) const;
  int readInteger(const char* section, const QString& name, int fallback) const;
  // A failed write is not reported to the user; the result is there for tracing.
  bool writeText(const char* section, const QString& name, const QString& text) const;
  bool writeInteger(const char* section, const QString& name, int value) const;

  // The numbered texts of a section in one read: index -> text of every value named
  // `prefix` followed by an index as "%d" writes it (1, 2, ... 10), holding text. Lists of a
  // count that a damaged store gives as millions are read without millions of accesses.
  QMap<int, QString> readNumberedTexts(const char* section, const QString& prefix) const;

 private:
  const registry::Registry& registry_;
};

}  // namespace cv7::app
