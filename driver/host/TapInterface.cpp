#include "TapInterface.h"

#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_arp.h>
#include <linux/if_tun.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace cv7::host {

namespace {

std::string systemError(const std::string& what) { return what + ": " + std::strerror(errno); }

// A control socket for interface ioctls.
struct InterfaceSocket {
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ~InterfaceSocket() {
    if (fd >= 0) ::close(fd);
  }
};

ifreq request(const std::string& name) {
  ifreq ifr{};
  std::strncpy(ifr.ifr_name, name.c_str(), IFNAMSIZ - 1);
  return ifr;
}

bool setAddressAndUp(const std::string& name, const std::array<uint8_t, 6>& mac, std::string& error) {
  InterfaceSocket s;
  if (s.fd < 0) {
    error = systemError("socket for interface set-up");
    return false;
  }
  ifreq ifr = request(name);
  ifr.ifr_hwaddr.sa_family = ARPHRD_ETHER;
  std::memcpy(ifr.ifr_hwaddr.sa_data, mac.data(), 6);
  if (::ioctl(s.fd, SIOCSIFHWADDR, &ifr) < 0) {
    error = systemError("setting the MAC address of " + name);
    return false;
  }
  ifr = request(name);
  if (::ioctl(s.fd, SIOCGIFFLAGS, &ifr) < 0 || (ifr.ifr_flags |= IFF_UP, ::ioctl(s.fd, SIOCSIFFLAGS, &ifr) < 0)) {
    error = systemError("bringing " + name + " up");
    return false;
  }
  return true;
}

// Loose or no reverse-path check on the interface: datagrams from the satellite come from
// addresses that have no route back through it. (The check in force is the larger of the
// "all" value and the interface's.)
void relaxReversePathFilter(const std::string& name) {
  std::ofstream("/proc/sys/net/ipv4/conf/" + name + "/rp_filter") << "0\n";
}

}  // namespace

std::unique_ptr<TapInterface> TapInterface::create(const std::string& name, const std::array<uint8_t, 6>& mac,
                                                   std::string& error) {
  if (name.empty() || name.size() >= IFNAMSIZ) {
    error = "interface name '" + name + "' is empty or longer than " + std::to_string(IFNAMSIZ - 1) + " characters";
    return nullptr;
  }
  int fd = ::open("/dev/net/tun", O_RDWR | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    error = systemError("cannot open /dev/net/tun (a TAP interface needs CAP_NET_ADMIN; --pcap FILE works without)");
    return nullptr;
  }
  ifreq ifr = request(name);
  ifr.ifr_flags = IFF_TAP | IFF_NO_PI;
  if (::ioctl(fd, TUNSETIFF, &ifr) < 0) {
    error = systemError("cannot create TAP interface " + name + " (needs CAP_NET_ADMIN; --pcap FILE works without)");
    ::close(fd);
    return nullptr;
  }
  std::unique_ptr<TapInterface> tap(new TapInterface(fd, ifr.ifr_name));
  if (!setAddressAndUp(tap->name_, mac, error)) return nullptr;
  relaxReversePathFilter(tap->name_);
  return tap;
}

TapInterface::~TapInterface() {
  if (fd_ >= 0) ::close(fd_);
}

bool TapInterface::write(const uint8_t* frame, size_t length) {
  ssize_t n;
  do {
    n = ::write(fd_, frame, length);
  } while (n < 0 && errno == EINTR);
  return n == ssize_t(length);
}

long TapInterface::read(uint8_t* buffer, size_t length) {
  ssize_t n = ::read(fd_, buffer, length);
  return n < 0 ? -1 : long(n);
}

unsigned TapInterface::flags() const {
  InterfaceSocket s;
  ifreq ifr = request(name_);
  if (s.fd < 0 || ::ioctl(s.fd, SIOCGIFFLAGS, &ifr) < 0) return 0;
  return unsigned(ifr.ifr_flags) & 0xFFFF;
}

}  // namespace cv7::host
