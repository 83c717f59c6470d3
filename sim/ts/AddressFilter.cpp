#include "AddressFilter.h"

#include <algorithm>

namespace cv7::sim {

namespace {

constexpr uint16_t kKindMpe = 3;
constexpr uint16_t kKindStuffed = 5;
constexpr size_t kMpeHeader = 12;
constexpr size_t kLlcSnap = 8;
constexpr size_t kPesHeader = 9;

// The first 20 bytes of a stuffed datagram, unescaped; false when the entry is shorter.
bool unstuffHeader(std::span<const uint8_t> payload, std::array<uint8_t, 20>& header) {
  size_t out = 0;
  for (size_t i = kPesHeader; i < payload.size() && out < header.size(); ++i) {
    if (payload[i] == 0x7D) {
      if (++i >= payload.size()) return false;
      header[out++] = payload[i] | 0x70;
    } else {
      header[out++] = payload[i];
    }
  }
  return out == header.size();
}

}  // namespace

void AddressFilter::submit(const EntryView& entry) {
  if (passes(entry)) {
    next_.submit(entry);
  } else {
    ++filtered_;
  }
}

bool AddressFilter::passes(const EntryView& entry) const {
  uint16_t kind = entry.kind & ~kRingEntryPadBit;
  if (settings_.mode != 1 && settings_.mode != 2) return true;
  std::span<const uint8_t> p = entry.bytes;
  if (kind == kKindMpe) {
    if (p.size() < kMpeHeader) return false;
    if (settings_.mode == 2) return macPasses({p[11], p[10], p[9], p[8], p[4], p[3]});
    size_t ip = kMpeHeader + ((p[5] & 0x02) ? kLlcSnap : 0);
    return p.size() >= ip + 20 && ipPasses(&p[ip + 16]);
  }
  if (kind == kKindStuffed) {
    std::array<uint8_t, 20> header{};
    return unstuffHeader(p, header) && ipPasses(&header[16]);
  }
  return true;
}

bool AddressFilter::ipPasses(const uint8_t* d) const {
  bool multicast = d[0] >= 224 && d[0] <= 239;
  bool broadcast = d[0] == 255 && d[1] == 255 && d[2] == 255 && d[3] == 255;
  return multicast || broadcast || std::equal(d, d + 4, settings_.ipAddress.begin());
}

bool AddressFilter::macPasses(const std::array<uint8_t, 6>& mac) const {
  if (mac == settings_.stationAddress) return true;
  if (std::all_of(mac.begin(), mac.end(), [](uint8_t b) { return b == 0xFF; })) return true;
  return std::find(settings_.multicastList.begin(), settings_.multicastList.end(), mac) != settings_.multicastList.end();
}

}  // namespace cv7::sim
