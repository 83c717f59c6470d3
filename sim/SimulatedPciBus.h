// The PCI bus the driver searches: slots 0..9, the simulated card in one of them. An empty
// slot reads as all 0xFF, like a real bus. The platforms (the tests' fake platform, the
// daemon) answer their configuration reads and resource queries from here.
#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

namespace cv7::sim {

class SimulatedCard;

// What the bus assigned to a slot.
struct SlotResources {
  uint64_t memoryBase = 0;
  uint32_t memoryLength = 0;
  uint8_t interruptLevel = 0;
};

class SimulatedPciBus {
 public:
  static constexpr uint32_t kSlots = 10;
  static constexpr uint32_t kConfigSize = 256;

  // card may be null: a bus with every slot empty.
  explicit SimulatedPciBus(SimulatedCard* card) : card_(card) {}

  // Reads up to `length` bytes of a slot's configuration space into buffer; returns how many
  // bytes were read (at most 256; 0 for a slot outside 0..9).
  uint32_t readConfig(uint32_t slot, uint8_t* buffer, uint32_t length) const;
  // The resources of the slot that holds the card; nothing for an empty slot.
  std::optional<SlotResources> resources(uint32_t slot) const;

  // Fault: configuration reads of this slot return at most `bytes` bytes.
  void limitConfigRead(uint32_t slot, uint32_t bytes);
  void clearFaults();

 private:
  SimulatedCard* card_;
  mutable std::mutex lock_;
  std::map<uint32_t, uint32_t> readLimit_;
};

}  // namespace cv7::sim
