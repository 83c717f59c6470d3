// The card's bus-master writer into the host's receive ring (128 blocks of 256 bytes in
// eight 4 KiB pages: page 0 at the ring address, pages 1 to 7 at the addresses of the page
// list). Rules:
//  - an entry starts at a block boundary and takes ceil((L + 6) / 256) consecutive blocks,
//    wrapping from block 127 to block 0;
//  - one block interrupt (DmaStatus bit 7) per entry; the next entry is written only after
//    the host acknowledged the previous interrupt, then at once, so the driver's producer,
//    which moves by one entry per interrupt, never falls behind;
//  - the first start on a ring raises one block interrupt without an entry; a start on the
//    same ring after a stop keeps the write block and raises none; a new ring address (or a
//    reset of the card) starts at block 0 with the start interrupt again;
//  - an entry takes at most 64 blocks;
//  - entries wait in a bounded FIFO while the host has not acknowledged; what does not fit,
//    what arrives while DMA is stopped and what is too long for the ring is counted as
//    dropped.
// Single-threaded: the card calls it under its own lock.
#pragma once
#include <array>
#include <cstdint>
#include <deque>

#include "HostInterfaces.h"
#include "RingEntry.h"

namespace cv7::sim {

struct DmaStats {
  uint64_t entriesWritten = 0;
  uint64_t blocksWritten = 0;
  uint64_t startInterrupts = 0;
  uint64_t droppedFifoFull = 0;
  uint64_t droppedStopped = 0;    // submitted while DMA was not running
  uint64_t droppedOversize = 0;   // more blocks than the ring holds
  uint64_t droppedAtStop = 0;     // still queued when DMA stopped
  uint64_t hostMemoryErrors = 0;  // a ring or page-list address that is not host memory
};

class DmaEngine final : public EntrySink {
 public:
  static constexpr uint32_t kBlocks = 128;
  static constexpr uint32_t kBlockSize = 256;
  static constexpr uint32_t kPageSize = 0x1000;
  static constexpr uint32_t kPages = 8;
  static constexpr size_t kFifoEntries = 256;
  // Half the ring: an entry and the one written after it never cover the start of the
  // first, where the driver reads L after acknowledging.
  static constexpr size_t kMaxEntryBlocks = kBlocks / 2;

  explicit DmaEngine(HostMemory& memory) : memory_(memory) {}

  // Ring and page-list addresses (registers 0x54 and 0x58); the page list is read at start.
  void configure(uint32_t ringPhysical, uint32_t pageListPhysical);
  // The DMA control register (0x60) as the host wrote it: bits 15 and 16 set with a pulse of
  // bit 14 start; bits 14 to 16 all clear stop.
  void controlWritten(uint32_t value);
  void start();
  void stop();
  // Forgets the ring (card reset): the next start is a first start.
  void reset();

  void submit(RingEntry entry) override;
  void submitFiller() { submit(RingEntry::filler()); }

  bool running() const { return running_; }
  // DmaStatus bit 7: a block interrupt waits for the host.
  bool blockInterruptPending() const { return pending_; }
  // The host cleared DmaStatus bit 7.
  void acknowledge();

  uint32_t writeBlock() const { return writeBlock_; }
  size_t queued() const { return fifo_.size(); }
  const DmaStats& stats() const { return stats_; }

 private:
  bool loadPages();
  void writeNext();
  bool writeEntry(const RingEntry& entry);
  uint64_t blockAddress(uint32_t block) const;

  HostMemory& memory_;
  uint32_t ringAddress_ = 0;
  uint32_t pageListAddress_ = 0;
  bool haveRing_ = false;
  uint32_t startedRing_ = 0;  // ring address of the last start
  bool startedOnce_ = false;
  std::array<uint64_t, kPages> pages_{};
  bool running_ = false;
  bool pending_ = false;
  uint32_t lastControl_ = 0;
  uint32_t writeBlock_ = 0;
  std::deque<RingEntry> fifo_;
  DmaStats stats_;
};

}  // namespace cv7::sim
