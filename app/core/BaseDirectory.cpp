#include "BaseDirectory.h"

#include <QDir>

#include "ConfigurationKeys.h"

namespace cv7::app {

QString BaseDirectory::withoutTrailingSlash(const QString& directory) {
  QString cut = directory;
  while (cut.size() > 1 && cut.endsWith(QLatin1Char('/'))) cut.chop(1);
  return cut;
}

QString BaseDirectory::child(const QString& directory, const QString& name) {
  return directory.endsWith(QLatin1Char('/')) ? directory + name : directory + QLatin1Char('/') + name;
}

QString BaseDirectory::resolve(const ConfigurationStore& store) {
  const QString stored = store.readText(config::kSatellite, config::kSatelliteDir);
  QString base = stored;
  if (!base.isEmpty() && !QDir::setCurrent(base)) base.clear();
  if (base.isEmpty()) base = QDir::currentPath();
  base = withoutTrailingSlash(base);
  if (base != stored) store.writeText(config::kSatellite, config::kSatelliteDir, base);
  return base;
}

}  // namespace cv7::app
