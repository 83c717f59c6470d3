#include "RingEntry.h"

#include <algorithm>

namespace cv7::sim {

RingEntry RingEntry::make(uint16_t pid, uint16_t kind, std::span<const uint8_t> payload, bool padOdd) {
  RingEntry e;
  e.pid = pid;
  e.kind = kind;
  e.payload.assign(payload.begin(), payload.end());
  if (padOdd && (e.payload.size() & 1)) {
    e.payload.push_back(0x00);
    e.kind |= kPadBit;
  }
  return e;
}

RingEntry RingEntry::filler() {
  RingEntry e;
  e.pid = kFillerPid;
  return e;
}

std::vector<uint8_t> RingEntry::serialize() const {
  std::vector<uint8_t> out(size());
  size_t length = payload.size();
  out[0] = uint8_t(pid);
  out[1] = uint8_t(pid >> 8);
  out[2] = uint8_t(kind);
  out[3] = uint8_t(kind >> 8);
  out[4] = uint8_t(length);
  out[5] = uint8_t(length >> 8);
  std::copy(payload.begin(), payload.end(), out.begin() + kHeader);
  return out;
}

}  // namespace cv7::sim
