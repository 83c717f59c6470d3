// The CRC-32 of MPEG-2 sections (polynomial 0x04C11DB7, initial value all ones, no
// reflection, no final inversion). Run over a whole section including its CRC it gives 0.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace cv7::sim {

// Eight bytes per step through eight tables (slicing by 8), the rest one byte at a time.
uint32_t crc32Mpeg2(std::span<const uint8_t> bytes);
// The same, one byte at a time through one table: the reference the fast one must match.
uint32_t crc32Mpeg2Bytewise(std::span<const uint8_t> bytes);

}  // namespace cv7::sim
