#include "StuffedPesEncapsulator.h"

namespace cv7::sim {

std::optional<std::vector<uint8_t>> StuffedPesEncapsulator::pes(std::span<const uint8_t> datagram) {
  std::vector<uint8_t> out = {0x00, 0x00, 0x01, kStreamId, 0, 0, 0x80, 0x00, 0x00};
  out.reserve(kHeader + datagram.size() + datagram.size() / 8 + 1);
  for (uint8_t b : datagram) {
    if (b == kEscape || b == kFlag) {
      out.push_back(kEscape);
      out.push_back(uint8_t(b & 0x0F));  // the receiver restores bits 4..6
    } else {
      out.push_back(b);
    }
  }
  out.push_back(kFlag);
  size_t length = out.size() - 6;
  if (length > 0xFFFF) return std::nullopt;
  out[4] = uint8_t(length >> 8);
  out[5] = uint8_t(length);
  return out;
}

std::optional<std::vector<uint8_t>> StuffedPesEncapsulator::unstuff(std::span<const uint8_t> pes) {
  if (pes.size() < kHeader) return std::nullopt;
  std::vector<uint8_t> out;
  for (size_t i = kHeader; i < pes.size(); ++i) {
    if (pes[i] == kFlag) return out;
    if (pes[i] == kEscape) {
      if (++i >= pes.size()) return std::nullopt;
      out.push_back(uint8_t(pes[i] | 0x70));
    } else {
      out.push_back(pes[i]);
    }
  }
  return std::nullopt;
}

}  // namespace cv7::sim
