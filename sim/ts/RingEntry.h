// One unit that the card writes into the host's receive ring: {PID, kind, length L} in
// 16-bit little-endian words, then L payload bytes. Bit 15 of the kind says that L includes
// one pad byte at the end (the card pads odd MPE sections and stuffed PES packets, kinds 3
// and 5, to an even length). PID 0x2000 marks a filler entry, which takes one block.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

namespace cv7::sim {

struct RingEntry {
  static constexpr size_t kHeader = 6;
  static constexpr uint16_t kPadBit = 0x8000;
  static constexpr uint16_t kFillerPid = 0x2000;

  uint16_t pid = 0;
  uint16_t kind = 0;             // with the pad bit when set
  std::vector<uint8_t> payload;  // L bytes, the pad byte included

  // An entry for the payload; for `padOdd` kinds an odd payload gets a pad byte and the bit.
  static RingEntry make(uint16_t pid, uint16_t kind, std::span<const uint8_t> payload, bool padOdd);
  static RingEntry filler();

  size_t size() const { return kHeader + payload.size(); }
  // Blocks of the ring it takes: ceil((L + 6) / blockSize).
  size_t blocks(size_t blockSize) const { return (size() + blockSize - 1) / blockSize; }
  std::vector<uint8_t> serialize() const;
};

// Takes the entries that the demultiplexer produces (the DMA engine).
class EntrySink {
 public:
  virtual ~EntrySink() = default;
  virtual void submit(RingEntry entry) = 0;
};

}  // namespace cv7::sim
