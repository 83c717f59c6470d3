// A data PID of the multiplex: datagrams from a source, encapsulated as MPE sections (with or
// without LLC/SNAP) or as the byte-stuffed PES stream, and packetised. Datagrams due at the
// same slot share packets (several sections per packet).
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "DatagramSource.h"
#include "MuxInput.h"
#include "PesPacketizer.h"
#include "SectionPacketizer.h"
#include "StreamConfig.h"

namespace cv7::sim {

struct DataChannelStats {
  uint64_t datagrams = 0;  // put on the PID
  uint64_t refused = 0;    // too long for the encapsulation
  uint64_t packets = 0;
};

class DataChannel final : public MuxInput {
 public:
  DataChannel(const DataSourceConfig& config, std::unique_ptr<DatagramSource> source,
              const std::array<uint8_t, 6>& stationAddress);

  void prepare(uint64_t untilMicroseconds) override;
  void fill(uint64_t nowMicroseconds, std::deque<QueuedPacket>& queue) override;

  DatagramSource& source() { return *source_; }
  const DataChannelStats& stats() const { return stats_; }

 private:
  bool encapsulate(const std::vector<uint8_t>& datagram, std::vector<std::vector<uint8_t>>& sections,
                   std::vector<TsPacket>& packets);

  DataSourceConfig config_;
  std::unique_ptr<DatagramSource> source_;
  std::array<uint8_t, 6> stationAddress_;
  SectionPacketizer sections_;
  PesPacketizer pes_;
  std::vector<TimedDatagram> pending_;
  size_t next_ = 0;
  DataChannelStats stats_;
};

}  // namespace cv7::sim
