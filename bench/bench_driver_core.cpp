// The driver core alone: ring entries as the card writes them, through the interrupt routine
// and the deferred routine, to indicated frames (MPE sections) or to stored records of the
// data ring (kind 10), beside a plain memcpy of the same bytes as the physical reference.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <vector>

#include "CardRegisters.h"
#include "Miniport.h"
#include "ReceivePath.h"

namespace {

using namespace cv7;

class Registers : public core::RegisterWindow {
 public:
  uint32_t read32(uint32_t offset) override { return values[offset]; }
  void write32(uint32_t offset, uint32_t value) override { values[offset] = value; }
  std::map<uint32_t, uint32_t> values;
};

// A platform that only counts what the receive path hands up.
class CountingPlatform : public core::Platform {
 public:
  uint64_t frames = 0, bytes = 0, signals = 0;
  void stallMicroseconds(uint32_t) override {}
  uint64_t nowMicroseconds() override { return 0; }
  void* allocateMemory(size_t n) override { return std::calloc(1, n); }
  void freeMemory(void* m, size_t) override { std::free(m); }
  uint32_t readPciSlot(uint32_t, uint8_t*, uint32_t) override { return 0; }
  core::Status assignPciResources(uint32_t, core::ResourceList&) override { return core::NDIS_STATUS_FAILURE; }
  core::Status mapIoSpace(uint64_t, uint32_t, core::RegisterWindow*&) override { return core::NDIS_STATUS_FAILURE; }
  void unmapIoSpace(core::RegisterWindow*, uint32_t) override {}
  core::Status allocateMapRegisters(uint32_t, uint32_t, uint32_t) override { return 0; }
  void freeMapRegisters() override {}
  core::Status allocateSharedMemory(uint32_t, core::SharedMemory&) override { return core::NDIS_STATUS_FAILURE; }
  void freeSharedMemory(const core::SharedMemory&) override {}
  core::Status registerInterrupt(uint8_t, uint8_t, bool) override { return 0; }
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
  core::Status referenceEvent(uint32_t, core::EventObject&) override { return 0; }
  void signalEvent(core::EventObject) override { ++signals; }
  void releaseEvent(core::EventObject) override {}
  void indicateReceive(const uint8_t*, const uint8_t* lookahead, uint32_t, uint32_t size) override {
    benchmark::DoNotOptimize(lookahead[size > 0 ? size - 1 : 0]);
    ++frames;
    bytes += size;
  }
  void indicateReceiveComplete() override {}
  void setInformationComplete(core::Status) override {}
};

struct Harness {
  CountingPlatform platform;
  core::DriverState state;
  core::AdapterContext adapter;
  Registers registers;
  std::vector<uint8_t> shared = std::vector<uint8_t>(regs::kSharedMemorySize);
  std::vector<uint8_t> frame = std::vector<uint8_t>(core::kFrameBufferSize);
  std::vector<uint8_t> dataRing = std::vector<uint8_t>(ctl::kDataRingSize);
  uint32_t writeBlock = 0;

  Harness() {
    adapter.registers = &registers;
    adapter.shared = {shared.data(), 0x40000000, regs::kSharedMemorySize};
    adapter.rx.ringBase = shared.data();
    adapter.frameBuffer = frame.data();
    state.data.ring = dataRing.data();
    path().startReception();
    interrupt();
  }
  core::ReceivePath path() { return core::ReceivePath(platform, state, adapter); }
  void interrupt() {
    registers.values[regs::kIntStatus] = regs::kIntStatusCard;
    registers.values[regs::kMailboxWindow + regs::kDmaStatus] = regs::kDmaStatusBlock;
    path().interruptRoutine();
  }
  void write(const std::vector<uint8_t>& entry) {
    uint32_t blocks = uint32_t((entry.size() + 255) / 256);
    for (uint32_t b = 0; b < blocks; ++b) {
      uint32_t n = std::min<uint32_t>(256, uint32_t(entry.size()) - 256 * b);
      std::memcpy(shared.data() + 256 * ((writeBlock + b) % 128), entry.data() + 256 * b, n);
    }
    writeBlock = (writeBlock + blocks) % 128;
  }
};

std::vector<uint8_t> entryOf(uint16_t pid, uint16_t kind, const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> e(6 + payload.size());
  const uint16_t header[3] = {pid, kind, uint16_t(payload.size())};
  std::memcpy(e.data(), header, 6);  // little-endian host
  std::memcpy(e.data() + 6, payload.data(), payload.size());
  return e;
}

// An MPE section carrying a UDP datagram of `payload` bytes.
std::vector<uint8_t> mpeEntry(uint32_t payload) {
  uint32_t total = payload + 28;
  std::vector<uint8_t> s = {0x3E, 0xB0, 0, 0x5E, 0x01, 0xC1, 0, 0, 3, 2, 1, 0};
  std::vector<uint8_t> ip(total, 0x11);
  ip[0] = 0x45;
  ip[2] = uint8_t(total >> 8);
  ip[3] = uint8_t(total);
  ip[16] = 239;
  s.insert(s.end(), ip.begin(), ip.end());
  s.insert(s.end(), 4, 0);
  if (s.size() & 1) s.push_back(0);
  return entryOf(0x500, 3, s);
}

void BM_SectionsToIndicatedFrames(benchmark::State& state) {
  Harness h;
  h.state.pidTable.entry[0].store(0x500, 3);
  auto entry = mpeEntry(uint32_t(state.range(0)));
  for (auto _ : state) {
    h.write(entry);
    h.interrupt();
    h.path().deferredRoutine();
  }
  state.SetItemsProcessed(int64_t(h.platform.frames));
  state.SetBytesProcessed(int64_t(h.platform.bytes));
  state.counters["datagrams/s"] = benchmark::Counter(double(h.platform.frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SectionsToIndicatedFrames)->Arg(64)->Arg(512)->Arg(1400);

// The physical reference: copying the datagram's bytes once, as the receive path does.
void BM_MemcpyReference(benchmark::State& state) {
  std::vector<uint8_t> from(size_t(state.range(0)) + 28, 1), to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(from.size()));
  state.counters["datagrams/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MemcpyReference)->Arg(64)->Arg(512)->Arg(1400);

// Kind 10: records of TS packets into the data ring, drained as a reader would.
void BM_RawPacketsToDataRing(benchmark::State& state) {
  Harness h;
  h.state.pidTable.entry[0].store(0x401, 10);
  h.state.data.capture = 1;
  auto entry = entryOf(0x401, 10, std::vector<uint8_t>(188 * size_t(state.range(0)), 0x47));
  for (auto _ : state) {
    h.write(entry);
    h.interrupt();
    h.path().deferredRoutine();
    h.state.data.readPosition.store(h.state.data.writePosition.load());  // the reader keeps up
  }
  state.SetBytesProcessed(int64_t(h.adapter.stats.recordsStored.load()) * 188 * state.range(0));
  state.counters["dropped"] = double(h.adapter.stats.droppedDataRingFull.load());
}
BENCHMARK(BM_RawPacketsToDataRing)->Arg(1)->Arg(8);

}  // namespace

BENCHMARK_MAIN();
