#include "UdpUplink.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace cv7::sim {

UdpUplink::UdpUplink(const DataSourceConfig& c)
    : endpoints_{c.sourceAddress, c.sourcePort, c.destinationAddress, c.destinationPort} {
  fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) {
    error_ = std::string("uplink socket: ") + std::strerror(errno);
    return;
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(c.uplinkPort);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    error_ = "uplink port " + std::to_string(c.uplinkPort) + " on 127.0.0.1: " + std::strerror(errno);
    ::close(fd_);
    fd_ = -1;
    return;
  }
  port_ = ntohs(address.sin_port);
}

UdpUplink::~UdpUplink() {
  if (fd_ >= 0) ::close(fd_);
}

void UdpUplink::poll(uint64_t until, std::vector<TimedDatagram>& out) {
  uint64_t due = lastPoll_ == 0 ? until : lastPoll_;
  lastPoll_ = until;
  if (fd_ < 0) return;
  if (buffer_.empty()) buffer_.resize(Ipv4Datagram::kMaxTotal);
  for (size_t i = 0; i < kMaxPerPoll; ++i) {
    ssize_t n = ::recv(fd_, buffer_.data(), buffer_.size(), 0);
    if (n < 0) break;  // EAGAIN: nothing more; other errors are retried at the next poll
    ++received_;
    auto d = Ipv4Datagram::udp(endpoints_, identification_++, std::span<const uint8_t>(buffer_.data(), size_t(n)));
    if (d) {
      out.push_back({due, std::move(*d)});
    } else {
      ++refused_;  // too long for an IPv4 datagram with its headers
    }
  }
}

}  // namespace cv7::sim
