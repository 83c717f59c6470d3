#include "SocketEndpoint.h"

#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Log.h"

namespace cv7::host {

namespace {
constexpr mode_t kDirectoryMode = 0750;
constexpr mode_t kSocketMode = 0660;
constexpr const char* kGroup = "cv7";

bool makeAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

bool isPermissionError(int error) { return error == EACCES || error == EPERM || error == EROFS; }
}  // namespace

SocketEndpoint::~SocketEndpoint() { close(); }

SocketEndpoint::Result SocketEndpoint::fail(Result result, const std::string& what, int error) {
  error_ = what + ": " + std::strerror(error);
  return result;
}

void SocketEndpoint::giveToGroup(const std::string& path) {
  group* entry = ::getgrnam(kGroup);
  if (!entry) return;
  if (::chown(path.c_str(), uid_t(-1), entry->gr_gid) != 0)
    CV7_LOG_WARN("cannot give %s to group %s: %s", path.c_str(), kGroup, std::strerror(errno));
}

SocketEndpoint::Result SocketEndpoint::prepareDirectory(const std::string& directory) {
  struct stat info {};
  if (::stat(directory.c_str(), &info) == 0) {
    if (!S_ISDIR(info.st_mode)) return fail(Result::Failed, directory + " is not a directory", ENOTDIR);
    // A directory made for us (systemd's RuntimeDirectory) still gets the group; its mode is
    // left as whoever made it chose.
    if (info.st_uid == ::geteuid()) giveToGroup(directory);
    return Result::Listening;
  }
  if (errno != ENOENT) return fail(isPermissionError(errno) ? Result::NoPermission : Result::Failed, directory, errno);
  // Parents that are missing too are made with ordinary access.
  size_t slash = directory.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    Result parent = prepareDirectory(directory.substr(0, slash));
    if (parent != Result::Listening) return parent;
  }
  if (::mkdir(directory.c_str(), kDirectoryMode) != 0 && errno != EEXIST)
    return fail(isPermissionError(errno) ? Result::NoPermission : Result::Failed, "cannot make " + directory, errno);
  ::chmod(directory.c_str(), kDirectoryMode);
  giveToGroup(directory);
  return Result::Listening;
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
    return fail(isPermissionError(errno) ? Result::NoPermission : Result::Failed, "cannot remove " + path_, errno);
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
  size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    Result directory = prepareDirectory(path.substr(0, slash));
    if (directory != Result::Listening) return directory;
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
    return fail(isPermissionError(error) ? Result::NoPermission : Result::Failed, "cannot bind " + path, error);
  }
  ::chmod(path.c_str(), kSocketMode);
  giveToGroup(path);
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
