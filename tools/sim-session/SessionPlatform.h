// A minimal in-process platform for the driver core: the simulated card behind the register
// window, stalls on a virtual clock, client events as numbered objects that count signals.
// Only what a control session needs does anything; the rest answers failure.
#pragma once
#include <cstdlib>
#include <map>

#include "Clock.h"
#include "HostInterfaces.h"
#include "SimulatedCard.h"
#include "platform.h"

namespace cv7::session {

class SessionPlatform : public core::Platform, public sim::HostMemory, public sim::InterruptLine {
 public:
  explicit SessionPlatform(const sim::CardConfig& config) : card_(config, clock_, *this, *this), window_(card_) {}

  sim::SimulatedCard& card() { return card_; }
  core::RegisterWindow& window() { return window_; }
  uint64_t virtualMicroseconds() const { return clock_.nowMicroseconds(); }

  void stallMicroseconds(uint32_t us) override { clock_.advance(us); }
  uint64_t nowMicroseconds() override { return clock_.nowMicroseconds(); }
  void* allocateMemory(size_t length) override { return std::calloc(1, length ? length : 1); }
  void freeMemory(void* memory, size_t) override { std::free(memory); }
  uint32_t readPciSlot(uint32_t, uint8_t*, uint32_t) override { return 0; }
  core::Status assignPciResources(uint32_t, core::ResourceList&) override { return core::NDIS_STATUS_FAILURE; }
  core::Status mapIoSpace(uint64_t, uint32_t, core::RegisterWindow*&) override { return core::NDIS_STATUS_FAILURE; }
  void unmapIoSpace(core::RegisterWindow*, uint32_t) override {}
  core::Status allocateMapRegisters(uint32_t, uint32_t, uint32_t) override { return core::NDIS_STATUS_FAILURE; }
  void freeMapRegisters() override {}
  core::Status allocateSharedMemory(uint32_t, core::SharedMemory&) override { return core::NDIS_STATUS_FAILURE; }
  void freeSharedMemory(const core::SharedMemory&) override {}
  core::Status registerInterrupt(uint8_t, uint8_t, bool) override { return core::NDIS_STATUS_FAILURE; }
  void deregisterInterrupt() override {}
  void registerShutdownHandler() override {}
  void deregisterShutdownHandler() override {}
  void initializeTimer(core::TimerId) override {}
  void setTimer(core::TimerId, uint32_t) override {}
  bool cancelTimer(core::TimerId) override { return false; }
  core::Status openFile(const char*, uint64_t&, uint32_t&) override { return core::NDIS_STATUS_FAILURE; }
  core::Status mapFile(uint64_t, const uint8_t*&) override { return core::NDIS_STATUS_FAILURE; }
  void unmapFile(uint64_t) override {}
  void closeFile(uint64_t) override {}
  void writeErrorLogEntry(uint32_t) override {}
  core::Status referenceEvent(uint32_t handle, core::EventObject& object) override {
    if (handle == 0) return core::STATUS_INVALID_HANDLE;
    object = 0x1000 + handle;
    return core::STATUS_SUCCESS;
  }
  void signalEvent(core::EventObject object) override { ++signals_[object]; }
  void releaseEvent(core::EventObject) override {}
  void indicateReceive(const uint8_t*, const uint8_t*, uint32_t, uint32_t) override {}
  void indicateReceiveComplete() override {}
  void setInformationComplete(core::Status) override {}

  bool write(uint64_t, const void*, size_t) override { return false; }
  bool read(uint64_t, void*, size_t) override { return false; }
  void setLevel(bool) override {}

 private:
  class Window : public core::RegisterWindow {
   public:
    explicit Window(sim::SimulatedCard& card) : card_(card) {}
    uint32_t read32(uint32_t offset) override { return card_.mmioRead(offset); }
    void write32(uint32_t offset, uint32_t value) override { card_.mmioWrite(offset, value); }

   private:
    sim::SimulatedCard& card_;
  };

  sim::VirtualClock clock_;
  sim::SimulatedCard card_;
  Window window_;
  std::map<core::EventObject, int> signals_;
};

}  // namespace cv7::session
