// The card's bus-master writer into the host's receive ring (128 blocks of 256 bytes in
// eight 4 KiB pages: page 0 at the ring address, pages 1 to 7 at the addresses of the page
// list). Rules:
//  - an entry starts at a block boundary and takes ceil((L + 6) / 256) consecutive blocks,
//    wrapping from block 127 to block 0;
//  - an entry is written into the ring as soon as it arrives, when the ring has room for it;
//    the ring being host memory, it is the card's only buffer: an entry that finds no room is
//    dropped and counted;
//  - one block interrupt (DmaStatus bit 7) per entry, in ring order: while entries are
//    written that the host has not been told of, the bit is set; each acknowledgement tells
//    the host of one (the driver's producer moves by one entry per interrupt and reads its L
//    after acknowledging) and the bit is set again at once while more wait;
//  - the card counts as occupied the entries not yet told and the one told last: the host has
//    done with an entry when it acknowledges the interrupt of the next one (its deferred
//    routine runs after each interrupt routine);
//  - the first start on a ring raises one block interrupt without an entry; a start on the
//    same ring after a stop keeps the write block and raises none; a new ring address (or a
//    reset of the card) starts at block 0 with the start interrupt again;
//  - an entry takes at most 64 blocks;
//  - what arrives while DMA is stopped and what is too long is counted as dropped; entries
//    written before a stop stay in the ring and keep their interrupts.
// Single-threaded: the card calls it under its own lock.
#pragma once
#include <array>
#include <cstdint>

#include "HostInterfaces.h"
#include "RingEntry.h"

namespace cv7::sim {

struct DmaStats {
  uint64_t entriesWritten = 0;
  uint64_t blocksWritten = 0;
  uint64_t startInterrupts = 0;
  uint64_t droppedRingFull = 0;   // no room in the host's ring (the host took too long)
  uint64_t droppedStopped = 0;    // submitted while DMA was not running
  uint64_t droppedOversize = 0;   // more blocks than an entry may take
  uint64_t droppedAtReset = 0;    // written but not yet told when the card was reset or started on another ring
  uint64_t hostMemoryErrors = 0;  // a ring or page-list address that is not host memory
};

class DmaEngine final : public EntrySink {
 public:
  static constexpr uint32_t kBlocks = 128;
  static constexpr uint32_t kBlockSize = 256;
  static constexpr uint32_t kPageSize = 0x1000;
  static constexpr uint32_t kPages = 8;
  static constexpr uint32_t kRingBytes = kBlocks * kBlockSize;
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

  void submit(const EntryView& entry) override;
  void submitFiller() { submit(RingEntry::filler().view()); }

  bool running() const { return running_; }
  // DmaStatus bit 7: a block interrupt waits for the host.
  bool blockInterruptPending() const { return startInterrupt_ || untoldCount_ > 0; }
  // The host cleared DmaStatus bit 7.
  void acknowledge();

  uint32_t writeBlock() const { return writeBlock_; }
  // Blocks the card may write now without touching an entry the host has not done with.
  uint32_t room() const { return kBlocks - untoldBlocks_ - toldBlocks_; }
  // Entries in the ring whose interrupt the host has not yet taken.
  uint32_t untold() const { return untoldCount_; }
  const DmaStats& stats() const { return stats_; }

 private:
  bool loadPages();
  // Copies bytes to the ring from byte `offset` on (wrapping); false on a host memory error.
  bool put(uint32_t& offset, const uint8_t* bytes, size_t length);
  bool write(const EntryView& entry);

  HostMemory& memory_;
  uint32_t ringAddress_ = 0;
  uint32_t pageListAddress_ = 0;
  bool haveRing_ = false;
  uint32_t startedRing_ = 0;  // ring address of the last start
  bool startedOnce_ = false;
  std::array<uint64_t, kPages> pages_{};
  bool running_ = false;
  bool startInterrupt_ = false;
  uint32_t lastControl_ = 0;
  uint32_t writeBlock_ = 0;
  // Blocks of each entry written and not yet told, oldest first (a circular list; every
  // entry takes a block at least, so the ring never holds more than kBlocks of them).
  std::array<uint8_t, kBlocks> untoldSizes_{};
  uint32_t untoldFirst_ = 0, untoldCount_ = 0, untoldBlocks_ = 0;
  uint32_t toldBlocks_ = 0;  // the entry told last
  DmaStats stats_;
};

}  // namespace cv7::sim
