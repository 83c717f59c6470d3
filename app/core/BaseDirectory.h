// The application's base directory ("Satellite Dir") and paths below it.
//
// The stored directory is made the process's current directory; when that fails it counts as
// empty and the current directory takes its place. A trailing slash is cut (the root "/"
// stays as it is) and the cut value written back, so the store holds one spelling. An empty
// value is replaced by the current directory, which is then stored.
#pragma once
#include <QString>

#include "ConfigurationStore.h"

namespace cv7::app {

class BaseDirectory {
 public:
  // Reads, repairs and, where it changed, stores "Satellite Dir"; returns the directory.
  static QString resolve(const ConfigurationStore& store);
  // "/a/b/" -> "/a/b"; "/" stays "/".
  static QString withoutTrailingSlash(const QString& directory);
  // `directory` + "/" + `name`, without doubling the slash of the root.
  static QString child(const QString& directory, const QString& name);
};

}  // namespace cv7::app
