// A network namespace of the test's own, entered by the calling thread (and so by every
// process or thread it starts afterwards), left and deleted again however the test ends.
// Needs root; available() says whether it could be made. Names carry the process id, so two
// test runs never share one.
#pragma once
#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>

namespace cv7::app::test {

class NetworkNamespace {
 public:
  NetworkNamespace() {
    static std::atomic<int> serial{0};
    name_ = "cv7app" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
    if (::geteuid() != 0) return;
    original_ = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    if (original_ < 0 || shell("ip netns add " + name_) != 0) return;
    created_ = true;
    const int ns = ::open(path().c_str(), O_RDONLY | O_CLOEXEC);
    entered_ = ns >= 0 && ::setns(ns, CLONE_NEWNET) == 0;
    if (ns >= 0) ::close(ns);
    if (entered_) shell("ip link set lo up && echo 0 > /proc/sys/net/ipv4/conf/all/rp_filter");
  }
  ~NetworkNamespace() {
    if (entered_) ::setns(original_, CLONE_NEWNET);
    if (original_ >= 0) ::close(original_);
    if (created_) shell("ip netns del " + name_);
  }
  NetworkNamespace(const NetworkNamespace&) = delete;
  NetworkNamespace& operator=(const NetworkNamespace&) = delete;

  bool available() const { return entered_; }
  std::string path() const { return "/run/netns/" + name_; }

  // A command in the namespace; its exit status.
  static int shell(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // An interface that stands for one of the computer's own (a dummy interface, or a bridge
  // where the kernel has no dummy interfaces), up unless asked otherwise.
  static bool addInterface(const std::string& name, bool up = true) {
    if (shell("ip link add " + name + " type dummy") != 0 && shell("ip link add " + name + " type bridge") != 0)
      return false;
    return !up || shell("ip link set " + name + " up") == 0;
  }
  static bool addAddress(const std::string& interface, const std::string& cidr) {
    return shell("ip addr add " + cidr + " dev " + interface) == 0;
  }
  static bool deleteAddress(const std::string& interface, const std::string& cidr) {
    return shell("ip addr del " + cidr + " dev " + interface) == 0;
  }

 private:
  std::string name_;
  int original_ = -1;
  bool created_ = false;
  bool entered_ = false;
};

}  // namespace cv7::app::test
