#include "SocketEndpoint.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "Log.h"

namespace cv7::host {

namespace {
constexpr mode_t kDirectoryMode = 0750;
constexpr mode_t kParentMode = 0755;
constexpr mode_t kSocketMode = 0660;

bool makeAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

bool isPermissionError(int error) { return error == EACCES || error == EPERM || error == EROFS; }

std::string parentOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

std::string octal(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", unsigned(mode & 07777));
  return text;
}
}  // namespace

SocketEndpoint::~SocketEndpoint() { close(); }

SocketEndpoint::Result SocketEndpoint::fail(Result result, const std::string& what, int error) {
  error_ = what + ": " + std::strerror(error);
  return result;
}

SocketEndpoint::Result SocketEndpoint::failFor(const std::string& what, int error) {
  return fail(isPermissionError(error) ? Result::NoPermission : Result::Failed, what, error);
}

// fd is the open file (a directory made here), or -1 for the socket at `path`. A file that is
// in the group already (the daemon's own group, as under systemd) is left alone: a sandbox
// may forbid chown altogether.
void SocketEndpoint::giveToGroup(int fd, const std::string& path) {
  group* entry = ::getgrnam(group_.c_str());
  if (!entry) return;
  struct stat info {};
  int known = fd >= 0 ? ::fstat(fd, &info) : ::stat(path.c_str(), &info);
  if (known == 0 && info.st_gid == entry->gr_gid) return;
  int changed = fd >= 0 ? ::fchown(fd, uid_t(-1), entry->gr_gid) : ::chown(path.c_str(), uid_t(-1), entry->gr_gid);
  if (changed != 0) CV7_LOG_WARN("cannot give %s to group %s: %s", path.c_str(), group_.c_str(), std::strerror(errno));
}

// A socket directory that someone else made is used as it is, or not at all.
SocketEndpoint::Result SocketEndpoint::checkExisting(const std::string& directory) {
  struct stat info {};
  if (::stat(directory.c_str(), &info) != 0) return failFor(directory, errno);
  if (!S_ISDIR(info.st_mode)) return fail(Result::Failed, directory + " is not a directory", ENOTDIR);
  if (info.st_uid != 0 && info.st_uid != ::geteuid()) {
    error_ = "the socket directory " + directory + " belongs to user " + std::to_string(info.st_uid) +
             " (neither root nor this daemon's user): refusing to use it";
    return Result::NoPermission;
  }
  bool othersWrite = (info.st_mode & S_IWOTH) || ((info.st_mode & S_IWGRP) && info.st_gid != ::getegid());
  if (othersWrite) {
    error_ = "the socket directory " + directory + " (mode " + octal(info.st_mode) +
             ") may be written by other users: refusing to use it";
    return Result::NoPermission;
  }
  return Result::Listening;
}

// Makes a missing directory: the socket's own with its restricted mode and group, a parent
// with ordinary access. Only a directory made here is changed.
SocketEndpoint::Result SocketEndpoint::makeDirectory(const std::string& directory, bool forSocket) {
  std::string parent = parentOf(directory);
  if (!parent.empty()) {
    struct stat info {};
    if (::stat(parent.c_str(), &info) != 0) {
      if (errno != ENOENT) return failFor(parent, errno);
      Result made = makeDirectory(parent, false);
      if (made != Result::Listening) return made;
    } else if (!S_ISDIR(info.st_mode)) {
      return fail(Result::Failed, parent + " is not a directory", ENOTDIR);
    }
  }
  if (::mkdir(directory.c_str(), 0700) != 0) {
    if (errno != EEXIST) return failFor("cannot make " + directory, errno);
    return forSocket ? checkExisting(directory) : Result::Listening;  // someone else was quicker
  }
  int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return failFor(directory, errno);
  if (::fchmod(fd, forSocket ? kDirectoryMode : kParentMode) != 0) CV7_LOG_WARN("cannot set the mode of %s", directory.c_str());
  if (forSocket) giveToGroup(fd, directory);
  ::close(fd);
  return Result::Listening;
}

SocketEndpoint::Result SocketEndpoint::prepareDirectory(const std::string& directory) {
  struct stat info {};
  if (::stat(directory.c_str(), &info) == 0) return checkExisting(directory);
  if (errno != ENOENT) return failFor(directory, errno);
  return makeDirectory(directory, true);
}

SocketEndpoint::Result SocketEndpoint::clearStale(int type, bool replaceLive) {
  struct stat info {};
  if (::lstat(path_.c_str(), &info) != 0) return Result::Listening;
  if (!S_ISSOCK(info.st_mode)) return fail(Result::Failed, path_ + " exists and is not a socket", EEXIST);
  if (!replaceLive) {
    sockaddr_un address;
    makeAddress(path_, address);
    int probe = ::socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
    if (probe < 0) return fail(Result::Failed, "socket", errno);
    int connected = ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int error = errno;
    ::close(probe);
    if (connected == 0) {
      error_ = "a cv7 daemon is already running on " + path_;
      return Result::AlreadyServed;
    }
    if (isPermissionError(error)) return fail(Result::NoPermission, path_, error);
    if (error != ECONNREFUSED && error != ENOENT) return fail(Result::Failed, path_, error);
    CV7_LOG_INFO("replacing stale socket %s", path_.c_str());
  }
  if (::unlink(path_.c_str()) != 0 && errno != ENOENT)
    return failFor("cannot remove " + path_, errno);
  return Result::Listening;
}

SocketEndpoint::Result SocketEndpoint::listen(const std::string& path, int type, bool replaceLive) {
  close();
  path_ = path;
  sockaddr_un address;
  if (!makeAddress(path, address)) {
    error_ = "socket path too long or empty: " + path;
    return Result::Failed;
  }
  if (std::string directory = parentOf(path); !directory.empty()) {
    Result prepared = prepareDirectory(directory);
    if (prepared != Result::Listening) return prepared;
  }
  Result stale = clearStale(type, replaceLive);
  if (stale != Result::Listening) return stale;
  int fd = ::socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
  if (fd < 0) return fail(Result::Failed, "socket", errno);
  // The socket is born with no access for others; its mode is set before anyone can connect.
  mode_t previous = ::umask(0177);
  int bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  int error = errno;
  ::umask(previous);
  if (bound != 0) {
    ::close(fd);
    if (error == EADDRINUSE) {
      error_ = "a cv7 daemon is already running on " + path_;
      return Result::AlreadyServed;
    }
    return failFor("cannot bind " + path, error);
  }
  ::chmod(path.c_str(), kSocketMode);
  giveToGroup(-1, path);
  if (::listen(fd, 64) != 0) {
    error = errno;
    ::close(fd);
    ::unlink(path.c_str());
    return fail(Result::Failed, "cannot listen on " + path, error);
  }
  fd_ = fd;
  return Result::Listening;
}

void SocketEndpoint::close() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
  ::unlink(path_.c_str());
}

}  // namespace cv7::host
