// The firmware's command channel: assembles the host's command frames byte by byte,
// executes each complete frame against the firmware state and builds the answer
// (acknowledgement, and for queries a data frame), then takes the host's acknowledgement.
#pragma once
#include "CardHardware.h"
#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "FirmwareState.h"
#include "MailboxPeer.h"
#include "SimulatedCard.h"

namespace cv7::sim {

class FirmwareCommands final : public MailboxPeer {
 public:
  static constexpr size_t kMaxParameters = 1024;  // longer frames are taken but refused
  static constexpr size_t kMaxRecorded = 4096;    // the record keeps the newest frames

  struct Stats {
    uint64_t commands = 0;          // complete command frames
    uint64_t refused = 0;           // unknown code or wrong parameter length (status 0)
    uint64_t unmarkedFrames = 0;    // a byte after the code byte arrived without the command mark
    uint64_t hostAcks = 0;
    uint64_t malformedHostAcks = 0;
  };

  FirmwareCommands(const CardFaults& faults, std::array<uint8_t, 6> mac);

  void reset(std::array<uint8_t, 2> version);  // firmware start

  // ---- MailboxPeer ----
  AnswerDelay hostByte(uint8_t byte, bool marked, uint64_t now) override;
  std::optional<MailboxReply> replyRequested() override;
  AnswerDelay replyDelay() const override;
  void endOfReplyAcknowledged() override;
  void channelReset() override;
  bool awaitingCommandMark() const override { return expect_ == Expect::LengthHigh; }

  // ---- Owner's side ----
  // The tuner, demultiplexer and search the commands drive (may be null).
  void setHardware(CardHardware* hardware) { hardware_ = hardware; }
  void queueEvent(uint8_t code);
  // True once after an event became pending that the host has not fetched yet.
  bool takeInterruptRequest();
  void setProgramTablePayload(std::vector<uint8_t> payload) { programTableOverride_ = std::move(payload); }
  FirmwareState& state() { return state_; }
  const FirmwareState& state() const { return state_; }
  std::vector<ReceivedCommand> received() const { return {received_.begin(), received_.end()}; }
  void clearReceived() { received_.clear(); }
  const Stats& stats() const { return stats_; }

 private:
  enum class Expect { Code, LengthHigh, LengthLow, Parameters, Reply, HostAck };

  AnswerDelay delay() const;
  void frameComplete();
  // Carries out the command; returns false to refuse it (status 0). `data` receives the
  // data frame payload of a query.
  bool execute(const ReceivedCommand& frame, std::vector<uint8_t>& data);
  bool executeSetting(const ReceivedCommand& frame);
  bool executeQuery(uint8_t code, std::vector<uint8_t>& data);
  void setNetworkPid(const std::vector<uint8_t>& p, bool add);
  bool setMulticastList(const ReceivedCommand& frame);
  void buildReply(uint8_t code, bool accepted, bool query, const std::vector<uint8_t>& data);
  void checkHostAck();

  const CardFaults& faults_;
  CardHardware* hardware_ = nullptr;
  std::array<uint8_t, 6> mac_;
  FirmwareState state_;
  Expect expect_ = Expect::Code;
  ReceivedCommand frame_;
  uint16_t parameterCount_ = 0;
  std::optional<MailboxReply> reply_;
  uint8_t expectedHostAckCode_ = 0;
  std::vector<uint8_t> hostAck_;
  std::deque<uint8_t> events_;
  bool interruptRequest_ = false;
  std::optional<std::vector<uint8_t>> programTableOverride_;
  std::deque<ReceivedCommand> received_;
  Stats stats_;
};

}  // namespace cv7::sim
