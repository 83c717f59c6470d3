// A private D-Bus session bus for one test: a dbus-daemon of its own, listening in a fresh
// temporary directory, stopped however the test ends (and ended by the kernel if the test
// process dies first).
#pragma once
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace cv7::itest {

class PrivateBus {
 public:
  PrivateBus() {
    char pattern[] = "/tmp/cv7-bus-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    dir_ = made ? made : "";
  }
  ~PrivateBus() {
    stop();
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
  }
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  // Starts the bus and waits (up to 10 s) for its address.
  bool start() {
    int pipeFds[2];
    if (dir_.empty() || ::pipe(pipeFds) != 0) return false;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);
      ::close(pipeFds[0]);
      // Its own complaints (such as a refused file limit) go to a log beside its socket.
      const int log = ::open((dir_ + "/bus.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
      if (log >= 0) ::dup2(log, 2);
      const std::string print = "--print-address=" + std::to_string(pipeFds[1]);
      const std::string address = "--address=unix:dir=" + dir_;
      ::execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--nopidfile", print.c_str(), address.c_str(),
               static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(pipeFds[1]);
    address_ = readLine(pipeFds[0]);
    ::close(pipeFds[0]);
    return pid_ > 0 && !address_.empty();
  }
  void stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }
  const std::string& address() const { return address_; }

 private:
  static std::string readLine(int fd) {
    std::string line;
    pollfd p{fd, POLLIN, 0};
    char c;
    while (::poll(&p, 1, 10000) == 1 && ::read(fd, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }

  std::string dir_, address_;
  pid_t pid_ = -1;
};

}  // namespace cv7::itest
