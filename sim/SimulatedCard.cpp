#include "SimulatedCard.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <sstream>

#include "CardLoader.h"
#include "CardRegisters.h"
#include "FirmwareCommands.h"
#include "MailboxDevice.h"
#include "PciConfigSpace.h"
#include "ProgramTableReply.h"
#include "sky/Sky.h"
#include "ts/CardReceiver.h"
#include "ts/ServiceScanner.h"
#include "tuner/Tuner.h"

namespace cv7::sim {

namespace {

// The main registers the card keeps. Everything the host writes reads back unchanged; the
// interrupt status (0x4C) is computed from the pending sources.
struct MainRegisters {
  uint32_t setup44 = 0;
  uint32_t setup48 = 0;
  uint32_t intEnable = 0;
  uint32_t ringAddress = 0;
  uint32_t pageListAddress = 0;
  uint32_t dma5C = 0;
  uint32_t dmaControl = 0;
  uint32_t setup240 = 0;
  uint32_t setup244 = 0;
  uint32_t setup248 = 0;
  uint32_t dmaStatus = 0;  // mailbox window +0x10
};

// Power-on values of the registers.
constexpr MainRegisters kPowerOn{};

constexpr uint32_t kMailboxData = regs::kMailboxWindow + regs::kMailboxData;
constexpr uint32_t kMailboxControl = regs::kMailboxWindow + regs::kMailboxControl;
constexpr uint32_t kDmaStatus = regs::kMailboxWindow + regs::kDmaStatus;

std::shared_ptr<const Sky> skyOf(const CardConfig& config) {
  if (config.sky) return config.sky;
  return std::shared_ptr<const Sky>(&defaultSky(), [](const Sky*) {});
}

}  // namespace

struct SimulatedCard::Impl final : CardHardware {
  Impl(const CardConfig& c, Clock& clk, HostMemory& mem, InterruptLine& line)
      : config(c),
        clock(clk),
        memory(mem),
        irq(line),
        loader(faults),
        firmware(faults, c.macAddress),
        tuner(skyOf(c), clk),
        receiver(mem, c.macAddress) {
    firmware.setHardware(this);
  }

  CardConfig config;
  Clock& clock;
  HostMemory& memory;
  InterruptLine& irq;

  mutable std::mutex lock;  // guards everything below
  CardFaults faults;
  MainRegisters regs = kPowerOn;
  MailboxDevice mailbox;
  CardLoader loader;
  FirmwareCommands firmware;
  bool firmwareStarted = false;
  bool loaderFailureLogged = false;
  CardStats stats;
  std::function<void(const std::string&)> log;
  std::function<void()> wake;  // new work for whoever calls advance()
  bool delivering = false;  // one thread at a time calls InterruptLine::setLevel
  bool deliveredLevel = false;
  // Reception: the tuner in front of the sky and the card's receive side behind it.
  Tuner tuner;
  CardReceiver receiver;
  const TransportStreamConfig* receiving = nullptr;  // the stream whose multiplex runs
  std::optional<std::array<uint8_t, 4>> tunerInfoOverride;
  bool searching = false;
  ServiceScanner scanner;
  std::vector<uint8_t> searchTable;

  // ---- CardHardware ----
  void tune(const TuneParameters& t) override;
  std::array<uint8_t, 4> tunerInfo() override;
  bool setNetworkPid(uint16_t pid, uint8_t kind) override { return receiver.demux().setPid(pid, kind); }
  void releaseNetworkPid(uint16_t pid) override { receiver.demux().removePid(pid); }
  void releaseAllPids() override { receiver.demux().clear(); }
  void startSearch() override;
  void cancelSearch() override {
    scanner.cancel();
    searching = false;
  }
  bool searchFinished() override;
  std::vector<uint8_t> programTable() override { return searchTable; }

  void runReception(uint64_t now);
  uint64_t nextWork(uint64_t now) const;
  void wakeUp() {
    if (wake) wake();
  }
  uint32_t dmaStatus() const;

  void powerOn();
  uint64_t now();
  MailboxPeer& peer();
  uint32_t interruptStatus() const;
  uint32_t* mainRegister(uint32_t offset);
  uint32_t read(uint32_t offset);
  void write(uint32_t offset, uint32_t value);
  void badAccess(uint32_t offset, bool write);
  void updateIrq(std::unique_lock<std::mutex>& held);
};

void SimulatedCard::Impl::powerOn() {
  regs = kPowerOn;
  receiver.dma().reset();
  receiver.detune();
  receiving = nullptr;
  searching = false;
  searchTable = ProgramTableReply::builtIn().encode();  // what the card answers before any search
  mailbox.reset();
  loader.reset();
  loaderFailureLogged = false;
  firmwareStarted = config.firmwareRunning;
  if (firmwareStarted) firmware.reset(config.firmwareVersion);
}

// The current time; starts the firmware once the loader's start-up time has passed.
uint64_t SimulatedCard::Impl::now() {
  uint64_t t = clock.nowMicroseconds();
  if (loader.stage() == CardLoader::Stage::Failed && !loaderFailureLogged) {
    loaderFailureLogged = true;
    if (log) log("card: loader " + loader.failure());
  }
  if (!firmwareStarted && loader.stage() == CardLoader::Stage::Booting && t >= loader.bootTime()) {
    firmware.reset(loader.imageVersion());
    firmwareStarted = true;
  }
  return t;
}

MailboxPeer& SimulatedCard::Impl::peer() {
  if (firmwareStarted) return firmware;
  return loader;
}

uint32_t SimulatedCard::Impl::dmaStatus() const {
  return (regs.dmaStatus & ~regs::kDmaStatusBlock) | (receiver.dma().blockInterruptPending() ? regs::kDmaStatusBlock : 0);
}

uint32_t SimulatedCard::Impl::interruptStatus() const {
  bool pending = mailbox.interruptPending() || (dmaStatus() & regs::kDmaStatusBlock);
  return pending && (regs.intEnable & regs::kIntEnableCard) ? regs::kIntStatusCard : 0;
}

uint32_t* SimulatedCard::Impl::mainRegister(uint32_t offset) {
  switch (offset) {
    case regs::kSetup44: return &regs.setup44;
    case regs::kSetup48: return &regs.setup48;
    case regs::kIntEnable: return &regs.intEnable;
    case regs::kRingAddress: return &regs.ringAddress;
    case regs::kPageListAddress: return &regs.pageListAddress;
    case regs::kDma5C: return &regs.dma5C;
    case regs::kDmaControl: return &regs.dmaControl;
    case regs::kSetup240: return &regs.setup240;
    case regs::kSetup244: return &regs.setup244;
    case regs::kSetup248: return &regs.setup248;
    default: return nullptr;
  }
}

void SimulatedCard::Impl::badAccess(uint32_t offset, bool write) {
  ++stats.badAccesses;
  stats.lastBadOffset = offset;
  stats.lastBadWasWrite = write;
  if (log) {
    char text[80];
    std::snprintf(text, sizeof text, "card: bad %s at offset 0x%X", write ? "write" : "read", offset);
    log(text);
  }
}

uint32_t SimulatedCard::Impl::read(uint32_t offset) {
  uint64_t t = now();
  if (offset % 4 != 0 || offset >= config.memoryLength) {
    badAccess(offset, false);
    return 0;
  }
  switch (offset) {
    case regs::kIntStatus: return interruptStatus();
    case kMailboxData: return mailbox.readData(t);
    case kMailboxControl: return mailbox.readControl(t);
    case kDmaStatus: return dmaStatus();
    default: break;
  }
  if (uint32_t* reg = mainRegister(offset)) return *reg;
  badAccess(offset, false);
  return 0;
}

void SimulatedCard::Impl::write(uint32_t offset, uint32_t value) {
  uint64_t t = now();
  if (offset % 4 != 0 || offset >= config.memoryLength || offset == regs::kIntStatus) {
    badAccess(offset, true);
    return;
  }
  switch (offset) {
    case kMailboxData: mailbox.writeData(value, t); return;
    case kMailboxControl:
      mailbox.writeControl(value, t, peer());
      if (firmware.takeInterruptRequest()) mailbox.raiseInterrupt();
      return;
    case kDmaStatus:
      // The host acknowledges a block by writing bit 7 cleared; it cannot set it.
      regs.dmaStatus = value & ~regs::kDmaStatusBlock;
      if (!(value & regs::kDmaStatusBlock) && receiver.dma().blockInterruptPending()) receiver.dma().acknowledge();
      return;
    default: break;
  }
  uint32_t* reg = mainRegister(offset);
  if (reg == nullptr) {
    badAccess(offset, true);
    return;
  }
  *reg = value;
  if (offset == regs::kRingAddress || offset == regs::kPageListAddress) {
    receiver.dma().configure(regs.ringAddress, regs.pageListAddress);
  } else if (offset == regs::kDmaControl) {
    receiver.dma().controlWritten(value);
  }
}

// ---- Reception ----

void SimulatedCard::Impl::tune(const TuneParameters& t) {
  tuner.tune(TuneRequest{t.localOscillatorKHz, t.frequencyKHz, t.symbolRate, t.polarity, t.band, t.lnbPower,
                         t.toneBurst, t.diseqc});
  // A retune drops the lock: the multiplex stops until the new acquisition.
  receiver.detune();
  receiving = nullptr;
  cancelSearch();  wakeUp();
}

std::array<uint8_t, 4> SimulatedCard::Impl::tunerInfo() {
  if (tunerInfoOverride) return *tunerInfoOverride;
  return tuner.status().reply();
}

// Follows the tuner: a lock starts the transponder's multiplex, a lost lock stops it.
void SimulatedCard::Impl::runReception(uint64_t now) {
  const TransportStreamConfig* stream = tuner.tunedStream();
  if (stream != receiving) {
    if (stream) {
      receiver.tune(*stream, now);
    } else {
      receiver.detune();
    }
    receiving = stream;
  }
  TransportStreamMux* mux = receiver.mux();
  if (mux == nullptr) return;
  const FirmwareState& settings = firmware.state();
  receiver.filter().setSettings({settings.filterMode, settings.ipAddress, config.macAddress, settings.multicastList});
  // While a search runs, the scanner sees the multiplex beside the demultiplexer.
  struct Tee final : PacketSink {
    PacketSink& first;
    PacketSink* second;
    Tee(PacketSink& a, PacketSink* b) : first(a), second(b) {}
    void packet(const TsPacket& p) override {
      first.packet(p);
      if (second) second->packet(p);
    }
  } tee(receiver.demux(), searching ? &scanner : nullptr);
  mux->step(now, tee);
  receiver.demux().flush();
}

// The multiplex is run in steps of 32 packets: a quarter of the host ring's 128 blocks
// even when every packet completes a one-block entry.
uint64_t SimulatedCard::Impl::nextWork(uint64_t now) const {
  constexpr uint64_t kPacketsPerStep = 32, kBitsPerPacket = 188 * 8, kMaxStep = 1000;
  if (!firmwareStarted) return kNever;
  if (const TransportStreamMux* mux = receiver.mux()) {
    uint64_t rate = std::max<uint64_t>(1, mux->config().muxRateBitsPerSecond);
    return now + std::min(kMaxStep, kPacketsPerStep * kBitsPerPacket * 1'000'000 / rate);
  }
  return tuner.lockDue();
}

// The search parses the PSI of the tuned multiplex as it comes by; without a lock it
// finishes at once with nothing found.
void SimulatedCard::Impl::startSearch() {
  const TuneParameters& tune = firmware.state().tune;
  scanner.start(now(), tune.frequencyKHz, tune.symbolRate);
  searching = true;
  if (tuner.tunedStream() == nullptr) {
    scanner.cancel();
    ProgramTableReply empty;
    empty.frequencyKHz = tune.frequencyKHz;
    empty.symbolRate = tune.symbolRate;
    searchTable = empty.encode();
    searching = false;
  }
}

bool SimulatedCard::Impl::searchFinished() {
  if (searching && scanner.finished(clock.nowMicroseconds())) {
    searchTable = scanner.result().encode();
    searching = false;
  }
  return !searching;
}

// Delivers the interrupt line's level outside the card's lock, so an interrupt routine that
// runs synchronously in setLevel can read the card's registers. Whoever finds the level
// changed delivers it; a nested or concurrent caller leaves it to the one already delivering.
void SimulatedCard::Impl::updateIrq(std::unique_lock<std::mutex>& held) {
  if (delivering) return;
  delivering = true;
  for (;;) {
    bool level = interruptStatus() != 0;
    if (level == deliveredLevel) break;
    deliveredLevel = level;
    held.unlock();
    irq.setLevel(level);
    held.lock();
  }
  delivering = false;
}

SimulatedCard::SimulatedCard(const CardConfig& config, Clock& clock, HostMemory& memory, InterruptLine& irq)
    : impl_(std::make_unique<Impl>(config, clock, memory, irq)) {
  impl_->powerOn();
}

SimulatedCard::~SimulatedCard() = default;

const CardConfig& SimulatedCard::config() const { return impl_->config; }

std::array<uint8_t, 256> SimulatedCard::configSpace() const { return PciConfigSpace::build(impl_->config); }

uint32_t SimulatedCard::mmioRead(uint32_t offset) {
  std::lock_guard guard(impl_->lock);
  return impl_->read(offset);
}

void SimulatedCard::mmioWrite(uint32_t offset, uint32_t value) {
  std::unique_lock guard(impl_->lock);
  impl_->write(offset, value);
  impl_->updateIrq(guard);
}

void SimulatedCard::setFaults(const CardFaults& faults) {
  std::lock_guard guard(impl_->lock);
  impl_->faults = faults;
}

CardFaults SimulatedCard::faults() const {
  std::lock_guard guard(impl_->lock);
  return impl_->faults;
}

bool SimulatedCard::firmwareRunning() const {
  std::lock_guard guard(impl_->lock);
  impl_->now();
  return impl_->firmwareStarted;
}

std::vector<ReceivedCommand> SimulatedCard::receivedCommands() const {
  std::lock_guard guard(impl_->lock);
  return impl_->firmware.received();
}

void SimulatedCard::clearReceivedCommands() {
  std::lock_guard guard(impl_->lock);
  impl_->firmware.clearReceived();
}

void SimulatedCard::setProgramTablePayload(std::vector<uint8_t> payload) {
  std::lock_guard guard(impl_->lock);
  impl_->firmware.setProgramTablePayload(std::move(payload));
}

void SimulatedCard::setTunerInfoReply(std::array<uint8_t, 4> reply) {
  std::lock_guard guard(impl_->lock);
  impl_->firmware.state().tunerInfo = reply;
  impl_->tunerInfoOverride = reply;
}

void SimulatedCard::raiseCardEvent(uint8_t eventCode) {
  std::unique_lock guard(impl_->lock);
  impl_->firmware.queueEvent(eventCode);
  if (impl_->firmware.takeInterruptRequest()) impl_->mailbox.raiseInterrupt();
  impl_->updateIrq(guard);
}

std::vector<std::array<uint8_t, 6>> SimulatedCard::multicastList() const {
  std::lock_guard guard(impl_->lock);
  return impl_->firmware.state().multicastList;
}

void SimulatedCard::reset() {
  std::unique_lock guard(impl_->lock);
  impl_->powerOn();
  impl_->updateIrq(guard);
}

FirmwareState SimulatedCard::firmwareState() const {
  std::lock_guard guard(impl_->lock);
  return impl_->firmware.state();
}

void SimulatedCard::updateFirmwareState(const std::function<void(FirmwareState&)>& change) {
  std::lock_guard guard(impl_->lock);
  change(impl_->firmware.state());
}

CardStats SimulatedCard::stats() const {
  std::lock_guard guard(impl_->lock);
  CardStats stats = impl_->stats;
  const auto& mailbox = impl_->mailbox.stats();
  const auto& firmware = impl_->firmware.stats();
  stats.ignoredHandshakeWrites = mailbox.ignoredWrites;
  stats.channelResets = mailbox.channelResets;
  stats.commands = firmware.commands;
  stats.refusedCommands = firmware.refused;
  stats.unmarkedFrames = firmware.unmarkedFrames;
  stats.hostAcks = firmware.hostAcks;
  stats.malformedHostAcks = firmware.malformedHostAcks;
  return stats;
}

std::string SimulatedCard::loaderStatus() const {
  std::lock_guard guard(impl_->lock);
  impl_->now();
  if (impl_->firmwareStarted) return "running";
  switch (impl_->loader.stage()) {
    case CardLoader::Stage::Sync: return "waiting for sync";
    case CardLoader::Stage::Length:
    case CardLoader::Stage::LoadAddress:
    case CardLoader::Stage::EntryPoint: return "receiving header";
    case CardLoader::Stage::Image:
    case CardLoader::Stage::Final: return "receiving image";
    case CardLoader::Stage::Booting: return "booting";
    case CardLoader::Stage::Failed: return "refused: " + impl_->loader.failure();
  }
  return "unknown";
}

void SimulatedCard::setLogSink(std::function<void(const std::string&)> sink) {
  std::lock_guard guard(impl_->lock);
  impl_->log = std::move(sink);
}

uint64_t SimulatedCard::advance() {
  std::unique_lock guard(impl_->lock);
  uint64_t t = impl_->now();
  if (impl_->firmwareStarted) impl_->runReception(t);
  uint64_t next = impl_->nextWork(t);
  impl_->updateIrq(guard);
  return next;
}

void SimulatedCard::setWakeHandler(std::function<void()> wake) {
  std::lock_guard guard(impl_->lock);
  impl_->wake = std::move(wake);
}

void SimulatedCard::setSignalLost(bool lost) {
  std::lock_guard guard(impl_->lock);
  impl_->tuner.setSignalLost(lost);
  impl_->wakeUp();
}

ReceptionStats SimulatedCard::receptionStats() const {
  std::lock_guard guard(impl_->lock);
  return impl_->receiver.stats();
}

std::string SimulatedCard::receptionDiagnostics() const {
  std::lock_guard guard(impl_->lock);
  std::ostringstream out;
  out << impl_->tuner.diagnostics() << "\n";
  const DmaStats& dma = impl_->receiver.dma().stats();
  out << "dma: running " << impl_->receiver.dma().running() << ", entries " << dma.entriesWritten << ", blocks "
      << dma.blocksWritten << ", untold " << impl_->receiver.dma().untold() << ", room "
      << impl_->receiver.dma().room() << " blocks, dropped (ring full " << dma.droppedRingFull << ", stopped "
      << dma.droppedStopped << ", oversize " << dma.droppedOversize << ", at reset " << dma.droppedAtReset << ")\n";
  DemuxStats demux = impl_->receiver.demux().stats();
  out << "demux: packets " << demux.packets << ", filtered " << demux.filtered << ", entries " << demux.entries
      << ", continuity errors " << demux.continuityErrors << ", duplicates " << demux.duplicates << ", pids " << impl_->receiver.demux().pidCount() << "\n";
  if (TransportStreamMux* mux = impl_->receiver.mux()) {
    const MuxStats& m = mux->stats();
    out << "mux: packets " << m.packets << ", null " << m.nullPackets << ", psi " << m.psiPackets << ", data "
        << m.dataPackets << ", dropped " << m.droppedPackets << "\n";
  } else {
    out << "mux: not tuned\n";
  }
  return out.str();
}

}  // namespace cv7::sim
