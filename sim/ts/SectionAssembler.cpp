#include "SectionAssembler.h"

#include <algorithm>

#include "Crc32.h"

namespace cv7::sim {

namespace {
size_t totalLength(const std::vector<uint8_t>& s) { return 3 + (size_t(s[1] & 0x0F) << 8 | s[2]); }
}  // namespace

void SectionAssembler::push(std::span<const uint8_t> payload, bool unitStart, bool continuous) {
  if (!continuous && collecting_) {
    ++stats_.lost;
    collecting_ = false;
    partial_.clear();
  }
  if (!unitStart) {
    if (collecting_) append(payload);  // a new section can only begin in a unit-start packet
    return;
  }
  if (payload.empty() || size_t(payload[0]) + 1 > payload.size()) {
    ++stats_.malformed;
    collecting_ = false;
    partial_.clear();
    return;
  }
  size_t pointer = payload[0];
  if (collecting_) {
    append(payload.subspan(1, pointer));
    if (collecting_) {  // the new unit starts before the old section was complete
      ++stats_.lost;
      collecting_ = false;
      partial_.clear();
    }
  }
  size_t position = 1 + pointer;
  while (position < payload.size() && payload[position] != 0xFF) {
    collecting_ = true;
    position += append(payload.subspan(position));
    if (collecting_) break;  // continues in the next packet
  }
}

size_t SectionAssembler::append(std::span<const uint8_t> bytes) {
  size_t taken = 0;
  if (partial_.size() < 3) {
    size_t n = std::min(3 - partial_.size(), bytes.size());
    partial_.insert(partial_.end(), bytes.begin(), bytes.begin() + std::ptrdiff_t(n));
    taken = n;
    if (partial_.size() < 3) return taken;
    if (totalLength(partial_) > kMaxSection) {
      ++stats_.malformed;
      collecting_ = false;
      partial_.clear();
      return bytes.size();  // the rest of this payload cannot be trusted
    }
  }
  size_t need = totalLength(partial_) - partial_.size();
  size_t n = std::min(need, bytes.size() - taken);
  partial_.insert(partial_.end(), bytes.begin() + std::ptrdiff_t(taken), bytes.begin() + std::ptrdiff_t(taken + n));
  taken += n;
  if (partial_.size() == totalLength(partial_)) complete();
  return taken;
}

void SectionAssembler::complete() {
  collecting_ = false;
  bool syntax = (partial_[1] & 0x80) != 0;
  if (syntax && (partial_.size() < 3 + 5 + 4 || crc32Mpeg2(partial_) != 0)) {
    ++stats_.crcErrors;
  } else {
    ++stats_.sections;
    handler_(partial_);
  }
  partial_.clear();
}

}  // namespace cv7::sim
