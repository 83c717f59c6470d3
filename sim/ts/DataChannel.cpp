#include "DataChannel.h"

#include "Ipv4Datagram.h"
#include "MpeEncapsulator.h"
#include "StuffedPesEncapsulator.h"

namespace cv7::sim {

DataChannel::DataChannel(const DataSourceConfig& config, std::unique_ptr<DatagramSource> source,
                         const std::array<uint8_t, 6>& stationAddress)
    : config_(config), source_(std::move(source)), stationAddress_(stationAddress), sections_(config.pid),
      pes_(config.pid) {}

void DataChannel::prepare(uint64_t until) {
  pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(next_));
  next_ = 0;
  source_->poll(until, pending_);
}

bool DataChannel::encapsulate(const std::vector<uint8_t>& datagram, std::vector<std::vector<uint8_t>>& sections,
                              std::vector<TsPacket>& packets) {
  if (config_.encapsulation == Encapsulation::StuffedPes) {
    auto pes = StuffedPesEncapsulator::pes(datagram);
    if (!pes) return false;
    pes_.packetize(*pes, packets);
    return true;
  }
  MpeOptions options;
  options.llcSnap = config_.encapsulation == Encapsulation::MpeLlcSnap;
  if (config_.scrambledFlags) options.payloadScrambling = 1;
  auto mac = MpeEncapsulator::macFor(Ipv4Datagram::destinationOf(datagram), stationAddress_);
  auto section = MpeEncapsulator::section(datagram, mac, options);
  if (!section) return false;
  sections.push_back(std::move(*section));
  return true;
}

void DataChannel::fill(uint64_t now, std::deque<QueuedPacket>& queue) {
  if (next_ == pending_.size() || pending_[next_].dueMicroseconds > now) return;
  std::vector<std::vector<uint8_t>> sections;
  std::vector<TsPacket> packets;
  while (next_ < pending_.size() && pending_[next_].dueMicroseconds <= now) {
    if (encapsulate(pending_[next_].bytes, sections, packets)) {
      ++stats_.datagrams;
    } else {
      ++stats_.refused;
    }
    ++next_;
  }
  if (!sections.empty()) sections_.packetize(sections, packets);
  for (auto& p : packets) queue.push_back({p, false});
  stats_.packets += packets.size();
}

}  // namespace cv7::sim
