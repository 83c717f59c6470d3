// Per-card state: resources, receive state, addresses and network settings.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>

#include "ControlCodes.h"
#include "DriverState.h"
#include "platform.h"

namespace cv7::core {

inline constexpr uint32_t kFrameBufferSize = 1800;
inline constexpr uint32_t kMaxMulticastList = 8;

// Receive state shared by the interrupt routine (producer fields, resync hand-over) and the
// deferred routine (consumer fields, flags).
struct ReceiveState {
  uint8_t* ringBase = nullptr;
  std::atomic<uint32_t> producerIndex{0};   // 0..127
  std::atomic<uint32_t> producerCount{0};   // 0..999
  std::atomic<uint32_t> consumerIndex{0};
  std::atomic<uint32_t> consumerCount{0};
  std::atomic<uint8_t> firstInterrupt{0};
  std::atomic<uint8_t> resync{0};
  std::atomic<uint8_t> busy{0};
  std::atomic<uint32_t> pending{0};         // bit 0 receive, bit 1 card event, bit 2 other
};

// Diagnostic counters of the receive path. They change no behaviour.
struct ReceiveStats {
  static constexpr uint32_t kKinds = 16;                  // kinds 0..15; others count in kind 15
  std::array<std::atomic<uint64_t>, kKinds> entriesByKind{};
  std::atomic<uint64_t> framesIndicated{0};
  std::atomic<uint64_t> bytesIndicated{0};
  std::atomic<uint64_t> droppedScrambled{0};
  std::atomic<uint64_t> droppedNoIpHeader{0};            // no 0x45 where the datagram starts
  std::atomic<uint64_t> droppedTooLong{0};               // section too long, or IP length above 1500
  std::atomic<uint64_t> droppedShort{0};                 // IP length beyond the bytes the entry gave
  std::atomic<uint64_t> droppedCorrupt{0};               // entry length the card cannot have written
  std::atomic<uint64_t> droppedUnrecognised{0};          // entries that caused a resynchronisation
  std::atomic<uint64_t> droppedResync{0};                // entries after those, skipped by the resynchronisation
  std::atomic<uint64_t> resynchronisations{0};
  std::atomic<uint64_t> droppedDataRingFull{0};
  std::atomic<uint64_t> skippedCaptureOff{0};
  std::atomic<uint64_t> fillerEntries{0};
  std::atomic<uint64_t> recordsStored{0};
  std::atomic<uint64_t> cardEvents{0};
};

struct AdapterContext {
  AdapterContext* next = nullptr;           // adapter list link
  uint32_t busType = 0;                     // 5 = PCI
  uint32_t busNumber = 0;
  uint32_t slot = 0;
  uint64_t memoryStart = 0;
  uint32_t memoryLength = 0;
  uint8_t interruptVector = 0;
  bool foundCard = false;
  bool setupWritten = false;                // set-up registers written (undone on failure)
  RegisterWindow* registers = nullptr;      // mapped base; the mailbox is at +0x80000
  SharedMemory shared;
  bool mapRegistersAllocated = false;
  bool interruptRegistered = false;
  uint8_t* frameBuffer = nullptr;           // kFrameBufferSize bytes
  std::atomic<uint32_t> frameLength{0};
  uint8_t* dataRing = nullptr;              // ctl::kDataRingSize bytes
  ReceiveState rx;
  std::array<uint8_t, 6> currentAddress{};
  std::array<uint8_t, 6> permanentAddress{};
  uint32_t maxMulticastList = kMaxMulticastList;
  std::atomic<uint32_t> currentLookahead{1500};
  std::array<std::array<uint8_t, 6>, kMaxMulticastList> multicastList{};
  std::atomic<uint32_t> multicastCount{0};
  std::atomic<uint32_t> packetFilter{0};
  uint32_t receiveCounter = 0;              // no path increments it
  PidFilterTable pidTableCopy;
  ReceiveStats stats;
};

}  // namespace cv7::core
