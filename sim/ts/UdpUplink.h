// The uplink: a UDP socket on 127.0.0.1 whose received payloads go on the satellite as
// IPv4/UDP datagrams to the configured destination. The socket is non-blocking and read when
// the multiplexer steps; port 0 takes an ephemeral port, which port() reports.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "DatagramSource.h"
#include "Ipv4Datagram.h"
#include "StreamConfig.h"

namespace cv7::sim {

class UdpUplink final : public DatagramSource {
 public:
  static constexpr size_t kMaxPerPoll = 256;

  explicit UdpUplink(const DataSourceConfig& config);
  ~UdpUplink() override;
  UdpUplink(const UdpUplink&) = delete;
  UdpUplink& operator=(const UdpUplink&) = delete;

  bool ok() const { return fd_ >= 0; }
  const std::string& error() const { return error_; }
  uint16_t port() const { return port_; }
  uint64_t received() const { return received_; }
  uint64_t refused() const { return refused_; }

  // Datagrams received since the last poll; they are due at the time of that poll.
  void poll(uint64_t untilMicroseconds, std::vector<TimedDatagram>& out) override;

 private:
  UdpEndpoints endpoints_;
  int fd_ = -1;
  uint16_t port_ = 0;
  std::string error_;
  uint64_t lastPoll_ = 0;
  uint64_t received_ = 0;
  uint64_t refused_ = 0;
  uint16_t identification_ = 0;
  std::vector<uint8_t> buffer_;
};

}  // namespace cv7::sim
