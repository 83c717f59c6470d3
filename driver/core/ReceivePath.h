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
  // Walks the ring; false when it stopped for a resynchronisation.
  bool walkRing();
  bool processEntry();
  bool tableHas(uint16_t pid, uint16_t kind) const;

  uint8_t* consumerBlock() const { return rx_.ringBase + 256 * rx_.consumerIndex.load(std::memory_order_relaxed); }
  void advanceOne();
  void advance(uint32_t blocks);

  bool decapsulateSection(const Extent& extent);
  bool decapsulateStream(const Extent& extent);
  void storeRecord(const Extent& extent, uint32_t length);
  void indicate();
  void signalCardEvents();

  Platform& platform_;
  DriverState& state_;
  AdapterContext& adapter_;
  ReceiveState& rx_;
};

}  // namespace cv7::core
