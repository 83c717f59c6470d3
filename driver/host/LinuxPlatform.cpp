#include "LinuxPlatform.h"

#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "FirmwareFile.h"
#include "Log.h"
#include "Miniport.h"
#include "RequestContext.h"

namespace cv7::host {

using core::Status;

// The card's memory range as a mapped register window.
class LinuxPlatform::Window final : public core::RegisterWindow {
 public:
  explicit Window(sim::SimulatedCard& card) : card_(card) {}
  uint32_t read32(uint32_t offset) override { return card_.mmioRead(offset); }
  void write32(uint32_t offset, uint32_t value) override { card_.mmioWrite(offset, value); }

 private:
  sim::SimulatedCard& card_;
};

LinuxPlatform::LinuxPlatform(const PlatformOptions& options)
    : options_(options),
      card_(std::make_unique<sim::SimulatedCard>(options.card, clock_, *this, interrupt_)),
      bus_(std::make_unique<sim::SimulatedPciBus>(card_.get())),
      window_(std::make_unique<Window>(*card_)),
      timer_(std::make_unique<TimerThread>([this](core::TimerId timer) {
        if (auto* miniport = miniport_.load()) miniport->timerFired(timer);
      })) {}

LinuxPlatform::~LinuxPlatform() {
  detach();
  timer_->stop();
  for (auto& [physical, block] : shared_) std::free(block.virt);
}

void LinuxPlatform::attach(core::Miniport& miniport) {
  miniport_.store(&miniport);
  interrupt_.start([&miniport](bool& recognised, bool& queue) { miniport.isr(recognised, queue); },
                   [&miniport] { miniport.handleInterrupt(); }, options_.realtime);
}

void LinuxPlatform::detach() {
  interrupt_.disconnect();
  interrupt_.stop();
  timer_->stop();
  miniport_.store(nullptr);
}

std::string LinuxPlatform::lastFileError() const {
  std::lock_guard guard(mutex_);
  return lastFileError_;
}

// ---- Time ----

void LinuxPlatform::stallMicroseconds(uint32_t microseconds) {
  // Short stalls spin like the processor would; longer ones give the core back.
  auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(microseconds);
  if (microseconds >= 50) {
    timespec pause{0, long(microseconds) * 1000L};
    while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
    return;
  }
  while (std::chrono::steady_clock::now() < until) {
  }
}

uint64_t LinuxPlatform::nowMicroseconds() { return clock_.nowMicroseconds(); }

// ---- Memory ----

void* LinuxPlatform::allocateMemory(size_t length) { return std::calloc(1, length ? length : 1); }
void LinuxPlatform::freeMemory(void* memory, size_t) { std::free(memory); }

// ---- PCI bus: the simulated bus with the card in its slot ----

uint32_t LinuxPlatform::readPciSlot(uint32_t slot, uint8_t* buffer, uint32_t length) {
  return bus_->readConfig(slot, buffer, length);
}

Status LinuxPlatform::assignPciResources(uint32_t slot, core::ResourceList& resources) {
  auto assigned = bus_->resources(slot);
  if (!assigned) return core::NDIS_STATUS_FAILURE;
  resources.count = 2;
  resources.item[0] = {core::ResourceDescriptor::kMemory, 0, assigned->memoryBase, assigned->memoryLength};
  resources.item[1] = {core::ResourceDescriptor::kInterrupt, assigned->interruptLevel, 0, 0};
  return core::NDIS_STATUS_SUCCESS;
}

Status LinuxPlatform::mapIoSpace(uint64_t physical, uint32_t length, core::RegisterWindow*& window) {
  const auto& config = card_->config();
  if (physical != config.memoryBase || length > config.memoryLength) return core::NDIS_STATUS_FAILURE;
  window = window_.get();
  return core::NDIS_STATUS_SUCCESS;
}

void LinuxPlatform::unmapIoSpace(core::RegisterWindow*, uint32_t) {}

// ---- DMA ----

Status LinuxPlatform::allocateMapRegisters(uint32_t, uint32_t, uint32_t) { return core::NDIS_STATUS_SUCCESS; }
void LinuxPlatform::freeMapRegisters() {}

Status LinuxPlatform::allocateSharedMemory(uint32_t length, core::SharedMemory& memory) {
  size_t rounded = (size_t(length) + 4095) & ~size_t(4095);
  auto* virt = static_cast<uint8_t*>(std::aligned_alloc(4096, rounded ? rounded : 4096));
  if (!virt) return core::NDIS_STATUS_RESOURCES;
  std::memset(virt, 0, rounded);
  std::lock_guard guard(mutex_);
  uint64_t physical = nextPhysical_;
  nextPhysical_ += (rounded + 0xFFFFF) & ~uint64_t(0xFFFFF);
  memory = {virt, physical, length};
  shared_[physical] = memory;
  return core::NDIS_STATUS_SUCCESS;
}

void LinuxPlatform::freeSharedMemory(const core::SharedMemory& memory) {
  std::lock_guard guard(mutex_);
  auto found = shared_.find(memory.physical);
  if (found == shared_.end()) return;
  std::free(found->second.virt);
  shared_.erase(found);
}

uint8_t* LinuxPlatform::translate(uint64_t physical, size_t length) {
  for (auto& [base, block] : shared_) {
    if (physical >= base && physical - base <= block.length && length <= block.length - (physical - base))
      return block.virt + (physical - base);
  }
  return nullptr;
}

bool LinuxPlatform::write(uint64_t physical, const void* data, size_t length) {
  std::lock_guard guard(mutex_);
  uint8_t* target = translate(physical, length);
  if (!target) return false;
  std::memcpy(target, data, length);
  return true;
}

bool LinuxPlatform::read(uint64_t physical, void* data, size_t length) {
  std::lock_guard guard(mutex_);
  uint8_t* source = translate(physical, length);
  if (!source) return false;
  std::memcpy(data, source, length);
  return true;
}

// ---- Interrupt ----

Status LinuxPlatform::registerInterrupt(uint8_t, uint8_t, bool) {
  interrupt_.connect();
  return core::NDIS_STATUS_SUCCESS;
}

void LinuxPlatform::deregisterInterrupt() { interrupt_.disconnect(); }

// ---- Timers ----

void LinuxPlatform::setTimer(core::TimerId timer, uint32_t milliseconds) { timer_->set(timer, milliseconds); }
bool LinuxPlatform::cancelTimer(core::TimerId timer) { return timer_->cancel(timer); }

// ---- Files ----

// The firmware is asked for by its file name; it lives at the configured path. Other names
// are opened as given.
std::string LinuxPlatform::resolveFile(const char* name) const {
  std::string text(name);
  std::string base = text.substr(text.find_last_of("/\\") == std::string::npos ? 0 : text.find_last_of("/\\") + 1);
  if (base == "corvane.bin" && !options_.firmwarePath.empty()) return options_.firmwarePath;
  return text;
}

// The only file the driver opens is the card's firmware.
Status LinuxPlatform::openFile(const char* name, uint64_t& handle, uint32_t& length) {
  std::string path = resolveFile(name ? name : "");
  std::vector<uint8_t> content;
  std::string error;
  if (!FirmwareFile::read(path, content, error)) {
    std::lock_guard guard(mutex_);
    lastFileError_ = path + ": " + error;
    return core::NDIS_STATUS_FAILURE;
  }
  std::lock_guard guard(mutex_);
  handle = nextFile_++;
  length = uint32_t(content.size());
  files_[handle] = std::move(content);
  return core::NDIS_STATUS_SUCCESS;
}

Status LinuxPlatform::mapFile(uint64_t handle, const uint8_t*& content) {
  std::lock_guard guard(mutex_);
  auto found = files_.find(handle);
  if (found == files_.end()) return core::NDIS_STATUS_FAILURE;
  content = found->second.data();
  return core::NDIS_STATUS_SUCCESS;
}

void LinuxPlatform::closeFile(uint64_t handle) {
  std::lock_guard guard(mutex_);
  files_.erase(handle);
}

void LinuxPlatform::writeErrorLogEntry(uint32_t errorCode) {
  errorLogEntries_.fetch_add(1);
  CV7_LOG_ERROR("driver error log entry 0x%08X", errorCode);
}

// ---- Client events ----

Status LinuxPlatform::referenceEvent(uint32_t handle, core::EventObject& object) {
  RequestContext* context = RequestContext::current();
  int fd = context ? context->fdFor(handle) : -1;
  if (fd < 0) return core::STATUS_INVALID_HANDLE;
  object = events_.add(fd);
  if (object == 0) return core::STATUS_INVALID_HANDLE;
  context->referenced.push_back(object);
  return core::STATUS_SUCCESS;
}

void LinuxPlatform::signalEvent(core::EventObject object) { events_.signal(object); }
void LinuxPlatform::releaseEvent(core::EventObject object) { events_.release(object); }

// ---- Network stack ----

void LinuxPlatform::indicateReceive(const uint8_t* header, const uint8_t* lookahead, uint32_t lookaheadSize,
                                    uint32_t packetSize) {
  if (auto* sink = sink_.load()) sink->frame(header, lookahead, lookaheadSize, packetSize);
}

void LinuxPlatform::indicateReceiveComplete() {
  if (auto* sink = sink_.load()) sink->complete();
}

void LinuxPlatform::setInformationComplete(Status status) {
  CV7_LOG_DEBUG("set information completed with 0x%08X", status);
  if (completion_) completion_(status);
}

}  // namespace cv7::host
