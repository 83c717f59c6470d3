// One producer of packets for the multiplexer: PSI, the dummy audio/video streams, a data
// channel, a recorded file. The multiplexer asks each input once per step to get ready (read
// sockets, run generators) and then, for every packet slot, to queue the packets due by then.
#pragma once
#include <cstdint>
#include <deque>

#include "TsPacket.h"

namespace cv7::sim {

struct QueuedPacket {
  TsPacket bytes;
  bool stampPcr = false;  // the PCR field gets the time of the slot the packet goes out in
};

class MuxInput {
 public:
  virtual ~MuxInput() = default;
  virtual void prepare(uint64_t /*untilMicroseconds*/) {}
  virtual void fill(uint64_t nowMicroseconds, std::deque<QueuedPacket>& queue) = 0;
};

}  // namespace cv7::sim
