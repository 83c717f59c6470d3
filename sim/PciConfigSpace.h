// The card's 256 bytes of PCI configuration space: identity, class, BAR0 (32-bit memory),
// interrupt line and pin. Multi-byte fields are little-endian, as on the bus.
#pragma once
#include <array>
#include <cstdint>

namespace cv7::sim {

struct CardConfig;

class PciConfigSpace {
 public:
  static constexpr uint8_t kRevision = 0x01;
  static constexpr uint8_t kClassCode = 0x04;     // multimedia controller
  static constexpr uint8_t kSubclass = 0x80;      // other
  static constexpr uint16_t kCommandBits = 0x0006;  // memory space, bus master
  static constexpr uint16_t kStatusBits = 0x0280;   // medium DEVSEL, fast back-to-back
  static constexpr uint8_t kInterruptPinA = 1;

  static std::array<uint8_t, 256> build(const CardConfig& config);
};

}  // namespace cv7::sim
