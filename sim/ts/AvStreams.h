// Dummy audio and video of the services: a small PES packet with a PTS every 40 ms on each
// video PID and every 48 ms on each audio PID (a few kbit/s each), a PCR every 40 ms on each
// service's PCR PID (in the video or audio packet when the PCR PID carries one, else in a
// packet of its own). A scrambled service's packets carry transport_scrambling_control 10.
#pragma once
#include <cstdint>
#include <vector>

#include "MuxInput.h"
#include "PesPacketizer.h"
#include "StreamConfig.h"

namespace cv7::sim {

class AvStreams final : public MuxInput {
 public:
  static constexpr uint64_t kVideoPeriod = 40'000;
  static constexpr uint64_t kAudioPeriod = 48'000;
  static constexpr uint64_t kPcrPeriod = 40'000;
  static constexpr size_t kVideoPayload = 24;
  static constexpr size_t kAudioPayload = 16;

  AvStreams(const TransportStreamConfig& config, uint64_t startMicroseconds);
  void fill(uint64_t nowMicroseconds, std::deque<QueuedPacket>& queue) override;
  bool empty() const { return streams_.empty(); }

 private:
  struct Stream {
    PesPacketizer packetizer;
    uint8_t streamId;
    uint64_t period;
    size_t payload;
    bool carriesPcr;
    bool pcrOnly;  // a PCR PID without a stream of its own
    uint8_t scrambling;
    uint64_t next;
    uint32_t count = 0;
  };
  static std::vector<uint8_t> pes(const Stream& s, uint64_t pts90kHz);

  std::vector<Stream> streams_;
};

}  // namespace cv7::sim
