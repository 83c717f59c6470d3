// A platform for the driver core's unit tests: the simulated card on a virtual clock, host
// memory with made-up physical addresses, and switches that make any platform operation
// fail. Stalls advance the virtual clock, so a 75 ms time-out takes no real time.
#pragma once
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "Clock.h"
#include "HostInterfaces.h"
#include "SimulatedCard.h"
#include "platform.h"

namespace cv7::test {

using core::Status;

enum class Op {
  AllocateMemory, ReadPciSlotShort, AssignResources, MapIoSpace, MapRegisters, SharedMemory,
  RegisterInterrupt, OpenFile, MapFile, ReferenceEvent,
};

class FakePlatform : public core::Platform, public sim::HostMemory, public sim::InterruptLine {
 public:
  struct RegisterAccess {
    bool write;
    uint32_t offset;
    uint32_t value;
  };
  struct Frame {
    std::vector<uint8_t> header, lookahead;
    uint32_t packetSize;
  };

  explicit FakePlatform(sim::CardConfig config = {}) : card_(config, clock_, *this, *this), window_(*this) {}
  ~FakePlatform() override {
    for (auto& [phys, block] : shared_) std::free(block.virt);
  }

  sim::VirtualClock& clock() { return clock_; }
  sim::SimulatedCard& card() { return card_; }
  void fail(Op op) { failing_.insert(op); }
  void succeed(Op op) { failing_.erase(op); }
  // Fails only the n-th (1-based) memory allocation from now on.
  void failAllocationNumber(int n) { failAllocationAt_ = allocations_ + n; }

  // ---- What the core did ----
  std::vector<RegisterAccess> registerLog() {
    std::lock_guard g(lock_);
    return registerLog_;
  }
  void clearRegisterLog() {
    std::lock_guard g(lock_);
    registerLog_.clear();
  }
  std::vector<uint32_t> errorLog;
  std::vector<uint32_t> pciSlotsRead;
  std::vector<Frame> frames;
  std::vector<Status> setCompletions;
  std::map<core::TimerId, uint32_t> timersSet;  // last delay set per timer
  int timerCancels = 0;
  bool interruptRegistered = false, shutdownRegistered = false, mapRegistersHeld = false;
  std::atomic<bool> irqLevel{false};
  // Called before each register access of the driver, as the moment at which the card or an
  // interrupt may come in between.
  std::function<void()> beforeRegisterAccess;
  size_t outstandingAllocations() const { return liveAllocations_.size() + shared_.size(); }

  // ---- Files and events ----
  void addFile(const std::string& name, std::vector<uint8_t> content) { files_[name] = std::move(content); }
  // A client handle that referenceEvent accepts.
  void addEventHandle(uint32_t handle) { handles_.insert(handle); }
  int signalCount(core::EventObject object) {
    std::lock_guard g(lock_);
    return signals_[object];
  }
  std::set<core::EventObject> referenced;

  // ---- core::Platform ----
  void stallMicroseconds(uint32_t us) override { clock_.advance(us); }
  uint64_t nowMicroseconds() override { return clock_.nowMicroseconds(); }

  void* allocateMemory(size_t length) override {
    ++allocations_;
    if (failing_.count(Op::AllocateMemory) || allocations_ == failAllocationAt_) return nullptr;
    void* memory = std::calloc(1, length ? length : 1);
    liveAllocations_.insert(memory);
    return memory;
  }
  void freeMemory(void* memory, size_t) override {
    if (!memory) return;
    liveAllocations_.erase(memory);
    std::free(memory);
  }

  uint32_t readPciSlot(uint32_t slot, uint8_t* buffer, uint32_t length) override {
    pciSlotsRead.push_back(slot);
    uint32_t n = failing_.count(Op::ReadPciSlotShort) ? std::min<uint32_t>(length, 64) : std::min<uint32_t>(length, 256);
    if (slot == card_.config().slot && !noCard_) {
      auto space = card_.configSpace();
      std::memcpy(buffer, space.data(), n);
    } else {
      std::memset(buffer, 0xFF, n);
    }
    return n;
  }
  void removeCard() { noCard_ = true; }

  Status assignPciResources(uint32_t slot, core::ResourceList& resources) override {
    if (failing_.count(Op::AssignResources)) return core::NDIS_STATUS_RESOURCES;
    if (slot != card_.config().slot) return core::NDIS_STATUS_FAILURE;
    resources.count = 2;
    resources.item[0] = {core::ResourceDescriptor::kMemory, 0, card_.config().memoryBase, card_.config().memoryLength};
    resources.item[1] = {core::ResourceDescriptor::kInterrupt, card_.config().interruptLevel, 0, 0};
    return core::NDIS_STATUS_SUCCESS;
  }
  Status mapIoSpace(uint64_t physical, uint32_t length, core::RegisterWindow*& window) override {
    if (failing_.count(Op::MapIoSpace)) return core::NDIS_STATUS_RESOURCES;
    if (physical != card_.config().memoryBase || length > card_.config().memoryLength) return core::NDIS_STATUS_FAILURE;
    mapped_ = true;
    window = &window_;
    return core::NDIS_STATUS_SUCCESS;
  }
  void unmapIoSpace(core::RegisterWindow*, uint32_t) override { mapped_ = false; }
  bool mapped() const { return mapped_; }

  Status allocateMapRegisters(uint32_t, uint32_t, uint32_t) override {
    if (failing_.count(Op::MapRegisters)) return core::NDIS_STATUS_RESOURCES;
    mapRegistersHeld = true;
    return core::NDIS_STATUS_SUCCESS;
  }
  void freeMapRegisters() override { mapRegistersHeld = false; }
  Status allocateSharedMemory(uint32_t length, core::SharedMemory& memory) override {
    if (failing_.count(Op::SharedMemory)) return core::NDIS_STATUS_RESOURCES;
    auto* virt = static_cast<uint8_t*>(std::calloc(1, length));
    uint64_t physical = nextPhysical_;
    nextPhysical_ += 0x100000;
    std::lock_guard g(lock_);
    shared_[physical] = {virt, physical, length};
    memory = shared_[physical];
    return core::NDIS_STATUS_SUCCESS;
  }
  void freeSharedMemory(const core::SharedMemory& memory) override {
    std::lock_guard g(lock_);
    auto found = shared_.find(memory.physical);
    if (found == shared_.end()) return;
    std::free(found->second.virt);
    shared_.erase(found);
  }

  Status registerInterrupt(uint8_t, uint8_t, bool) override {
    if (failing_.count(Op::RegisterInterrupt)) return core::NDIS_STATUS_RESOURCES;
    interruptRegistered = true;
    return core::NDIS_STATUS_SUCCESS;
  }
  void deregisterInterrupt() override { interruptRegistered = false; }
  void registerShutdownHandler() override { shutdownRegistered = true; }
  void deregisterShutdownHandler() override { shutdownRegistered = false; }

  void initializeTimer(core::TimerId) override {}
  void setTimer(core::TimerId timer, uint32_t milliseconds) override { timersSet[timer] = milliseconds; }
  bool cancelTimer(core::TimerId timer) override {
    ++timerCancels;
    return timersSet.erase(timer) > 0;
  }

  Status openFile(const char* name, uint64_t& handle, uint32_t& length) override {
    if (failing_.count(Op::OpenFile)) return core::NDIS_STATUS_FAILURE;
    auto found = files_.find(name);
    if (found == files_.end()) return core::NDIS_STATUS_FAILURE;
    handle = ++nextFileHandle_;
    openFiles_[handle] = name;
    length = uint32_t(found->second.size());
    return core::NDIS_STATUS_SUCCESS;
  }
  Status mapFile(uint64_t handle, const uint8_t*& content) override {
    if (failing_.count(Op::MapFile) || !openFiles_.count(handle)) return core::NDIS_STATUS_FAILURE;
    content = files_[openFiles_[handle]].data();
    return core::NDIS_STATUS_SUCCESS;
  }
  void unmapFile(uint64_t) override {}
  void closeFile(uint64_t handle) override { openFiles_.erase(handle); }
  size_t openFileCount() const { return openFiles_.size(); }

  void writeErrorLogEntry(uint32_t errorCode) override { errorLog.push_back(errorCode); }

  Status referenceEvent(uint32_t handle, core::EventObject& object) override {
    if (failing_.count(Op::ReferenceEvent) || !handles_.count(handle)) return core::STATUS_INVALID_HANDLE;
    object = 0x1000 + handle;
    referenced.insert(object);
    return core::STATUS_SUCCESS;
  }
  void signalEvent(core::EventObject object) override {
    {
      std::lock_guard g(lock_);
      ++signals_[object];
    }
    if (onSignal) onSignal(object);
  }
  // Called after each signal, as the client that waits on the event would run.
  std::function<void(core::EventObject)> onSignal;
  void releaseEvent(core::EventObject object) override { referenced.erase(object); }

  void indicateReceive(const uint8_t* header, const uint8_t* lookahead, uint32_t lookaheadSize,
                       uint32_t packetSize) override {
    frames.push_back({std::vector<uint8_t>(header, header + 14),
                      std::vector<uint8_t>(lookahead, lookahead + lookaheadSize), packetSize});
  }
  void indicateReceiveComplete() override {}
  void setInformationComplete(Status status) override { setCompletions.push_back(status); }

  // ---- sim::HostMemory ----
  bool write(uint64_t physical, const void* data, size_t length) override {
    uint8_t* target = translate(physical, length);
    if (!target) return false;
    std::memcpy(target, data, length);
    return true;
  }
  bool read(uint64_t physical, void* data, size_t length) override {
    uint8_t* source = translate(physical, length);
    if (!source) return false;
    std::memcpy(data, source, length);
    return true;
  }
  // ---- sim::InterruptLine ----
  void setLevel(bool asserted) override { irqLevel = asserted; }

 private:
  class Window : public core::RegisterWindow {
   public:
    explicit Window(FakePlatform& owner) : owner_(owner) {}
    uint32_t read32(uint32_t offset) override {
      if (owner_.beforeRegisterAccess) owner_.beforeRegisterAccess();
      return owner_.card_.mmioRead(offset);
    }
    void write32(uint32_t offset, uint32_t value) override {
      if (owner_.beforeRegisterAccess) owner_.beforeRegisterAccess();
      {
        std::lock_guard g(owner_.lock_);
        owner_.registerLog_.push_back({true, offset, value});
      }
      owner_.card_.mmioWrite(offset, value);
    }

   private:
    FakePlatform& owner_;
  };

  uint8_t* translate(uint64_t physical, size_t length) {
    std::lock_guard g(lock_);
    for (auto& [base, block] : shared_) {
      if (physical >= base && physical + length <= base + block.length) return block.virt + (physical - base);
    }
    return nullptr;
  }

  sim::VirtualClock clock_;
  sim::SimulatedCard card_;
  Window window_;
  std::mutex lock_;
  std::vector<RegisterAccess> registerLog_;
  std::set<Op> failing_;
  int allocations_ = 0, failAllocationAt_ = -1;
  std::set<void*> liveAllocations_;
  std::map<uint64_t, core::SharedMemory> shared_;
  uint64_t nextPhysical_ = 0x20000000;
  std::map<std::string, std::vector<uint8_t>> files_;
  std::map<uint64_t, std::string> openFiles_;
  uint64_t nextFileHandle_ = 0;
  std::set<uint32_t> handles_;
  std::map<core::EventObject, int> signals_;
  bool mapped_ = false, noCard_ = false;
};

}  // namespace cv7::test
