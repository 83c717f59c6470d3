// The whole receive chain on a virtual timeline: the card's multiplexer with generated UDP
// traffic, its demultiplexer and DMA engine writing the host ring, and the driver's real
// interrupt and deferred routines reading it. Every generated datagram must reach the
// network stack byte for byte (MPE sections with and without LLC/SNAP, the stuffed stream),
// and raw packets and sections must reach the data ring unchanged.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

#include "CardRegisters.h"
#include "FakePlatform.h"
#include "Miniport.h"
#include "ReceivePath.h"
#include "ts/CardDemux.h"
#include "ts/DmaEngine.h"
#include "ts/TransportStreamMux.h"
#include "ts/UdpGenerator.h"

namespace cv7::test {
namespace {

using sim::DataSourceConfig;

constexpr uint64_t kRingPhysical = 0x40000000;
constexpr uint64_t kStart = 1'000'000;
constexpr uint32_t kDmaStatus = regs::kMailboxWindow + regs::kDmaStatus;

// The shared memory of the adapter as host memory for the card.
class SharedMemoryBus : public sim::HostMemory {
 public:
  explicit SharedMemoryBus(std::vector<uint8_t>& memory) : memory_(memory) {}
  bool write(uint64_t physical, const void* data, size_t length) override {
    if (physical < kRingPhysical || physical + length > kRingPhysical + memory_.size()) return false;
    std::memcpy(memory_.data() + (physical - kRingPhysical), data, length);
    return true;
  }
  bool read(uint64_t physical, void* data, size_t length) override {
    if (physical < kRingPhysical || physical + length > kRingPhysical + memory_.size()) return false;
    std::memcpy(data, memory_.data() + (physical - kRingPhysical), length);
    return true;
  }

 private:
  std::vector<uint8_t>& memory_;
};

// The registers the receive path touches, routed to the DMA engine as the card does.
class DmaRegisters : public core::RegisterWindow {
 public:
  explicit DmaRegisters(sim::DmaEngine& dma) : dma_(dma) {}
  uint32_t read32(uint32_t offset) override {
    if (offset == regs::kIntStatus) return dma_.blockInterruptPending() ? regs::kIntStatusCard : 0;
    if (offset == kDmaStatus) return dma_.blockInterruptPending() ? regs::kDmaStatusBlock : 0;
    if (offset == regs::kMailboxWindow + regs::kMailboxControl) return regs::kHandshakeIdle;
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

// Copies the multiplex to the demultiplexer and keeps the packets of one PID.
struct Tee : sim::PacketSink {
  Tee(sim::PacketSink& next, uint16_t pid) : next(next), pid(pid) {}
  void packet(const sim::TsPacket& p) override {
    if (sim::parseTsHeader(p).pid == pid) kept.insert(kept.end(), p.begin(), p.end());
    next.packet(p);
  }
  sim::PacketSink& next;
  uint16_t pid;
  std::vector<uint8_t> kept;
};

DataSourceConfig generator(uint16_t pid, sim::Encapsulation encapsulation, uint32_t payload, uint32_t destination,
                           uint16_t port) {
  DataSourceConfig c;
  c.pid = pid;
  c.encapsulation = encapsulation;
  c.datagramsPerSecond = 80;
  c.payloadSize = payload;
  c.destinationAddress = destination;
  c.destinationPort = port;
  return c;
}

class ReceiveFromSimulatedStream : public ::testing::Test {
 protected:
  ReceiveFromSimulatedStream() {
    config.muxRateBitsPerSecond = 4'000'000;
    sim::ServiceConfig tv;
    tv.programNumber = 1;
    tv.pmtPid = 0x100;
    tv.pcrPid = 0x101;
    tv.name = "One";
    tv.streams = {{sim::kStreamMpeg2Video, 0x101}, {sim::kStreamMpeg1Audio, 0x102}};
    config.services = {tv};
    // Odd section and stream lengths, so the pad bit is exercised; the payload pattern runs
    // through every byte value, so the stream carries escapes.
    config.sources = {generator(0x200, sim::Encapsulation::Mpe, 1001, 0xEF010203, 5001),
                      generator(0x201, sim::Encapsulation::MpeLlcSnap, 333, 0x0A000009, 5002),
                      generator(0x300, sim::Encapsulation::StuffedPes, 777, 0xEF000001, 5003)};

    adapter.registers = &registers;
    adapter.shared = {shared.data(), kRingPhysical, regs::kSharedMemorySize};
    adapter.rx.ringBase = shared.data();
    adapter.frameBuffer = frame.data();
    adapter.permanentAddress = station;
    state.data.ring = dataRing.data();
    state.data.capture = 1;
    state.data.handle = 7;
    state.data.event = 0x99;
    addPid(0x200, 3);
    addPid(0x201, 3);
    addPid(0x300, 5);
    addPid(0x101, 10);
    addPid(0x000, 12);
    path().startReception();
  }
  core::ReceivePath path() { return core::ReceivePath(platform, state, adapter); }
  void addPid(uint16_t pid, uint8_t kind) {
    for (auto& e : state.pidTable.entry) {
      if (e.pid() == ctl::kPidFree) {
        e.store(pid, kind);
        break;
      }
    }
    demux.setPid(pid, kind);
  }
  // The card steps every millisecond; the interrupt thread serves the line while it is up.
  void run(sim::TransportStreamMux& mux, sim::PacketSink& into, uint64_t until) {
    for (uint64_t t = kStart; t <= until; t += 1000) {
      mux.step(t, into);
      demux.flush();
      serveInterrupts();
    }
  }
  void serveInterrupts() {
    while (dma.blockInterruptPending()) {
      ASSERT_TRUE(path().interruptRoutine());
      path().deferredRoutine();
    }
  }
  // What the generator of a source sent up to a time.
  std::vector<std::vector<uint8_t>> sent(const DataSourceConfig& source, uint64_t until) {
    sim::UdpGenerator twin(source, kStart);
    std::vector<sim::TimedDatagram> out;
    for (uint64_t t = kStart; t <= until; t += 1000) twin.poll(t, out);  // stepped as the card is
    std::vector<std::vector<uint8_t>> bytes;
    for (auto& d : out) bytes.push_back(d.bytes);
    return bytes;
  }
  std::map<uint16_t, std::vector<FakePlatform::Frame>> framesByPort() {
    std::map<uint16_t, std::vector<FakePlatform::Frame>> byPort;
    for (const auto& f : platform.frames) byPort[uint16_t(f.lookahead[22] << 8 | f.lookahead[23])].push_back(f);
    return byPort;
  }

  std::array<uint8_t, 6> station{0x00, 0x00, 0x5F, 0x63, 0x6A, 0x01};
  sim::TransportStreamConfig config;
  std::vector<uint8_t> shared = std::vector<uint8_t>(regs::kSharedMemorySize);
  SharedMemoryBus bus{shared};
  sim::DmaEngine dma{bus};
  sim::CardDemux demux{dma};
  DmaRegisters registers{dma};
  FakePlatform platform;
  core::DriverState state;
  core::AdapterContext adapter;
  std::vector<uint8_t> frame = std::vector<uint8_t>(core::kFrameBufferSize);
  std::vector<uint8_t> dataRing = std::vector<uint8_t>(ctl::kDataRingSize);
};

TEST_F(ReceiveFromSimulatedStream, EveryGeneratedDatagramIsIndicatedByteForByte) {
  sim::TransportStreamMux mux(config, kStart, station);
  const uint64_t until = kStart + 3'000'000;
  run(mux, demux, until);

  auto byPort = framesByPort();
  for (const auto& source : config.sources) {
    auto expected = sent(source, until);
    const auto& got = byPort[source.destinationPort];
    ASSERT_GE(got.size() + 2, expected.size()) << source.pid;  // the last ones may still be in the multiplex
    ASSERT_LE(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
      ASSERT_EQ(got[i].lookahead, expected[i]) << source.pid << " datagram " << i;
      ASSERT_EQ(got[i].packetSize, expected[i].size());
    }
  }
  // Multicast groups map to 01:00:5E, the unicast datagrams carry the adapter's address.
  const auto& group = byPort[5001].at(0).header;
  EXPECT_EQ(std::vector<uint8_t>(group.begin(), group.begin() + 6), (std::vector<uint8_t>{1, 0, 0x5E, 1, 2, 3}));
  const auto& unicast = byPort[5002].at(0).header;
  EXPECT_TRUE(std::equal(station.begin(), station.end(), unicast.begin()));

  // The ring wrapped many times; nothing was dropped or resynchronised.
  EXPECT_GT(dma.stats().blocksWritten, 10u * regs::kRingBlocks);
  EXPECT_EQ(dma.stats().droppedRingFull + dma.stats().droppedStopped + dma.stats().droppedOversize, 0u);
  EXPECT_EQ(adapter.stats.resynchronisations.load(), 0u);
  EXPECT_EQ(dma.stats().startInterrupts, 1u);
  EXPECT_GT(adapter.stats.entriesByKind[3].load(), 0u);
  EXPECT_GT(adapter.stats.entriesByKind[5].load(), 0u);
}

TEST_F(ReceiveFromSimulatedStream, RawPacketsAndSectionsReachTheDataRingUnchanged) {
  sim::TransportStreamMux mux(config, kStart, station);
  Tee video(demux, 0x101);
  Tee pat(video, 0x000);
  run(mux, pat, kStart + 2'000'000);

  std::vector<uint8_t> packets, sections;
  size_t records = 0;
  for (uint32_t at = 0; at < state.data.writePosition.load();) {
    uint16_t pid = uint16_t(dataRing[at] | dataRing[at + 1] << 8);
    uint16_t kind = uint16_t(dataRing[at + 2] | dataRing[at + 3] << 8);
    uint16_t length = uint16_t(dataRing[at + 4] | dataRing[at + 5] << 8);
    const uint8_t* payload = dataRing.data() + at + 6;
    if (kind == 10) {
      EXPECT_EQ(pid, 0x101);
      EXPECT_EQ(length % 188, 0);
      packets.insert(packets.end(), payload, payload + length);
    } else {
      EXPECT_EQ(kind, 12);
      EXPECT_EQ(length, 3 + ((payload[1] & 0x0F) << 8 | payload[2]));
      sections.insert(sections.end(), payload, payload + length);
    }
    ++records;
    at += 6 + length;
    at += at & 1;
  }
  EXPECT_EQ(packets, video.kept);
  // The PAT packets hold one section each, from byte 5 (after the pointer field).
  ASSERT_EQ(pat.kept.size() % 188, 0u);
  std::vector<uint8_t> expectedSections;
  for (size_t p = 0; p < pat.kept.size(); p += 188) {
    const uint8_t* section = pat.kept.data() + p + 5;
    size_t length = 3 + ((section[1] & 0x0F) << 8 | section[2]);
    expectedSections.insert(expectedSections.end(), section, section + length);
  }
  EXPECT_EQ(sections, expectedSections);
  EXPECT_EQ(platform.signalCount(0x99), int(records));
}

TEST_F(ReceiveFromSimulatedStream, FillerEntryIsSkippedAndTheStreamGoesOn) {
  sim::TransportStreamMux mux(config, kStart, station);
  run(mux, demux, kStart + 500'000);
  size_t before = platform.frames.size();
  dma.submitFiller();
  serveInterrupts();
  for (uint64_t t = kStart + 501'000; t <= kStart + 1'000'000; t += 1000) {
    mux.step(t, demux);
    serveInterrupts();
  }
  EXPECT_EQ(adapter.stats.fillerEntries.load(), 1u);
  EXPECT_EQ(adapter.stats.resynchronisations.load(), 0u);
  EXPECT_GT(platform.frames.size(), before + 100);
}

TEST_F(ReceiveFromSimulatedStream, ScrambledSectionsAreCarriedButNotIndicated) {
  config.sources = {generator(0x200, sim::Encapsulation::Mpe, 100, 0xEF010203, 5001)};
  config.sources[0].scrambledFlags = true;
  sim::TransportStreamMux mux(config, kStart, station);
  run(mux, demux, kStart + 500'000);
  EXPECT_TRUE(platform.frames.empty());
  EXPECT_GE(adapter.stats.droppedScrambled.load(), 39u);
}

TEST_F(ReceiveFromSimulatedStream, AResetKeepsCardAndDriverInStep) {
  sim::TransportStreamMux mux(config, kStart, station);
  run(mux, demux, kStart + 300'000);
  path().stopReception();
  path().startReception();  // the same ring: no new start interrupt, the write block is kept
  for (uint64_t t = kStart + 301'000; t <= kStart + 900'000; t += 1000) {
    mux.step(t, demux);
    serveInterrupts();
  }
  EXPECT_EQ(dma.stats().startInterrupts, 1u);
  EXPECT_EQ(adapter.stats.resynchronisations.load(), 0u);
  auto byPort = framesByPort();
  auto expected = sent(config.sources[0], kStart + 900'000);
  ASSERT_GE(byPort[5001].size(), 60u);
  for (size_t i = 0; i < byPort[5001].size(); ++i) {
    // Entries queued at the moment of the stop are lost; the rest keep their order.
    EXPECT_NE(std::find(expected.begin(), expected.end(), byPort[5001][i].lookahead), expected.end());
  }
}

}  // namespace
}  // namespace cv7::test
