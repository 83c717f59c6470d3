#include "SingleInstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace cv7::app {

SingleInstanceLock::SingleInstanceLock(std::string path) : path_(std::move(path)) {}

SingleInstanceLock::~SingleInstanceLock() { release(); }

std::string SingleInstanceLock::besideStore(const std::string& storePath) {
  std::filesystem::path directory = std::filesystem::path(storePath).parent_path();
  if (directory.empty()) directory = ".";
  return (directory / kFileName).string();
}

bool SingleInstanceLock::acquire() {
  if (fd_ >= 0) return true;
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ignored);
  int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  // A lock needs no write access: the file of another user's instance is locked read-only.
  if (fd < 0) fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    std::fprintf(stderr, "Cv7d: cannot open the lock file %s (%s); not checking for another instance\n",
                 path_.c_str(), std::strerror(errno));
    return true;
  }
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    const int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK) return false;
    std::fprintf(stderr, "Cv7d: cannot lock %s (%s); not checking for another instance\n", path_.c_str(),
                 std::strerror(error));
    return true;
  }
  fd_ = fd;
  return true;
}

void SingleInstanceLock::release() {
  if (fd_ < 0) return;
  ::close(fd_);  // closing the only descriptor releases the lock
  fd_ = -1;
}

}  // namespace cv7::app
