#include "Crc32.h"

#include <array>

namespace cv7::sim {

namespace {

constexpr uint32_t kPolynomial = 0x04C11DB7u;

// kTables[0][b]: the CRC step of byte b; kTables[k][b]: of byte b followed by k zero bytes.
constexpr std::array<std::array<uint32_t, 256>, 8> makeTables() {
  std::array<std::array<uint32_t, 256>, 8> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i << 24;
    for (int bit = 0; bit < 8; ++bit) c = (c & 0x80000000u) ? (c << 1) ^ kPolynomial : c << 1;
    t[0][i] = c;
  }
  for (size_t k = 1; k < 8; ++k) {
    for (uint32_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] << 8) ^ t[0][t[k - 1][i] >> 24];
  }
  return t;
}

constexpr auto kTables = makeTables();

uint32_t bytewise(uint32_t crc, const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i) crc = (crc << 8) ^ kTables[0][((crc >> 24) ^ p[i]) & 0xFF];
  return crc;
}

uint32_t bigEndian32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

}  // namespace

uint32_t crc32Mpeg2(std::span<const uint8_t> bytes) {
  const uint8_t* p = bytes.data();
  size_t n = bytes.size();
  uint32_t crc = 0xFFFFFFFFu;
  for (; n >= 8; n -= 8, p += 8) {
    uint32_t a = crc ^ bigEndian32(p);
    crc = kTables[7][a >> 24] ^ kTables[6][(a >> 16) & 0xFF] ^ kTables[5][(a >> 8) & 0xFF] ^ kTables[4][a & 0xFF] ^
          kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^ kTables[0][p[7]];
  }
  return bytewise(crc, p, n);
}

uint32_t crc32Mpeg2Bytewise(std::span<const uint8_t> bytes) { return bytewise(0xFFFFFFFFu, bytes.data(), bytes.size()); }

}  // namespace cv7::sim
