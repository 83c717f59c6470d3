// Where a data channel's IP datagrams come from: the built-in generator, or the uplink socket.
#pragma once
#include <cstdint>
#include <vector>

namespace cv7::sim {

struct TimedDatagram {
  uint64_t dueMicroseconds = 0;  // when it enters the multiplex
  std::vector<uint8_t> bytes;    // a whole IPv4 datagram
};

class DatagramSource {
 public:
  virtual ~DatagramSource() = default;
  // Appends the datagrams due up to `untilMicroseconds`, in time order.
  virtual void poll(uint64_t untilMicroseconds, std::vector<TimedDatagram>& out) = 0;
};

}  // namespace cv7::sim
