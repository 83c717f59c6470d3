#include "RingEntry.h"

namespace cv7::sim {

EntryView EntryView::of(uint16_t pid, uint16_t kind, std::span<const uint8_t> payload, bool padOdd) {
  bool pad = padOdd && (payload.size() & 1);
  return {pid, uint16_t(pad ? kind | kRingEntryPadBit : kind), payload, pad};
}

RingEntry RingEntry::filler() {
  RingEntry e;
  e.pid = kFillerPid;
  return e;
}

RingEntry RingEntry::copyOf(const EntryView& view) {
  RingEntry e{view.pid, view.kind, std::vector<uint8_t>(view.bytes.begin(), view.bytes.end())};
  if (view.padByte) e.payload.push_back(0x00);
  return e;
}

}  // namespace cv7::sim
