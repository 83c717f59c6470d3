// What the card reaches on the host side: memory by physical address (bus-master DMA) and
// its interrupt line.
#pragma once
#include <cstddef>
#include <cstdint>

namespace cv7::sim {

class HostMemory {
 public:
  virtual ~HostMemory() = default;
  // Copies into host memory at a physical address; false when the address is not host memory.
  virtual bool write(uint64_t physical, const void* data, size_t length) = 0;
  virtual bool read(uint64_t physical, void* data, size_t length) = 0;
};

class InterruptLine {
 public:
  virtual ~InterruptLine() = default;
  // Level-sensitive: asserted while any enabled interrupt source of the card is pending.
  virtual void setLevel(bool asserted) = 0;
};

}  // namespace cv7::sim
