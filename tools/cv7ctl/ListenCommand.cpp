// cv7ctl listen GROUP|ADDRESS:PORT [--interface NAME] [--seconds S]: prints the UDP
// datagrams that a socket receives, joined to a multicast group on the interface — what the
// receiver delivered to the computer's network stack.
#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "LibrarySession.h"

namespace cv7ctl {
namespace {

constexpr const char* kUsage = "listen ADDRESS:PORT [--interface NAME] [--seconds S]";

int runListen(const Arguments& args) {
  if (args.empty()) return usageError(kUsage);
  size_t colon = args[0].rfind(':');
  auto port = colon == std::string::npos ? std::nullopt : number(args[0].substr(colon + 1), 0xFFFF);
  in_addr address{};
  if (!port || inet_pton(AF_INET, args[0].substr(0, colon).c_str(), &address) != 1) return usageError(kUsage);
  auto seconds = number(option(args, "--seconds").value_or("5"));
  std::string interface = option(args, "--interface").value_or("cv7-0");
  if (!seconds) return usageError(kUsage);

  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in bound{};
  bound.sin_family = AF_INET;
  bound.sin_port = htons(uint16_t(*port));
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&bound), sizeof bound) != 0) {
    std::perror("cv7ctl: bind");
    return 1;
  }
  bool multicast = (ntohl(address.s_addr) >> 28) == 0xE;
  if (multicast) {
    ip_mreqn join{};
    join.imr_multiaddr = address;
    join.imr_ifindex = int(if_nametoindex(interface.c_str()));
    if (join.imr_ifindex == 0 || ::setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &join, sizeof join) != 0) {
      std::perror(("cv7ctl: joining the group on " + interface).c_str());
      ::close(fd);
      return 1;
    }
  }
  timeval wait{0, 200000};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  std::printf("listening on %s%s for %u s\n", args[0].c_str(), multicast ? (" on " + interface).c_str() : "", *seconds);
  std::fflush(stdout);
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(*seconds);
  unsigned count = 0;
  while (std::chrono::steady_clock::now() < end) {
    uint8_t buffer[2048];
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    ssize_t n = ::recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n < 0) continue;
    char source[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &from.sin_addr, source, sizeof source);
    unsigned sequence = n >= 4 ? (unsigned(buffer[0]) << 24) | (buffer[1] << 16) | (buffer[2] << 8) | buffer[3] : 0;
    std::printf("datagram %u: %zd bytes from %s:%u, sequence %u\n", ++count, n, source, ntohs(from.sin_port), sequence);
    std::fflush(stdout);
  }
  ::close(fd);
  std::printf("%u datagrams\n", count);
  return count > 0 ? 0 : 1;
}

CommandRegistration listen("listen", kUsage, runListen);

}  // namespace
}  // namespace cv7ctl
