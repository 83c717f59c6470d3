// The simulated PCI card: configuration space, main registers, the mailbox with the card's
// loader and firmware behind it, and (later) the DMA engine and the tuner.
//
// A device model in the manner of an emulator: every register access is handled
// synchronously under the model's lock, like a bus transaction. Time-dependent behaviour
// (a slow card, the loader's start-up) is judged against the injected Clock when the host
// reads, so no thread polls registers.
#pragma once
#include <array>
#include <functional>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Clock.h"
#include "FirmwareState.h"
#include "HostInterfaces.h"
#include "ts/CardReceiver.h"

namespace cv7::sim {

class Sky;

struct CardConfig {
  uint32_t slot = 3;                    // PCI slot (the driver searches 0..9)
  uint64_t memoryBase = 0xFE000000;     // physical start of the memory range
  uint32_t memoryLength = 0x100000;     // main registers and the mailbox window at +0x80000
  uint8_t interruptLevel = 11;
  std::array<uint8_t, 6> macAddress{0x00, 0x00, 0x5F, 0x63, 0x6A, 0x01};
  // true: the card powers up with its firmware already running (for tests of the command
  // channel that skip the download). The firmware version is then firmwareVersion.
  bool firmwareRunning = false;
  std::array<uint8_t, 2> firmwareVersion{1, 0};
  // The sky the card's dishes look at; null = the four default satellites.
  std::shared_ptr<const Sky> sky;
};

// Fault switches, so every failure path of the driver can be driven.
struct CardFaults {
  // Firmware (command channel)
  bool noAnswer = false;                 // the firmware never moves the handshake
  uint32_t answerDelayMicroseconds = 0;  // a slow card: each handshake step shows only after this delay
  bool wrongFirstByte = false;           // acknowledgement starts with a byte other than 0x01
  bool wrongAckCode = false;             // acknowledgement names another command code
  bool wrongReplyCode = false;           // data frame carries another reply code
  bool wrongLength = false;              // data frame announces one byte more than it carries
  bool statusZero = false;               // acknowledgement status 0 (command refused)
  // Loader (firmware download)
  bool loaderIgnoresFirstSync = false;   // never answers the first sync byte
  bool loaderNeverIdleAfterFinal = false;// never shows 0xF after the final 0 byte
  bool loaderStopsMidImage = false;      // stops taking bytes half-way through the image
};

// One command frame as the card received it.
struct ReceivedCommand {
  uint8_t code = 0;
  uint16_t declaredLength = 0;           // P as sent by the host
  std::vector<uint8_t> parameters;       // the parameter bytes in wire order
};

// Counters of the card model: bad accesses are counted, never fatal.
struct CardStats {
  uint64_t badAccesses = 0;            // unknown or misaligned offset, write to a read-only register
  uint32_t lastBadOffset = 0;
  bool lastBadWasWrite = false;
  uint64_t ignoredHandshakeWrites = 0; // MailboxControl writes that fit no protocol step
  uint64_t channelResets = 0;
  uint64_t commands = 0;               // complete command frames taken by the firmware
  uint64_t refusedCommands = 0;        // acknowledged with status 0
  uint64_t unmarkedFrames = 0;         // frames whose command byte was not marked (bit 6)
  uint64_t hostAcks = 0;
  uint64_t malformedHostAcks = 0;
};

class SimulatedCard {
 public:
  SimulatedCard(const CardConfig& config, Clock& clock, HostMemory& memory, InterruptLine& irq);
  ~SimulatedCard();
  SimulatedCard(const SimulatedCard&) = delete;
  SimulatedCard& operator=(const SimulatedCard&) = delete;

  const CardConfig& config() const;

  // ---- PCI ----
  // The 256 bytes of configuration space (vendor 0x11D1, device 0x01F8, BAR0, interrupt line).
  std::array<uint8_t, 256> configSpace() const;

  // ---- Memory range: 32-bit accesses at a byte offset from its start ----
  uint32_t mmioRead(uint32_t offset);
  void mmioWrite(uint32_t offset, uint32_t value);

  // ---- Faults and diagnostics ----
  void setFaults(const CardFaults& faults);
  CardFaults faults() const;
  bool firmwareRunning() const;
  // Every command frame since start (the newest 4096), in order.
  std::vector<ReceivedCommand> receivedCommands() const;
  void clearReceivedCommands();
  // Replaces the next program-table reply payload (command 13) with these bytes, as sent.
  void setProgramTablePayload(std::vector<uint8_t> payload);
  // The four tuner-information reply bytes (command 9) the firmware answers with.
  void setTunerInfoReply(std::array<uint8_t, 4> reply);
  // Raises the card event: the mailbox interrupt with this event code for command 19.
  void raiseCardEvent(uint8_t eventCode);
  // The card's multicast list as the last command 16 set it.
  std::vector<std::array<uint8_t, 6>> multicastList() const;

  // Power-on reset: registers from their reset values, the loader waiting for a download
  // (or the firmware running again when CardConfig::firmwareRunning), no interrupt.
  void reset();
  // What the firmware keeps from the commands it received, and its query answers.
  FirmwareState firmwareState() const;
  // Changes what the firmware keeps or answers (query answers, search flag), under the card's
  // lock; `change` must not access the card.
  void updateFirmwareState(const std::function<void(FirmwareState&)>& change);
  CardStats stats() const;
  // The loader's progress: "waiting for sync", "receiving image", "booting", "running",
  // or "refused: <reason>".
  std::string loaderStatus() const;
  // Where the card reports what it refuses (bad register accesses, a refused image). Called
  // with the card's lock held: the sink must not access the card.
  void setLogSink(std::function<void(const std::string&)> sink);

  // ---- Reception ----
  static constexpr uint64_t kNever = UINT64_MAX;
  // Runs the card up to the clock's time: the tuner's acquisition, the tuned multiplex
  // through the demultiplexer into the DMA engine. Returns when, on the card's clock, it
  // next has work of its own: kNever while no multiplex runs and no lock is due (nothing
  // tuned, or tuned where nothing locks); the lock's time while the tuner acquires; while a
  // multiplex runs, the time it takes to carry 32 packets (a quarter of the host ring's
  // blocks at one block a packet), 1 ms at most. The daemon sleeps until then; tests call
  // it after stepping their clock.
  uint64_t advance();
  // Called, under the card's lock, when the card gets work before the time advance() last
  // returned (a tune, the signal's return, a reset). It must only wake whoever calls
  // advance(), never access the card.
  void setWakeHandler(std::function<void()> wake);
  // Fault: the signal vanishes (true) or comes back (false, with a new acquisition).
  void setSignalLost(bool lost);
  // Multi-line text of the tuner, multiplex, demultiplexer and DMA counters.
  std::string receptionDiagnostics() const;
  // The receive side's counters (docs/transport-stream.md says when each moves).
  ReceptionStats receptionStats() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace cv7::sim
