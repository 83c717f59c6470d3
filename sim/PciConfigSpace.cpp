#include "PciConfigSpace.h"

#include "CardRegisters.h"
#include "SimulatedCard.h"

namespace cv7::sim {

namespace {
void put16(std::array<uint8_t, 256>& space, size_t at, uint16_t value) {
  space[at] = uint8_t(value);
  space[at + 1] = uint8_t(value >> 8);
}
void put32(std::array<uint8_t, 256>& space, size_t at, uint32_t value) {
  put16(space, at, uint16_t(value));
  put16(space, at + 2, uint16_t(value >> 16));
}
}  // namespace

std::array<uint8_t, 256> PciConfigSpace::build(const CardConfig& config) {
  std::array<uint8_t, 256> space{};
  put16(space, 0x00, regs::kPciVendor);
  put16(space, 0x02, regs::kPciDevice);
  put16(space, 0x04, kCommandBits);
  put16(space, 0x06, kStatusBits);
  space[0x08] = kRevision;
  space[0x09] = 0x00;  // programming interface
  space[0x0A] = kSubclass;
  space[0x0B] = kClassCode;
  space[0x0D] = 0x40;  // latency timer
  space[0x0E] = 0x00;  // header type 0
  // BAR0: memory space, 32-bit, not prefetchable: the low four bits are 0.
  put32(space, 0x10, uint32_t(config.memoryBase) & ~0xFu);
  put16(space, 0x2C, regs::kPciVendor);  // subsystem vendor
  put16(space, 0x2E, regs::kPciDevice);  // subsystem
  space[0x3C] = config.interruptLevel;
  space[0x3D] = kInterruptPinA;
  space[0x3E] = 0x04;  // minimum grant
  space[0x3F] = 0x10;  // maximum latency
  return space;
}

}  // namespace cv7::sim
