// The driver core's view of its platform. The core includes no operating-system header:
// everything it needs from the machine, the bus, the card and the network stack goes
// through this interface. The Linux host (driver/host) implements it over the simulated
// card (or a real one); the unit tests implement it over a virtual clock.
#pragma once
#include <cstddef>
#include <cstdint>

#include "NdisStatus.h"

namespace cv7::core {

// A resource the bus assigned to a slot.
struct ResourceDescriptor {
  static constexpr uint8_t kInterrupt = 2;
  static constexpr uint8_t kMemory = 3;
  uint8_t type = 0;          // kInterrupt or kMemory (other types are ignored)
  uint32_t level = 0;        // interrupt: level (its low byte is the vector)
  uint64_t start = 0;        // memory: physical start
  uint32_t length = 0;       // memory: length in bytes
};

struct ResourceList {
  static constexpr size_t kMax = 8;
  ResourceDescriptor item[kMax];
  size_t count = 0;
};

// A mapped register window: single 32-bit accesses at a byte offset from the mapped base.
// The mailbox window is the same mapping at +0x80000.
class RegisterWindow {
 public:
  virtual ~RegisterWindow() = default;
  virtual uint32_t read32(uint32_t offset) = 0;
  virtual void write32(uint32_t offset, uint32_t value) = 0;
};

// DMA-coherent memory the card can reach by its physical address.
struct SharedMemory {
  uint8_t* virt = nullptr;
  uint64_t physical = 0;
  uint32_t length = 0;
};

// Opaque reference to an event owned by a user-mode client (0 = none).
using EventObject = uint64_t;

// The timers the core uses.
enum class TimerId : uint8_t { Multicast = 0 };

class Platform {
 public:
  virtual ~Platform() = default;

  // ---- Time ----
  // Busy delay (KeStallExecutionProcessor). On a virtual clock this advances time.
  virtual void stallMicroseconds(uint32_t microseconds) = 0;
  // Monotonic time in microseconds, for diagnostics only.
  virtual uint64_t nowMicroseconds() = 0;

  // ---- Memory ----
  virtual void* allocateMemory(size_t length) = 0;  // zeroed; nullptr on failure
  virtual void freeMemory(void* memory, size_t length) = 0;

  // ---- PCI bus ----
  // Reads up to `length` bytes of the slot's configuration space; returns the bytes read.
  virtual uint32_t readPciSlot(uint32_t slot, uint8_t* buffer, uint32_t length) = 0;
  virtual Status assignPciResources(uint32_t slot, ResourceList& resources) = 0;
  // Maps a memory range; the window stays valid until unmapIoSpace.
  virtual Status mapIoSpace(uint64_t physical, uint32_t length, RegisterWindow*& window) = 0;
  virtual void unmapIoSpace(RegisterWindow* window, uint32_t length) = 0;

  // ---- DMA ----
  virtual Status allocateMapRegisters(uint32_t channel, uint32_t count, uint32_t maxMapping) = 0;
  virtual void freeMapRegisters() = 0;
  virtual Status allocateSharedMemory(uint32_t length, SharedMemory& memory) = 0;
  virtual void freeSharedMemory(const SharedMemory& memory) = 0;

  // ---- Interrupt and shutdown ----
  // After success the platform calls Miniport::isr() when the line is raised and, when
  // the ISR asks for it, Miniport::handleInterrupt().
  virtual Status registerInterrupt(uint8_t vector, uint8_t level, bool shared) = 0;
  virtual void deregisterInterrupt() = 0;
  virtual void registerShutdownHandler() = 0;
  virtual void deregisterShutdownHandler() = 0;

  // ---- One-shot timers ----
  virtual void initializeTimer(TimerId timer) = 0;
  virtual void setTimer(TimerId timer, uint32_t milliseconds) = 0;  // fires Miniport::timerFired(timer)
  virtual bool cancelTimer(TimerId timer) = 0;

  // ---- Files ----
  // Opens a file by name and tells its length (NdisOpenFile).
  virtual Status openFile(const char* name, uint64_t& handle, uint32_t& length) = 0;
  virtual Status mapFile(uint64_t handle, const uint8_t*& content) = 0;
  virtual void unmapFile(uint64_t handle) = 0;
  virtual void closeFile(uint64_t handle) = 0;

  // ---- Error log ----
  virtual void writeErrorLogEntry(uint32_t errorCode) = 0;

  // ---- Client events ----
  // Turns a handle passed in a control request into a referenced event object, in the
  // context of the calling client. Returns the referencing status.
  virtual Status referenceEvent(uint32_t handle, EventObject& object) = 0;
  virtual void signalEvent(EventObject object) = 0;
  virtual void releaseEvent(EventObject object) = 0;

  // ---- Network stack ----
  // Hands a received frame up: the 14-byte header, the lookahead that follows it and the
  // frame's total size without the header. The rest is fetched with Miniport::transferData.
  virtual void indicateReceive(const uint8_t* header, const uint8_t* lookahead, uint32_t lookaheadSize,
                               uint32_t packetSize) = 0;
  virtual void indicateReceiveComplete() = 0;
  // Completes a pending set-information request.
  virtual void setInformationComplete(Status status) = 0;
};

}  // namespace cv7::core
