#include "UdpGenerator.h"

#include <cmath>

namespace cv7::sim {

UdpGenerator::UdpGenerator(const DataSourceConfig& c, uint64_t startMicroseconds)
    : endpoints_{c.sourceAddress, c.sourcePort, c.destinationAddress, c.destinationPort},
      payloadSize_(c.payloadSize),
      rate_(c.datagramsPerSecond),
      start_(startMicroseconds) {}

uint64_t UdpGenerator::dueOf(uint64_t sequence) const {
  return start_ + uint64_t(std::llround(double(sequence) * 1e6 / rate_));
}

std::vector<uint8_t> UdpGenerator::payload(uint32_t sequence, uint64_t due, uint32_t size) {
  std::vector<uint8_t> p(size);
  uint8_t head[12];
  for (int i = 0; i < 4; ++i) head[i] = uint8_t(sequence >> (24 - 8 * i));
  for (int i = 0; i < 8; ++i) head[4 + i] = uint8_t(due >> (56 - 8 * i));
  for (uint32_t i = 0; i < size; ++i) p[i] = i < 12 ? head[i] : uint8_t(sequence + i);
  return p;
}

void UdpGenerator::poll(uint64_t until, std::vector<TimedDatagram>& out) {
  if (!(rate_ > 0) || !std::isfinite(rate_)) return;
  if (dueOf(sequence_) + kMaxBacklogMicroseconds < until) {
    auto first = uint64_t(std::ceil(double(until - kMaxBacklogMicroseconds - start_) * rate_ / 1e6));
    if (first > sequence_) {
      skipped_ += first - sequence_;
      sequence_ = first;
    }
  }
  while (dueOf(sequence_) <= until) {
    uint64_t due = dueOf(sequence_);
    auto d = Ipv4Datagram::udp(endpoints_, uint16_t(sequence_), payload(uint32_t(sequence_), due, payloadSize_));
    ++sequence_;
    if (d) out.push_back({due, std::move(*d)});
  }
}

}  // namespace cv7::sim
