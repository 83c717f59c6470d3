// Little-endian loads and stores into byte buffers, for the control requests' fields.
#pragma once
#include <cstdint>

namespace cv7::core::le {

inline uint16_t load16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t load32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void store16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void store32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

}  // namespace cv7::core::le
