// The receive path: entries that the card writes by DMA into the 128-block receive ring
// become Ethernet frames for the network stack (MPE sections, kind 3; the byte-stuffed
// stream, kind 5) or raw records in the data ring (kinds 10..12), or are skipped.
//
// The interrupt routine writes only producer fields and the resynchronisation hand-over;
// the deferred routine writes only consumer fields and the flags. Both are stateless views
// over the adapter's receive state.
#pragma once
#include <cstdint>

#include "AdapterContext.h"
#include "DriverState.h"
#include "platform.h"

namespace cv7::core {

struct PacketBuffer;

class ReceivePath {
 public:
  ReceivePath(Platform& platform, DriverState& state, AdapterContext& adapter)
      : platform_(platform), state_(state), adapter_(adapter), rx_(adapter.rx) {}

  void startReception();
  void stopReception();

  // True when the interrupt was the card's (then the deferred routine is queued).
  bool interruptRoutine();
  void deferredRoutine();

  Status transferData(uint32_t offset, uint32_t count, PacketBuffer* buffers, uint32_t bufferCount,
                      uint32_t& bytesTransferred);

 private:
  // An entry's extent in blocks after the pad-bit adjustment.
  struct Extent {
    uint32_t full;
    uint32_t rest;
    uint32_t blocks() const { return full + (rest > 0 ? 1 : 0); }
  };

  uint32_t reg(uint32_t offset) { return adapter_.registers->read32(offset); }
  void setReg(uint32_t offset, uint32_t value) { adapter_.registers->write32(offset, value); }

  void producerBlockInterrupt();
  void acknowledgeMailboxInterrupt();
  // Walks the ring; false when it stopped for a resynchronisation.
  bool walkRing();
  bool processEntry();
  static bool isCorrupt(uint32_t length, uint16_t kind, const Extent& extent);
  bool tableHas(uint16_t pid, uint16_t kind) const;

  // Relaxed: the consumer index is written by the deferred routine or by a hand-over that it
  // acquired (walkRing).
  uint8_t* consumerBlock() const { return rx_.ringBase + 256 * rx_.consumerIndex.load(std::memory_order_relaxed); }
  void advanceOne();
  void advance(uint32_t blocks);

  // Each returns the bytes of the datagram it put into the frame buffer (0: none).
  uint32_t decapsulateSection(const Extent& extent, uint32_t length);
  uint32_t decapsulateStream(const Extent& extent);
  uint32_t given(uint32_t bytes);
  void storeRecord(const Extent& extent, uint32_t length);
  // Hands the datagram up; `available` is what its entry gave.
  void indicate(uint32_t available);
  void signalCardEvents();

  Platform& platform_;
  DriverState& state_;
  AdapterContext& adapter_;
  ReceiveState& rx_;
};

}  // namespace cv7::core
