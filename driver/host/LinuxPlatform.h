// The driver core's platform on Linux, over the simulated card: registers are the card
// model's mmio handlers, DMA memory is aligned host memory with made-up physical addresses
// that the card reaches through sim::HostMemory, the interrupt line wakes an interrupt
// thread, timers run on a timer thread, client events are eventfds.
#pragma once
#include <atomic>
#include <functional>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Clock.h"
#include "EventTable.h"
#include "FrameSink.h"
#include "HostInterfaces.h"
#include "InterruptThread.h"
#include "SimulatedCard.h"
#include "SimulatedPciBus.h"
#include "TimerThread.h"
#include "platform.h"

namespace cv7::core {
class Miniport;
}

namespace cv7::host {

struct PlatformOptions {
  std::string firmwarePath;  // the file that a request for "corvane.bin" opens
  sim::CardConfig card;
  bool realtime = false;  // the interrupt thread asks for real-time priority
};

class LinuxPlatform final : public core::Platform, public sim::HostMemory {
 public:
  explicit LinuxPlatform(const PlatformOptions& options);
  ~LinuxPlatform() override;
  LinuxPlatform(const LinuxPlatform&) = delete;
  LinuxPlatform& operator=(const LinuxPlatform&) = delete;

  // Starts the interrupt and timer threads that call into the miniport.
  void attach(core::Miniport& miniport);
  // Ends those threads (after Miniport::halt).
  void detach();

  sim::SimulatedCard& card() { return *card_; }
  EventTable& events() { return events_; }
  void setFrameSink(FrameSink* sink) { sink_.store(sink); }
  // Who learns that a pending set-information request completed.
  void setCompletionHandler(std::function<void(core::Status)> handler) { completion_ = std::move(handler); }
  // The last file that could not be opened and why, for the start-up failure message.
  std::string lastFileError() const;
  uint64_t interrupts() const { return interrupt_.interrupts(); }
  uint64_t errorLogEntries() const { return errorLogEntries_.load(); }
  uint64_t timersFired() const { return timer_ ? timer_->fired() : 0; }

  // ---- core::Platform ----
  void stallMicroseconds(uint32_t microseconds) override;
  uint64_t nowMicroseconds() override;
  void* allocateMemory(size_t length) override;
  void freeMemory(void* memory, size_t length) override;
  uint32_t readPciSlot(uint32_t slot, uint8_t* buffer, uint32_t length) override;
  core::Status assignPciResources(uint32_t slot, core::ResourceList& resources) override;
  core::Status mapIoSpace(uint64_t physical, uint32_t length, core::RegisterWindow*& window) override;
  void unmapIoSpace(core::RegisterWindow* window, uint32_t length) override;
  core::Status allocateMapRegisters(uint32_t channel, uint32_t count, uint32_t maxMapping) override;
  void freeMapRegisters() override;
  core::Status allocateSharedMemory(uint32_t length, core::SharedMemory& memory) override;
  void freeSharedMemory(const core::SharedMemory& memory) override;
  core::Status registerInterrupt(uint8_t vector, uint8_t level, bool shared) override;
  void deregisterInterrupt() override;
  void registerShutdownHandler() override {}
  void deregisterShutdownHandler() override {}
  void initializeTimer(core::TimerId) override {}
  void setTimer(core::TimerId timer, uint32_t milliseconds) override;
  bool cancelTimer(core::TimerId timer) override;
  core::Status openFile(const char* name, uint64_t& handle, uint32_t& length) override;
  core::Status mapFile(uint64_t handle, const uint8_t*& content) override;
  void unmapFile(uint64_t) override {}
  void closeFile(uint64_t handle) override;
  void writeErrorLogEntry(uint32_t errorCode) override;
  core::Status referenceEvent(uint32_t handle, core::EventObject& object) override;
  void signalEvent(core::EventObject object) override;
  void releaseEvent(core::EventObject object) override;
  void indicateReceive(const uint8_t* header, const uint8_t* lookahead, uint32_t lookaheadSize,
                       uint32_t packetSize) override;
  void indicateReceiveComplete() override;
  void setInformationComplete(core::Status status) override;

  // ---- sim::HostMemory ----
  bool write(uint64_t physical, const void* data, size_t length) override;
  bool read(uint64_t physical, void* data, size_t length) override;

 private:
  class Window;
  uint8_t* translate(uint64_t physical, size_t length);
  std::string resolveFile(const char* name) const;

  PlatformOptions options_;
  sim::SteadyClock clock_;
  InterruptThread interrupt_;  // before the card: the card drives the line from its start
  std::unique_ptr<sim::SimulatedCard> card_;
  std::unique_ptr<sim::SimulatedPciBus> bus_;
  std::unique_ptr<Window> window_;
  EventTable events_;
  std::unique_ptr<TimerThread> timer_;
  std::atomic<core::Miniport*> miniport_{nullptr};
  std::atomic<FrameSink*> sink_{nullptr};
  std::function<void(core::Status)> completion_;  // set before the adapter starts
  std::atomic<uint64_t> errorLogEntries_{0};

  mutable std::mutex mutex_;  // shared memory and files
  std::map<uint64_t, core::SharedMemory> shared_;
  uint64_t nextPhysical_ = 0x10000000;
  std::map<uint64_t, std::vector<uint8_t>> files_;
  uint64_t nextFile_ = 1;
  std::string lastFileError_;
};

}  // namespace cv7::host
