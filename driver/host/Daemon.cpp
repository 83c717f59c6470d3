#include "Daemon.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <systemd/sd-daemon.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "AdapterRequests.h"
#include "AdminServer.h"
#include "CommandCodes.h"
#include "CardPump.h"
#include "ControlServer.h"
#include "FrameOutput.h"
#include "LinuxPlatform.h"
#include "Log.h"
#include "Miniport.h"
#include "NetworkInformation.h"
#include "MulticastMonitor.h"
#include "SocketEndpoint.h"
#include "TapInterface.h"
#include "sky/SkyParser.h"

namespace cv7::host {

namespace {

bool fileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

int exitFor(SocketEndpoint::Result result) {
  switch (result) {
    case SocketEndpoint::Result::Listening: return kExitOk;
    case SocketEndpoint::Result::AlreadyServed: return kExitAlreadyRunning;
    case SocketEndpoint::Result::NoPermission: return kExitNoPermission;
    case SocketEndpoint::Result::Failed: return kExitSocketFailed;
  }
  return kExitSocketFailed;
}

sigset_t stopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  return set;
}

// Forks into the background; the parent waits for the child's start-up result and exits
// with it, so the caller still sees why a start failed. Returns the pipe to report on.
int daemonise() {
  int ready[2];
  if (::pipe2(ready, O_CLOEXEC) != 0) return -1;
  pid_t child = ::fork();
  if (child < 0) return -1;
  if (child > 0) {
    ::close(ready[1]);
    unsigned char status = kExitAdapterFailed;
    ssize_t got;
    do {
      got = ::read(ready[0], &status, 1);
    } while (got < 0 && errno == EINTR);
    ::_exit(got == 1 ? status : kExitAdapterFailed);
  }
  ::close(ready[0]);
  ::setsid();
  int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (null >= 0) {
    ::dup2(null, STDIN_FILENO);
    ::close(null);
  }
  return ready[1];
}

void report(int& readyFd, int status) {
  if (readyFd < 0) return;
  unsigned char byte = static_cast<unsigned char>(status);
  if (::write(readyFd, &byte, 1) != 1) CV7_LOG_WARN("cannot report the start-up result");
  ::close(readyFd);
  readyFd = -1;
}

}  // namespace

struct Daemon::Parts {
  SocketEndpoint control, admin;
  std::unique_ptr<LinuxPlatform> platform;
  std::unique_ptr<core::Miniport> miniport;
  std::unique_ptr<FrameOutput> frames;
  std::unique_ptr<AdapterRequests> requests;
  std::unique_ptr<TapInterface> tap;
  std::unique_ptr<MulticastMonitor> monitor;
  std::unique_ptr<CardPump> pump;
  std::unique_ptr<ControlServer> server;
  std::unique_ptr<AdminServer> adminServer;
};

Daemon::Daemon(DaemonOptions options) : options_(std::move(options)), parts_(std::make_unique<Parts>()) {}
Daemon::~Daemon() = default;

std::string Daemon::chooseFirmware(const DaemonOptions& options) {
  if (options.firmwareGiven || fileExists(options.firmwarePath)) return options.firmwarePath;
#ifdef CV7_BUILD_FIRMWARE_PATH
  if (fileExists(CV7_BUILD_FIRMWARE_PATH)) return CV7_BUILD_FIRMWARE_PATH;
#endif
  return options.firmwarePath;
}

int Daemon::openSockets() {
  parts_->control.setGroup(options_.group);
  parts_->admin.setGroup(options_.group);
  auto result = parts_->control.listen(options_.socketPath, SOCK_SEQPACKET);
  if (result != SocketEndpoint::Result::Listening) {
    std::fprintf(stderr, "cv7: %s\n", parts_->control.error().c_str());
    return exitFor(result);
  }
  result = parts_->admin.listen(options_.socketPath + ".admin", SOCK_STREAM, true);
  if (result != SocketEndpoint::Result::Listening) {
    std::fprintf(stderr, "cv7: %s\n", parts_->admin.error().c_str());
    parts_->control.close();
    return exitFor(result);
  }
  return kExitOk;
}

int Daemon::startAdapter() {
  PlatformOptions platformOptions;
  platformOptions.firmwarePath = chooseFirmware(options_);
  platformOptions.realtime = options_.realtime;
  if (!options_.skyPath.empty()) {
    try {
      platformOptions.card.sky = std::make_shared<sim::Sky>(sim::loadSky(options_.skyPath));
    } catch (const std::exception& error) {
      // The parser's message starts with the sky file's name.
      std::fprintf(stderr, "cv7: sky file %s\n", error.what());
      return kExitBadConfiguration;
    }
  }
  parts_->platform = std::make_unique<LinuxPlatform>(platformOptions);
  parts_->miniport = std::make_unique<core::Miniport>(*parts_->platform);
  parts_->frames = std::make_unique<FrameOutput>(parts_->miniport.get());
  if (!options_.pcapPath.empty()) {
    std::string error;
    if (!parts_->frames->openPcap(options_.pcapPath, error)) {
      std::fprintf(stderr, "cv7: %s\n", error.c_str());
      return kExitBadConfiguration;
    }
  }
  parts_->platform->setFrameSink(parts_->frames.get());
  parts_->requests = std::make_unique<AdapterRequests>(*parts_->miniport);
  parts_->platform->setCompletionHandler([requests = parts_->requests.get()](core::Status s) { requests->completed(s); });
  parts_->platform->attach(*parts_->miniport);
  if (!core::isSuccess(parts_->miniport->driverEntry())) {
    std::fprintf(stderr, "cv7: the driver did not load\n");
    return kExitAdapterFailed;
  }
  if (!fileExists(platformOptions.firmwarePath)) {
    std::fprintf(stderr, "cv7: adapter start failed: firmware file %s not found\n", platformOptions.firmwarePath.c_str());
    return kExitAdapterFailed;
  }
  CV7_LOG_INFO("starting the adapter with firmware %s", platformOptions.firmwarePath.c_str());
  uint32_t media[] = {core::kMedium802_3};
  uint32_t selected = 0;
  core::Status status = parts_->miniport->initialize(media, 1, selected);
  if (!core::isSuccess(status)) {
    std::string cause = parts_->platform->lastFileError();
    sim::SimulatedCard& card = parts_->platform->card();
    std::string loader = card.firmwareRunning() ? "" : "; the card's loader: " + card.loaderStatus();
    std::fprintf(stderr, "cv7: adapter start failed (status 0x%08X)%s%s%s\n", status,
                 cause.empty() ? "" : "; could not read ", cause.c_str(), cause.empty() ? loader.c_str() : "");
    return kExitAdapterFailed;
  }
  adapterStarted_ = true;
  startNetworkSide();
  return kExitOk;
}

// The TAP interface with the station address, the kernel's multicast list followed onto
// the adapter, and the card running in real time. Without a TAP interface the frames are
// counted (and written to the pcap file when one is given).
void Daemon::startNetworkSide() {
  if (!options_.tapName.empty()) {
    std::string error;
    parts_->tap = TapInterface::create(options_.tapName, parts_->miniport->adapter()->permanentAddress, error);
    if (parts_->tap) {
      CV7_LOG_INFO("frames go to the TAP interface %s", parts_->tap->name().c_str());
      parts_->frames->setTap(parts_->tap.get());
      parts_->monitor = std::make_unique<MulticastMonitor>(*parts_->requests, *parts_->tap);
      parts_->monitor->start();
    } else {
      CV7_LOG_WARN("no TAP interface: %s; frames are %s", error.c_str(),
                   options_.pcapPath.empty() ? "counted only (--pcap FILE keeps them)" : "written to the pcap file");
    }
  }
  parts_->pump = std::make_unique<CardPump>(parts_->platform->card(), *parts_->miniport, parts_->tap.get(),
                                             options_.realtime);
  parts_->pump->start();
}

std::string Daemon::stats() const {
  std::ostringstream out;
  const auto& server = *parts_->server;
  auto& card = parts_->platform->card();
  const auto& control = server.connections();
  const auto& admin = parts_->adminServer->connections();
  std::vector<sim::ReceivedCommand> commands = card.receivedCommands();
  long eventQueries = std::count_if(commands.begin(), commands.end(), [](const auto& c) { return c.code == cmd::CMD_GET_EVENT; });
  out << "pid=" << ::getpid() << " requests=" << server.requests() << " malformed=" << server.malformed()
      << " connections=" << control.accepted() << " active-connections=" << control.active()
      << " refused-connections=" << control.refused() + admin.refused()
      << " dropped-connections=" << control.dropped() + admin.dropped()
      << " interrupts=" << parts_->platform->interrupts() << " timers=" << parts_->platform->timersFired()
      << " events=" << parts_->platform->events().size() << " frames=" << parts_->frames->frames()
      << " frame-bytes=" << parts_->frames->bytes() << " transfers=" << parts_->frames->transfers()
      << " tap-errors=" << parts_->frames->tapErrors() << " sent-dropped=" << (parts_->pump ? parts_->pump->framesSent() : 0)
      << " card-wakeups=" << (parts_->pump ? parts_->pump->wakeUps() : 0)
      << " multicast-lists=" << (parts_->monitor ? parts_->monitor->listsSet() : 0)
      << " multicast-groups=" << (parts_->monitor ? parts_->monitor->groups() : 0)
      << " multicast-refused=" << (parts_->monitor ? parts_->monitor->listsRefused() : 0) << receiveCounters()
      << " error-log=" << parts_->platform->errorLogEntries() << " firmware-running=" << (card.firmwareRunning() ? 1 : 0)
      << " card-commands=" << commands.size() << " card-event-queries=" << eventQueries
      << " channel-owner=" << parts_->miniport->state().channelOwner.load() << " pid-table=" << pidTable()
      << cardCounters();
  return out.str();
}

// The card's own counters of what it did not deliver, beside the driver's (when each moves:
// docs/control-device.md).
std::string Daemon::cardCounters() const {
  sim::ReceptionStats r = parts_->platform->card().receptionStats();
  const sim::DmaStats& dma = r.dma;
  std::ostringstream out;
  out << " card-datagrams=" << r.data.datagrams << " card-datagrams-refused=" << r.data.refused
      << " card-mux-dropped=" << r.mux.droppedPackets << " card-invalid-packets=" << r.demux.invalid
      << " card-continuity-errors=" << r.demux.continuityErrors << " card-duplicates=" << r.demux.duplicates
      << " card-crc-errors=" << r.demux.sections.crcErrors << " card-sections-lost=" << r.demux.sections.lost
      << " card-pes-lost=" << r.demux.pes.lost
      << " card-malformed=" << r.demux.sections.malformed + r.demux.pes.malformed
      << " card-sections-skipped=" << r.demux.sectionsSkipped << " card-oversize=" << r.demux.oversize
      << " card-entries=" << r.demux.entries << " card-filtered=" << r.filtered
      << " card-ring-full=" << dma.droppedRingFull
      << " card-dma-dropped=" << dma.droppedStopped + dma.droppedOversize + dma.droppedAtReset + dma.hostMemoryErrors
      << " card-entries-written=" << dma.entriesWritten;
  return out.str();
}

// The driver's PID table as "0x0500:3,0x0101:10" (PID and kind of each used entry), "-"
// when no entry is used.
std::string Daemon::pidTable() const {
  std::string list;
  for (const auto& entry : parts_->miniport->state().pidTable.entry) {
    if (entry.pid() == ctl::kPidFree) continue;
    char word[16];
    std::snprintf(word, sizeof word, "%s0x%04X:%u", list.empty() ? "" : ",", entry.pid(), entry.kind());
    list += word;
  }
  return list.empty() ? "-" : list;
}

// The simulated card's fault switches by name, for tests and demonstrations.
bool Daemon::setCardFault(const std::string& name, bool on) {
  sim::SimulatedCard& card = parts_->platform->card();
  if (name == "signal-lost") {
    card.setSignalLost(on);
    return true;
  }
  sim::CardFaults faults = card.faults();
  bool* field = name == "no-answer"          ? &faults.noAnswer
                : name == "wrong-first-byte" ? &faults.wrongFirstByte
                : name == "wrong-ack-code"   ? &faults.wrongAckCode
                : name == "wrong-reply-code" ? &faults.wrongReplyCode
                : name == "wrong-length"     ? &faults.wrongLength
                : name == "status-zero"      ? &faults.statusZero
                                             : nullptr;
  if (field == nullptr) return false;
  *field = on;
  card.setFaults(faults);
  return true;
}

// The receive path's counters and the adapter's information answers, as key=value words.
std::string Daemon::receiveCounters() const {
  std::ostringstream out;
  core::AdapterContext* adapter = parts_->miniport->adapter();
  if (adapter == nullptr) return "";
  const core::ReceiveStats& r = adapter->stats;
  out << " rx-mpe=" << r.entriesByKind[3].load() << " rx-stream=" << r.entriesByKind[5].load()
      << " rx-raw=" << r.entriesByKind[10].load() + r.entriesByKind[11].load() + r.entriesByKind[12].load()
      << " indicated=" << r.framesIndicated.load() << " dropped-scrambled=" << r.droppedScrambled.load()
      << " dropped-no-ip=" << r.droppedNoIpHeader.load() << " dropped-too-long=" << r.droppedTooLong.load()
      << " dropped-short=" << r.droppedShort.load() << " dropped-corrupt=" << r.droppedCorrupt.load()
      << " dropped-unrecognised=" << r.droppedUnrecognised.load() << " dropped-resync=" << r.droppedResync.load()
      << " resyncs=" << r.resynchronisations.load() << " dropped-ring-full=" << r.droppedDataRingFull.load()
      << " records=" << r.recordsStored.load() << " fillers=" << r.fillerEntries.load()
      << " card-events=" << r.cardEvents.load()
      << " card-events-at-reset=" << parts_->miniport->state().cardEventsAtReset.load();
  auto word = [&](uint32_t oid) -> long long {
    uint32_t value = 0, written = 0, needed = 0;
    return parts_->requests->query(oid, &value, 4, written, needed) == core::NDIS_STATUS_SUCCESS ? value : -1;
  };
  out << " link-speed=" << word(core::oid::GEN_LINK_SPEED) << " max-lookahead=" << word(core::oid::GEN_MAXIMUM_LOOKAHEAD)
      << " max-list=" << word(core::oid::E802_3_MAXIMUM_LIST_SIZE) << " packet-filter=" << adapter->packetFilter.load()
      << " multicast-count=" << adapter->multicastCount.load();
  return out.str();
}

void Daemon::serveUntilSignal() {
  parts_->server = std::make_unique<ControlServer>(*parts_->miniport, options_.maxConnections);
  AdminServer::Handlers handlers;
  handlers.cardEvent = [this](unsigned code) {
    parts_->platform->card().raiseCardEvent(uint8_t(code));
    return true;
  };
  handlers.multicastList = [this](const std::vector<uint8_t>& addresses) {
    uint32_t read = 0, needed = 0;
    core::Status status = parts_->requests->set(core::oid::E802_3_MULTICAST_LIST, addresses.data(),
                                                uint32_t(addresses.size()), read, needed);
    return core::isSuccess(status);
  };
  handlers.stats = [this] { return stats(); };
  handlers.fault = [this](const std::string& name, bool on) { return setCardFault(name, on); };
  parts_->adminServer = std::make_unique<AdminServer>(handlers);
  parts_->server->start(parts_->control.fd());
  parts_->adminServer->start(parts_->admin.fd());
}

void Daemon::shutDown() {
  if (parts_->server) parts_->server->stop();
  if (parts_->adminServer) parts_->adminServer->stop();
  if (parts_->monitor) parts_->monitor->stop();
  if (parts_->pump) parts_->pump->stop();
  if (adapterStarted_) parts_->miniport->halt();
  adapterStarted_ = false;
  if (parts_->platform) parts_->platform->detach();
  if (parts_->frames) parts_->frames->setTap(nullptr);
  parts_->tap.reset();
  parts_->control.close();
  parts_->admin.close();
}

int Daemon::run() {
  Log::setLevel(options_.logLevel);
  ::signal(SIGPIPE, SIG_IGN);
  sigset_t signals = stopSignals();
  // Every thread inherits the blocked stop signals; only the main thread takes them.
  ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  int status = openSockets();
  if (status != kExitOk) return status;
  int readyFd = options_.foreground ? -1 : daemonise();
  status = startAdapter();
  if (status != kExitOk) {
    shutDown();
    report(readyFd, status);
    return status;
  }
  serveUntilSignal();
  CV7_LOG_INFO("serving %s", options_.socketPath.c_str());
  report(readyFd, kExitOk);
  // A service manager that started the daemon (NOTIFY_SOCKET) learns that the adapter runs
  // and the socket is served; without one this does nothing.
  ::sd_notifyf(0, "READY=1\nSTATUS=serving %s", options_.socketPath.c_str());
  int received = 0;
  while (::sigwait(&signals, &received) != 0) {
  }
  CV7_LOG_INFO("stopping on signal %d", received);
  ::sd_notify(0, "STOPPING=1");
  shutDown();
  return kExitOk;
}

}  // namespace cv7::host
