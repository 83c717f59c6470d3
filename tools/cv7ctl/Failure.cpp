#include "Failure.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace cv7ctl {

const char* exitStatusTable() {
  return "  0  success\n"
         "  1  card error: the card or the driver refused or failed the request\n"
         "  2  bad argument: a command, option or value that cv7ctl does not accept\n"
         "  3  the cv7 daemon is not running (nothing answers on the control socket)\n"
         "  4  no permission to use the control socket (the user is not in group cv7)\n"
         "  5  file error: a file cannot be read or written, or is not of its format\n"
         "  6  no signal: the tuner did not lock\n";
}

std::string devicePath() {
  const char* path = std::getenv("CV7_DEVICE");
  return path && *path ? path : "/run/cv7/Cv7Dev";
}

std::string adminPath() { return devicePath() + ".admin"; }

int connectUnix(const std::string& path, int type) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    errno = ENAMETOOLONG;
    return -1;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int fd = ::socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    int error = errno;
    ::close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

Failure Failure::badArgument(const std::string& what) { return Failure(kExitBadArgument, "bad argument: " + what); }

Failure Failure::cardError(const std::string& what) { return Failure(kExitCardError, "card error: " + what); }

Failure Failure::noSignal(const std::string& what) { return Failure(kExitNoSignal, "no signal: " + what); }

Failure Failure::file(const std::string& path, const std::string& reason) {
  return Failure(kExitFileError, path + ": " + reason);
}

Failure Failure::daemonNotRunning() {
  return Failure(kExitDaemonNotRunning, "the cv7 daemon is not running (nothing answers on " + devicePath() +
                                            "; start cv7, or set CV7_DEVICE to its socket)");
}

Failure Failure::noPermission() {
  return Failure(kExitNoPermission,
                 "no permission to use " + devicePath() + " (the user must be in group cv7)");
}

Failure Failure::unreachable(int error) {
  return error == EACCES || error == EPERM ? noPermission() : daemonNotRunning();
}

Failure Failure::diagnose(const std::string& cardWhat) {
  int fd = connectUnix(devicePath(), SOCK_SEQPACKET);
  if (fd < 0) return unreachable(errno);
  ::close(fd);
  return cardError(cardWhat);
}

}  // namespace cv7ctl
