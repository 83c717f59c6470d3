// One running Cv7d per machine: an exclusive lock on a lock file beside the configuration
// store. The kernel releases the lock when the process ends in any way, so a crashed
// instance never blocks a later start.
#pragma once
#include <string>

namespace cv7::app {

class SingleInstanceLock {
 public:
  static constexpr const char* kFileName = "Cv7d.lock";

  explicit SingleInstanceLock(std::string path);
  ~SingleInstanceLock();
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // The lock file in the directory of the store at `storePath`.
  static std::string besideStore(const std::string& storePath);

  // False when another process holds the lock. When the file can neither be created nor
  // opened (a store directory this user may not read) the start is not refused: a warning
  // goes to standard error and the instance runs unguarded.
  bool acquire();
  void release();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace cv7::app
