// The receive chain of the simulated card and the driver, the receiver apart from the
// transmitter:
//  - BM_ReceiverOnRecordedMultiplex: a multiplex recorded before timing (1 s of a 48 Mbit/s
//    transponder full of MPE datagrams of 64 or 1400 bytes) through the card's
//    demultiplexer, address filter and DMA engine into the ring, and the driver's interrupt
//    and deferred routines indicating the datagrams. Beside it, in the same iterations, the
//    floor of any receiver: one memcpy of every transport packet. Printed: TS packets,
//    datagrams and payload per second of CPU, how many full transponders one core keeps up
//    with, and the ratio to the floor.
//  - BM_TransmitterMultiplex: the simulated transmitter alone (generators, packetizers,
//    multiplex), which the receiver figure does not include.
//  - BM_SectionCrc: the card's section CRC, eight bytes a step against one byte a step.
//  - BM_DemuxMpeSections: the card's section reassembly alone.
// Times are the thread's CPU time (a shared machine's other work does not count).
#include <benchmark/benchmark.h>
#include <time.h>

#include <cstring>
#include <vector>

#include "../driver/core/tests/FakePlatform.h"
#include "CardRegisters.h"
#include "Miniport.h"
#include "ReceivePath.h"
#include "ts/AddressFilter.h"
#include "ts/CardDemux.h"
#include "ts/Crc32.h"
#include "ts/DmaEngine.h"
#include "ts/MpeEncapsulator.h"
#include "ts/SectionPacketizer.h"
#include "ts/TransportStreamMux.h"

namespace {

using namespace cv7;

constexpr uint64_t kRingPhysical = 0x40000000;
constexpr uint32_t kDmaStatus = regs::kMailboxWindow + regs::kDmaStatus;
constexpr double kTransponderBitsPerSecond = 48e6;
constexpr uint64_t kStart = 1'000'000;

double threadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

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

// The card's registers as the driver sees them, on a flat register file.
class Registers : public core::RegisterWindow {
 public:
  explicit Registers(sim::DmaEngine& dma) : dma_(dma) {}
  uint32_t read32(uint32_t offset) override {
    if (offset == regs::kIntStatus) return dma_.blockInterruptPending() ? regs::kIntStatusCard : 0;
    if (offset == kDmaStatus) return dma_.blockInterruptPending() ? regs::kDmaStatusBlock : 0;
    return values_[offset / 4];
  }
  void write32(uint32_t offset, uint32_t value) override {
    values_[offset / 4] = value;
    if (offset == kDmaStatus && !(value & regs::kDmaStatusBlock) && dma_.blockInterruptPending()) dma_.acknowledge();
    if (offset == regs::kPageListAddress) dma_.configure(values_[regs::kRingAddress / 4], value);
    if (offset == regs::kDmaControl) dma_.controlWritten(value);
  }

 private:
  sim::DmaEngine& dma_;
  std::vector<uint32_t> values_ = std::vector<uint32_t>((regs::kMailboxWindow + 0x100) / 4);
};

sim::TransportStreamConfig transponder(uint32_t payload, double datagramsPerSecond) {
  sim::TransportStreamConfig config;
  config.muxRateBitsPerSecond = uint32_t(kTransponderBitsPerSecond);
  sim::DataSourceConfig c;
  c.pid = 0x200;
  c.encapsulation = sim::Encapsulation::Mpe;
  c.datagramsPerSecond = datagramsPerSecond;
  c.payloadSize = payload;
  c.destinationAddress = 0xEF010203;
  config.sources = {c};
  return config;
}

// 1 s of the multiplex, recorded.
std::vector<sim::TsPacket> record(const sim::TransportStreamConfig& config) {
  struct Recorder final : sim::PacketSink {
    std::vector<sim::TsPacket> packets;
    void packet(const sim::TsPacket& p) override { packets.push_back(p); }
  } recorder;
  sim::TransportStreamMux mux(config, kStart, {0, 0, 0x5F, 0x63, 0x6A, 1});
  mux.step(kStart + 1'000'000, recorder);
  return std::move(recorder.packets);
}

struct Receiver {
  std::vector<uint8_t> shared = std::vector<uint8_t>(regs::kSharedMemorySize);
  std::vector<uint8_t> frame = std::vector<uint8_t>(core::kFrameBufferSize);
  Bus bus{shared};
  sim::DmaEngine dma{bus};
  sim::AddressFilter filter{dma};
  sim::CardDemux demux{filter};
  Registers registers{dma};
  test::FakePlatform platform;
  core::DriverState driver;
  core::AdapterContext adapter;

  explicit Receiver(uint16_t pid) {
    adapter.registers = &registers;
    adapter.shared = {shared.data(), kRingPhysical, regs::kSharedMemorySize};
    adapter.rx.ringBase = shared.data();
    adapter.frameBuffer = frame.data();
    driver.pidTable.entry[0].store(pid, 3);
    demux.setPid(pid, 3);
    path().startReception();
  }
  core::ReceivePath path() { return core::ReceivePath(platform, driver, adapter); }
  void receive(const sim::TsPacket& p) {
    demux.packet(p);
    while (dma.blockInterruptPending()) {
      path().interruptRoutine();
      path().deferredRoutine();
    }
  }
};

void BM_ReceiverOnRecordedMultiplex(benchmark::State& state) {
  uint32_t payload = uint32_t(state.range(0));
  // Nearly the whole transponder: a 64-byte datagram takes one packet, 1400 bytes eight.
  double rate = payload <= 64 ? 30'000 : 3'500;
  std::vector<sim::TsPacket> packets = record(transponder(payload, rate));
  Receiver r(0x200);
  std::vector<uint8_t> floor(188);
  double receiver = 0, reference = 0;
  uint64_t rounds = 0;
  for (auto _ : state) {
    double t0 = threadSeconds();
    for (const auto& p : packets) r.receive(p);
    double t1 = threadSeconds();
    for (const auto& p : packets) {
      std::memcpy(floor.data(), p.data(), p.size());
      benchmark::ClobberMemory();
    }
    double t2 = threadSeconds();
    state.SetIterationTime(t1 - t0);
    receiver += t1 - t0;
    reference += t2 - t1;
    ++rounds;
    r.platform.frames.clear();
  }
  const auto& s = r.adapter.stats;
  double tsPackets = double(packets.size()) * double(rounds);
  state.counters["ts_packets/s"] = tsPackets / receiver;
  state.counters["datagrams/s"] = double(s.framesIndicated.load()) / receiver;
  state.counters["payload_Mbit/s"] = double(s.bytesIndicated.load()) * 8 / 1e6 / receiver;
  state.counters["transponders"] = tsPackets * 188 * 8 / kTransponderBitsPerSecond / receiver;
  state.counters["ratio_to_memcpy"] = receiver / reference;
  state.counters["dropped"] = double(r.dma.stats().droppedRingFull + r.dma.stats().droppedOversize);
}
BENCHMARK(BM_ReceiverOnRecordedMultiplex)->Arg(64)->Arg(1400)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_TransmitterMultiplex(benchmark::State& state) {
  struct Null final : sim::PacketSink {
    void packet(const sim::TsPacket& p) override { benchmark::DoNotOptimize(p[3]); }
  } sink;
  uint32_t payload = uint32_t(state.range(0));
  sim::TransportStreamMux mux(transponder(payload, payload <= 64 ? 30'000 : 3'500), kStart, {0, 0, 0x5F, 0x63, 0x6A, 1});
  uint64_t now = kStart;
  double spent = 0;
  for (auto _ : state) {
    double t0 = threadSeconds();
    for (int ms = 0; ms < 100; ++ms) mux.step(now += 1000, sink);
    double t1 = threadSeconds();
    state.SetIterationTime(t1 - t0);
    spent += t1 - t0;
  }
  state.counters["ts_packets/s"] = double(mux.stats().packets) / spent;
  state.counters["transponders"] = double(mux.stats().packets) * 188 * 8 / kTransponderBitsPerSecond / spent;
}
BENCHMARK(BM_TransmitterMultiplex)->Arg(64)->Arg(1400)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_SectionCrc(benchmark::State& state) {
  std::vector<uint8_t> section(1444);
  for (size_t i = 0; i < section.size(); ++i) section[i] = uint8_t(i * 7);
  bool sliced = state.range(0) == 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(sliced ? sim::crc32Mpeg2(section) : sim::crc32Mpeg2Bytewise(section));
  }
  state.SetLabel(sliced ? "eight bytes a step" : "one byte a step");
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(section.size()));
}
BENCHMARK(BM_SectionCrc)->Arg(1)->Arg(0);

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
