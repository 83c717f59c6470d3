// The receive chain of the simulated card and the driver: a 38 Mbit/s multiplex with three
// data PIDs (MPE, MPE with LLC/SNAP, stuffed stream) through the card's demultiplexer and
// DMA engine into the ring, and the driver's interrupt and deferred routines indicating the
// datagrams. Prints transport packets, datagrams and payload megabits per second of CPU.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <vector>

#include "../driver/core/tests/FakePlatform.h"
#include "CardRegisters.h"
#include "Miniport.h"
#include "ReceivePath.h"
#include "ts/CardDemux.h"
#include "ts/DmaEngine.h"
#include "ts/MpeEncapsulator.h"
#include "ts/SectionPacketizer.h"
#include "ts/TransportStreamMux.h"

namespace {

using namespace cv7;

constexpr uint64_t kRingPhysical = 0x40000000;
constexpr uint32_t kDmaStatus = regs::kMailboxWindow + regs::kDmaStatus;

class Bus : public sim::HostMemory {
 public:
  explicit Bus(std::vector<uint8_t>& m) : m_(m) {}
  bool write(uint64_t p, const void* d, size_t n) override {
    if (p < kRingPhysical || p + n > kRingPhysical + m_.size()) return false;
    std::memcpy(m_.data() + (p - kRingPhysical), d, n);
    return true;
  }
  bool read(uint64_t p, void* d, size_t n) override {
    if (p < kRingPhysical || p + n > kRingPhysical + m_.size()) return false;
    std::memcpy(d, m_.data() + (p - kRingPhysical), n);
    return true;
  }

 private:
  std::vector<uint8_t>& m_;
};

class Registers : public core::RegisterWindow {
 public:
  explicit Registers(sim::DmaEngine& dma) : dma_(dma) {}
  uint32_t read32(uint32_t offset) override {
    if (offset == regs::kIntStatus) return dma_.blockInterruptPending() ? regs::kIntStatusCard : 0;
    if (offset == kDmaStatus) return dma_.blockInterruptPending() ? regs::kDmaStatusBlock : 0;
    return values_[offset];
  }
  void write32(uint32_t offset, uint32_t value) override {
    values_[offset] = value;
    if (offset == kDmaStatus && !(value & regs::kDmaStatusBlock) && dma_.blockInterruptPending()) dma_.acknowledge();
    if (offset == regs::kPageListAddress) dma_.configure(values_[regs::kRingAddress], value);
    if (offset == regs::kDmaControl) dma_.controlWritten(value);
  }

 private:
  sim::DmaEngine& dma_;
  std::map<uint32_t, uint32_t> values_;
};

sim::DataSourceConfig source(uint16_t pid, sim::Encapsulation e, uint16_t port) {
  sim::DataSourceConfig c;
  c.pid = pid;
  c.encapsulation = e;
  c.datagramsPerSecond = 800;
  c.payloadSize = 1372;
  c.destinationAddress = 0xEF010203;
  c.destinationPort = port;
  return c;
}

void BM_MultiplexThroughDriver(benchmark::State& state) {
  sim::TransportStreamConfig config;
  config.muxRateBitsPerSecond = 38'000'000;
  config.sources = {source(0x200, sim::Encapsulation::Mpe, 1), source(0x201, sim::Encapsulation::MpeLlcSnap, 2),
                    source(0x300, sim::Encapsulation::StuffedPes, 3)};
  std::vector<uint8_t> shared(regs::kSharedMemorySize), frame(core::kFrameBufferSize);
  Bus bus(shared);
  sim::DmaEngine dma(bus);
  sim::CardDemux demux(dma);
  Registers registers(dma);
  test::FakePlatform platform;
  core::DriverState driver;
  core::AdapterContext adapter;
  adapter.registers = &registers;
  adapter.shared = {shared.data(), kRingPhysical, regs::kSharedMemorySize};
  adapter.rx.ringBase = shared.data();
  adapter.frameBuffer = frame.data();
  int slot = 0;
  for (auto [pid, kind] : {std::pair<uint16_t, uint8_t>{0x200, 3}, {0x201, 3}, {0x300, 5}}) {
    driver.pidTable.entry[slot++].store(pid, kind);
    demux.setPid(pid, kind);
  }
  core::ReceivePath path(platform, driver, adapter);
  path.startReception();
  sim::TransportStreamMux mux(config, 1'000'000, {0, 0, 0x5F, 0x63, 0x6A, 1});
  uint64_t now = 1'000'000;
  for (auto _ : state) {
    for (int ms = 0; ms < 100; ++ms) {
      now += 1000;
      mux.step(now, demux);
      while (dma.blockInterruptPending()) {
        path.interruptRoutine();
        path.deferredRoutine();
      }
      platform.frames.clear();
    }
  }
  state.counters["ts_packets/s"] = benchmark::Counter(double(mux.stats().packets), benchmark::Counter::kIsRate);
  state.counters["datagrams/s"] =
      benchmark::Counter(double(adapter.stats.framesIndicated.load()), benchmark::Counter::kIsRate);
  state.counters["payload_Mbit/s"] =
      benchmark::Counter(double(adapter.stats.bytesIndicated.load()) * 8 / 1e6, benchmark::Counter::kIsRate);
  state.counters["virtual_s"] = double(now - 1'000'000) / 1e6;
}
BENCHMARK(BM_MultiplexThroughDriver)->Unit(benchmark::kMillisecond);

void BM_DemuxMpeSections(benchmark::State& state) {
  struct Null : sim::EntrySink {
    void submit(const sim::EntryView&) override { ++count; }
    uint64_t count = 0;
  } sink;
  sim::CardDemux demux(sink);
  demux.setPid(0x200, 3);
  sim::SectionPacketizer packetizer(0x200);
  std::vector<sim::TsPacket> packets;
  std::vector<uint8_t> datagram(1400, 0x45);
  for (int i = 0; i < 64; ++i) packetizer.packetize(*sim::MpeEncapsulator::section(datagram, {1, 0, 0x5E, 1, 2, 3}), packets);
  for (auto _ : state) {
    for (const auto& p : packets) demux.packet(p);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(packets.size()) * 188);
  state.counters["sections/s"] = benchmark::Counter(double(sink.count), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DemuxMpeSections);

}  // namespace

BENCHMARK_MAIN();
