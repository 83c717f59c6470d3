// Counts the UDP datagrams that arrive on a socket bound to a multicast group's port and
// joined on an interface, for a time; prints the count and the bytes (for the end-to-end
// sweep, where printing each datagram would cost more than receiving it).
//   udp-count GROUP PORT INTERFACE SECONDS
#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: udp-count GROUP PORT INTERFACE SECONDS\n");
    return 2;
  }
  int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  int one = 1, buffer = 8 << 20;
  ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  ::setsockopt(s, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(uint16_t(std::atoi(argv[2])));
  if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    std::perror("udp-count: bind");
    return 1;
  }
  ip_mreqn join{};
  inet_pton(AF_INET, argv[1], &join.imr_multiaddr);
  join.imr_ifindex = int(if_nametoindex(argv[3]));
  if (::setsockopt(s, IPPROTO_IP, IP_ADD_MEMBERSHIP, &join, sizeof join) != 0) {
    std::perror("udp-count: join");
    return 1;
  }
  timeval wait{0, 100000};
  ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[4]));
  unsigned long long count = 0, bytes = 0;
  char data[65536];
  while (std::chrono::steady_clock::now() < end) {
    ssize_t n = ::recv(s, data, sizeof data, 0);
    if (n >= 0) {
      ++count;
      bytes += size_t(n);
    }
  }
  std::printf("received=%llu bytes=%llu\n", count, bytes);
  ::close(s);
  return 0;
}
