// POSIX file access for the satellite data file and the favourite file.
#include "RecordFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace corvane {

bool RecordFile::openWith(const char* path, int flags) {
  close();
  if (path == nullptr) return false;
  int fd;
  do {
    fd = ::open(path, flags | O_RDWR | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

bool RecordFile::open(const char* path) { return openWith(path, 0); }

bool RecordFile::create(const char* path) { return openWith(path, O_CREAT | O_TRUNC); }

void RecordFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

namespace {

bool setLock(int fd, short type, int command) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;  // from 0 to the end, however long the file grows
  int result;
  do {
    result = ::fcntl(fd, command, &lock);
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

}  // namespace

bool RecordFile::tryLockExclusive() const { return fd_ >= 0 && setLock(fd_, F_WRLCK, F_OFD_SETLK); }

// Another holds the exclusive lock only while it opens the file, so a second is plenty; a
// holder stopped in that moment does not stop this process for ever.
bool RecordFile::lockShared() const {
  for (int attempt = 0; fd_ >= 0 && attempt < 1000; ++attempt) {
    if (setLock(fd_, F_RDLCK, F_OFD_SETLK)) return true;
    if (errno != EAGAIN && errno != EACCES) return false;
    ::usleep(1000);
  }
  return false;
}

int64_t RecordFile::size() const {
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0) return -1;
  return static_cast<int64_t>(info.st_size);
}

bool RecordFile::readAt(uint64_t offset, void* data, size_t n) const {
  auto* to = static_cast<unsigned char*>(data);
  while (n > 0) {
    if (fd_ < 0) return false;
    ssize_t got = ::pread(fd_, to, n, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    to += got;
    offset += static_cast<uint64_t>(got);
    n -= static_cast<size_t>(got);
  }
  return true;
}

bool RecordFile::writeAt(uint64_t offset, const void* data, size_t n) const {
  const auto* from = static_cast<const unsigned char*>(data);
  while (n > 0) {
    if (fd_ < 0) return false;
    ssize_t put = ::pwrite(fd_, from, n, static_cast<off_t>(offset));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    from += put;
    offset += static_cast<uint64_t>(put);
    n -= static_cast<size_t>(put);
  }
  return true;
}

}  // namespace corvane
