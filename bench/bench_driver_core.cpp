// The driver core alone: ring entries through the interrupt routine and the deferred routine
// to indicated frames (MPE sections) or stored records of the data ring (kind 10). Each
// iteration is a batch of entries that fills the ring; the harness writes the batch into the
// ring before the clock starts, so only the driver's work is timed (manual time). Beside it,
// in the same iterations, the physical reference: a memcpy of exactly the bytes the driver
// copies, from the same ring blocks into the same frame buffer (or data ring). Printed per
// entry: ns (driver), memcpy_ns (reference) and their ratio. Both are timed on the thread's
// CPU clock, so a shared machine's other work does not count (one clock read per batch).
#include <benchmark/benchmark.h>

#include <time.h>

#include <cstring>
#include <vector>

#include "CardRegisters.h"
#include "Miniport.h"
#include "ReceivePath.h"

namespace {

using namespace cv7;

// The calling thread's CPU time in seconds.
double threadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// A flat register file: reads and writes cost an array access, not a lookup.
class Registers : public core::RegisterWindow {
 public:
  uint32_t read32(uint32_t offset) override { return values[offset / 4]; }
  void write32(uint32_t offset, uint32_t value) override { values[offset / 4] = value; }
  std::vector<uint32_t> values = std::vector<uint32_t>((regs::kMailboxWindow + 0x100) / 4);
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
    interrupt();  // the start interrupt
  }
  core::ReceivePath path() { return core::ReceivePath(platform, state, adapter); }
  void interrupt() {
    registers.values[regs::kIntStatus / 4] = regs::kIntStatusCard;
    registers.values[(regs::kMailboxWindow + regs::kDmaStatus) / 4] = regs::kDmaStatusBlock;
    path().interruptRoutine();
  }
  // Writes the entry at the next block as the card does; returns its first block.
  uint32_t write(const std::vector<uint8_t>& entry) {
    uint32_t first = writeBlock;
    uint32_t blocks = uint32_t((entry.size() + 255) / 256);
    for (uint32_t b = 0; b < blocks; ++b) {
      uint32_t n = std::min<uint32_t>(256, uint32_t(entry.size()) - 256 * b);
      std::memcpy(shared.data() + 256 * ((writeBlock + b) % 128), entry.data() + 256 * b, n);
    }
    writeBlock = (writeBlock + blocks) % 128;
    return first;
  }
};

std::vector<uint8_t> entryOf(uint16_t pid, uint16_t kind, const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> e(6 + payload.size());
  const uint16_t header[3] = {pid, kind, uint16_t(payload.size())};
  std::memcpy(e.data(), header, 6);  // little-endian host
  std::memcpy(e.data() + 6, payload.data(), payload.size());
  return e;
}

// An MPE section carrying a UDP datagram of `payload` bytes to a multicast group.
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

struct Totals {
  double driver = 0, reference = 0;
  uint64_t entries = 0;
  // One batch: the driver serves `batch` entries already in the ring, then `reference`
  // copies the same bytes; only the driver's time is the iteration's.
  template <typename Reference>
  void batch(benchmark::State& state, Harness& h, uint32_t count, Reference reference) {
    double t0 = threadSeconds();
    for (uint32_t i = 0; i < count; ++i) {
      h.interrupt();
      h.path().deferredRoutine();
    }
    double t1 = threadSeconds();
    reference();
    double t2 = threadSeconds();
    state.SetIterationTime(t1 - t0);
    driver += t1 - t0;
    this->reference += t2 - t1;
    entries += count;
  }
  void report(benchmark::State& state, uint64_t bytesPerEntry) const {
    state.counters["ns"] = driver * 1e9 / double(entries);
    state.counters["memcpy_ns"] = reference * 1e9 / double(entries);
    state.counters["ratio"] = driver / reference;
    state.counters["copied_bytes"] = double(bytesPerEntry);
  }
};

// The datagram's section as the receive path copies it: from offset 18 of the first block,
// whole blocks to the entry's end, split where the ring wraps.
void copyLikeTheDriver(const uint8_t* ring, uint32_t first, uint32_t blocks, uint8_t* frame) {
  constexpr uint32_t kStart = 18;
  uint32_t toEnd = 128 - first;
  if (toEnd < blocks) {
    uint32_t head = 256 * toEnd - kStart;
    std::memcpy(frame, ring + 256 * first + kStart, head);
    std::memcpy(frame + head, ring, 256 * (blocks - toEnd));
  } else {
    std::memcpy(frame, ring + 256 * first + kStart, 256 * blocks - kStart);
  }
}

void BM_SectionsThroughDriverCore(benchmark::State& state) {
  Harness h;
  h.state.pidTable.entry[0].store(0x500, 3);
  auto entry = mpeEntry(uint32_t(state.range(0)));
  const uint32_t blocks = uint32_t((entry.size() + 255) / 256);
  const uint32_t batch = 128 / blocks - 1;  // the ring's worth, less the entry told last
  std::vector<uint32_t> firsts(batch);
  Totals totals;
  for (auto _ : state) {
    for (auto& first : firsts) first = h.write(entry);
    totals.batch(state, h, batch, [&] {
      for (uint32_t first : firsts) {
        copyLikeTheDriver(h.shared.data(), first, blocks, h.frame.data() + 14);
        benchmark::ClobberMemory();
      }
    });
  }
  if (h.platform.frames != totals.entries) state.SkipWithError("not every entry was indicated");
  totals.report(state, 256 * blocks - 18);
  state.SetItemsProcessed(int64_t(h.platform.frames));
  state.SetBytesProcessed(int64_t(h.platform.bytes));
}
BENCHMARK(BM_SectionsThroughDriverCore)->Arg(64)->Arg(512)->Arg(1400)->UseManualTime();

// Kind 10: records of TS packets copied whole into the data ring; the reader keeps up
// (outside the timed region).
void BM_RawPacketsThroughDriverCore(benchmark::State& state) {
  Harness h;
  h.state.pidTable.entry[0].store(0x401, 10);
  h.state.data.capture = 1;
  auto entry = entryOf(0x401, 10, std::vector<uint8_t>(188 * size_t(state.range(0)), 0x47));
  const uint32_t blocks = uint32_t((entry.size() + 255) / 256);
  const uint32_t batch = 128 / blocks - 1;
  std::vector<uint32_t> firsts(batch);
  std::vector<uint8_t> reference(ctl::kDataRingSize);
  Totals totals;
  for (auto _ : state) {
    for (auto& first : firsts) first = h.write(entry);
    h.state.data.readPosition.store(h.state.data.writePosition.load());
    totals.batch(state, h, batch, [&] {
      size_t at = 0;
      for (uint32_t first : firsts) {  // the same bytes: the entry, block by block
        for (uint32_t b = 0; b < blocks; ++b) {
          uint32_t n = std::min<uint32_t>(256, uint32_t(entry.size()) - 256 * b);
          std::memcpy(reference.data() + at, h.shared.data() + 256 * ((first + b) % 128), n);
          at += n;
        }
        benchmark::ClobberMemory();
      }
    });
  }
  if (h.adapter.stats.recordsStored.load() != totals.entries) state.SkipWithError("not every record was stored");
  totals.report(state, entry.size());
  state.SetBytesProcessed(int64_t(totals.entries) * int64_t(entry.size()));
}
BENCHMARK(BM_RawPacketsThroughDriverCore)->Arg(1)->Arg(8)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
