// Repeats the program tables: every repetition interval the PAT, every PMT and the SDT go
// into the multiplex, each table on its PID with its own continuity counter. PMTs of services
// that share a PMT PID share its packets.
#pragma once
#include <cstdint>
#include <map>
#include <vector>

#include "MuxInput.h"
#include "SectionPacketizer.h"
#include "StreamConfig.h"

namespace cv7::sim {

class PsiCarousel final : public MuxInput {
 public:
  PsiCarousel(const TransportStreamConfig& config, uint64_t startMicroseconds);
  void fill(uint64_t nowMicroseconds, std::deque<QueuedPacket>& queue) override;
  uint64_t repetitions() const { return repetitions_; }

 private:
  struct Table {
    SectionPacketizer packetizer;
    std::vector<std::vector<uint8_t>> sections;
  };
  std::map<uint16_t, Table> tables_;  // by PID
  uint64_t interval_;
  uint64_t next_;
  uint64_t repetitions_ = 0;
};

}  // namespace cv7::sim
