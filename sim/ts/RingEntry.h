// One unit that the card writes into the host's receive ring: {PID, kind, length L} in
// 16-bit little-endian words, then L payload bytes. Bit 15 of the kind says that L includes
// one pad byte at the end (the card pads odd MPE sections and stuffed PES packets, kinds 3
// and 5, to an even length). PID 0x2000 marks a filler entry, which takes one block.
//
// The demultiplexer hands an entry on as an EntryView: the payload stays where the card
// reassembled it, and the DMA engine copies it from there into the ring, once. RingEntry
// holds an entry's bytes of its own (fillers, and whoever keeps entries, as tests do).
#pragma once
#include <cstdint>
#include <span>
#include <vector>

namespace cv7::sim {

inline constexpr size_t kRingEntryHeader = 6;
inline constexpr uint16_t kRingEntryPadBit = 0x8000;
inline constexpr uint16_t kFillerPid = 0x2000;

struct EntryView {
  uint16_t pid = 0;
  uint16_t kind = 0;                // with the pad bit when set
  std::span<const uint8_t> bytes;   // the payload without the pad byte
  bool padByte = false;             // a 0 byte follows the payload (L counts it)

  // An entry for the payload; for `padOdd` kinds an odd payload gets a pad byte and the bit.
  static EntryView of(uint16_t pid, uint16_t kind, std::span<const uint8_t> payload, bool padOdd);
  size_t length() const { return bytes.size() + (padByte ? 1 : 0); }
  size_t size() const { return kRingEntryHeader + length(); }
  // Blocks of the ring it takes: ceil((L + 6) / blockSize).
  size_t blocks(size_t blockSize) const { return (size() + blockSize - 1) / blockSize; }
};

struct RingEntry {
  static constexpr size_t kHeader = kRingEntryHeader;
  static constexpr uint16_t kPadBit = kRingEntryPadBit;
  static constexpr uint16_t kFillerPid = sim::kFillerPid;

  uint16_t pid = 0;
  uint16_t kind = 0;             // with the pad bit when set
  std::vector<uint8_t> payload;  // L bytes, the pad byte included

  static RingEntry filler();
  static RingEntry copyOf(const EntryView& view);
  EntryView view() const { return {pid, kind, payload, false}; }
};

// Takes the entries that the demultiplexer produces (the DMA engine). The view's bytes are
// valid only during the call.
class EntrySink {
 public:
  virtual ~EntrySink() = default;
  virtual void submit(const EntryView& entry) = 0;
};

}  // namespace cv7::sim
