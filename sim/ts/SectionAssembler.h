// Reassembles the sections of one PID from packet payloads: pointer_field, sections that
// continue across packets, several sections in one packet, 0xFF stuffing. A section with the
// section_syntax_indicator must pass its CRC-32; one that fails is dropped and counted. A
// continuity gap loses the section in progress.
#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace cv7::sim {

struct SectionStats {
  uint64_t sections = 0;
  uint64_t crcErrors = 0;
  uint64_t lost = 0;       // cut off by a continuity gap or a new unit start
  uint64_t malformed = 0;  // pointer_field past the payload, section_length beyond 4093
};

class SectionAssembler {
 public:
  static constexpr size_t kMaxSection = 4096;
  using Handler = std::function<void(std::span<const uint8_t> section)>;

  // The section is reassembled in one buffer of the largest section's size, taken here once.
  explicit SectionAssembler(Handler handler) : handler_(std::move(handler)) { partial_.reserve(kMaxSection); }

  void push(std::span<const uint8_t> payload, bool unitStart, bool continuous);
  void reset() { partial_.clear(); }
  const SectionStats& stats() const { return stats_; }

 private:
  // Appends to the section in progress; returns the bytes taken. Emits a complete section.
  size_t append(std::span<const uint8_t> bytes);
  void complete();

  Handler handler_;
  std::vector<uint8_t> partial_;  // empty: no section in progress
  bool collecting_ = false;
  SectionStats stats_;
};

}  // namespace cv7::sim
