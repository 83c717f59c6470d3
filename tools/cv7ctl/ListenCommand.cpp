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

#include <cerrno>
#include <cstring>

#include "Command.h"
#include "Failure.h"
#include "Vocabulary.h"

namespace cv7ctl {
namespace {

struct ListenOptions {
  std::string endpoint, interface = "cv7-0";
  uint32_t seconds = 5;
};

int runListen(const ListenOptions& o) {
  size_t colon = o.endpoint.rfind(':');
  auto port = colon == std::string::npos ? std::nullopt : parseNumber(o.endpoint.substr(colon + 1), 0xFFFF);
  in_addr address{};
  if (!port || inet_pton(AF_INET, o.endpoint.substr(0, colon).c_str(), &address) != 1)
    throw Failure::badArgument("'" + o.endpoint + "' is not ADDRESS:PORT (e.g. 239.255.7.1:5000)");
  const uint32_t seconds = o.seconds;
  const std::string& interface = o.interface;
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in bound{};
  bound.sin_family = AF_INET;
  bound.sin_port = htons(uint16_t(*port));
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&bound), sizeof bound) != 0) {
    std::string reason = std::strerror(errno);
    if (fd >= 0) ::close(fd);
    throw Failure::badArgument("UDP port " + std::to_string(*port) + " cannot be bound: " + reason);
  }
  bool multicast = (ntohl(address.s_addr) >> 28) == 0xE;
  if (multicast) {
    ip_mreqn join{};
    join.imr_multiaddr = address;
    join.imr_ifindex = int(if_nametoindex(interface.c_str()));
    if (join.imr_ifindex == 0 || ::setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &join, sizeof join) != 0) {
      std::string reason = join.imr_ifindex == 0 ? "no such interface" : std::strerror(errno);
      ::close(fd);
      throw Failure::badArgument("joining the group on " + interface + ": " + reason);
    }
  }
  timeval wait{0, 200000};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  std::printf("listening on %s%s for %u s\n", o.endpoint.c_str(), multicast ? (" on " + interface).c_str() : "", seconds);
  std::fflush(stdout);
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
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
  if (count == 0) throw Failure::cardError("no datagram arrived in " + std::to_string(seconds) + " s");
  return kExitOk;
}

CommandRegistration listen{
    "listen", "Print the UDP datagrams that arrive for a group or port (what the receiver delivered)",
    kGroupNetwork, [](CLI::App& command) {
      auto o = std::make_shared<ListenOptions>();
      command.add_option("ADDRESS:PORT", o->endpoint, "Multicast group or local address, and UDP port")->required();
      command.add_option("--interface", o->interface, "Interface that joins the group")->capture_default_str();
      command.add_option("--seconds", o->seconds, "How long to listen")->capture_default_str();
      setRun(command, [o] { return runListen(*o); });
    }};

}  // namespace
}  // namespace cv7ctl
