// The cv7 network adapter driver core: the miniport handlers, the control device's request
// dispatcher and the card's command channel, written once against the abstract Platform.
#pragma once
#include <cstdint>
#include <memory>

#include "AdapterContext.h"
#include "CommandChannel.h"
#include "DriverState.h"
#include "platform.h"

namespace cv7::core {

// NdisMedium802_3 in the medium array offered to initialize().
inline constexpr uint32_t kMedium802_3 = 0;

// A packet's buffer chain, as the network stack hands it to transferData().
struct PacketBuffer {
  uint8_t* data;
  uint32_t length;
};

class Miniport {
 public:
  explicit Miniport(Platform& platform);
  ~Miniport();
  Miniport(const Miniport&) = delete;
  Miniport& operator=(const Miniport&) = delete;

  // Driver entry: registers the control device and frees every PID filter entry.
  Status driverEntry();

  // Adapter start: PCI search, resources, DMA memory, firmware download, station address,
  // interrupt, reception.
  Status initialize(const uint32_t* media, uint32_t mediumCount, uint32_t& selectedIndex);
  void halt();
  Status reset(bool& addressingReset);
  void shutdown();

  // Interrupt routine and deferred routine.
  void isr(bool& recognised, bool& queueDeferred);
  void handleInterrupt();
  void timerFired(TimerId timer);

  // Control device: one buffer of max(inputLength, outputLength) bytes shared by input and
  // output. Returns the request's status; bytesReturned is the transfer count.
  Status control(uint32_t code, uint8_t* buffer, uint32_t inputLength, uint32_t outputLength,
                 uint32_t& bytesReturned);

  // Network adapter information and send.
  Status queryInformation(uint32_t oid, void* buffer, uint32_t length, uint32_t& bytesWritten,
                          uint32_t& bytesNeeded);
  Status setInformation(uint32_t oid, const void* buffer, uint32_t length, uint32_t& bytesRead,
                        uint32_t& bytesNeeded);
  Status send(const uint8_t* frame, uint32_t length);
  bool checkForHang();
  Status transferData(uint32_t offset, uint32_t count, PacketBuffer* buffers, uint32_t bufferCount,
                      uint32_t& bytesTransferred);

  DriverState& state() { return state_; }
  AdapterContext* adapter() { return adapters_; }
  Platform& platform() { return platform_; }
  CommandChannel& commandChannel() { return channel_; }

 private:
  // Adapter start, in the order of its steps (AdapterLifecycle.cpp).
  Status findCard(AdapterContext& adapter);
  Status allocateDmaResources(AdapterContext& adapter);
  void releaseAdapterResources(AdapterContext& adapter);
  void writeSetupRegisters(AdapterContext& adapter);
  void writeSetupRegisters48Again(AdapterContext& adapter);
  void resetSequence(AdapterContext& adapter);
  void removeFromAdapterList(AdapterContext* adapter);

  Platform& platform_;
  DriverState state_;
  CommandChannel channel_{platform_, state_};
  AdapterContext* adapters_ = nullptr;  // list of started adapters, newest first
};

}  // namespace cv7::core
