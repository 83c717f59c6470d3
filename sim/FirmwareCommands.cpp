#include "FirmwareCommands.h"

#include <algorithm>
#include <utility>

#include "CommandCodes.h"
#include "ProgramTableReply.h"

namespace cv7::sim {

using namespace cv7::cmd;

namespace {

// Parameter length P of each command 2..26 (16: 6n + 1, checked separately).
constexpr int kParameterLength[27] = {
    -1, -1, 17, 12, 12, 9, 9, 4, 0, 0, 0, 0, 0, 0, 0, 3, -2, 0, 1, 0, 0, 1, 1, 2, 0, 0, 0};

uint16_t be16(const std::vector<uint8_t>& p, size_t at) { return uint16_t(p[at] << 8 | p[at + 1]); }
uint32_t be32(const std::vector<uint8_t>& p, size_t at) { return uint32_t(be16(p, at)) << 16 | be16(p, at + 2); }
void put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(uint8_t(v >> 8));
  out.push_back(uint8_t(v));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, uint16_t(v >> 16));
  put16(out, uint16_t(v));
}

// Reply data code of a query, 0 for a command without reply data.
uint8_t replyCodeOf(uint8_t code) {
  switch (code) {
    case CMD_GET_MAC_ADDRESS: return REPLY_MAC_ADDRESS;
    case CMD_GET_TUNER_INFO: return REPLY_TUNER_INFO;
    case CMD_GET_VIDEO_MODE: return REPLY_VIDEO_MODE;
    case CMD_GET_STATUS_BYTE: return REPLY_STATUS_BYTE;
    case CMD_GET_PROGRAM_TABLE: return REPLY_PROGRAM_TABLE;
    case CMD_QUERY_3BYTES: return REPLY_3BYTES;
    case CMD_QUERY_2DWORDS: return REPLY_2DWORDS;
    case CMD_GET_EVENT: return REPLY_EVENT;
    case CMD_GET_FIRMWARE_VERSION: return REPLY_FIRMWARE_VERSION;
    case CMD_GET_SEARCH_STATUS: return REPLY_SEARCH_STATUS;
    default: return 0;
  }
}

bool lengthFits(uint8_t code, uint16_t length) {
  if (code < kFirstCommand || code > kLastCommand) return false;
  int expected = kParameterLength[code];
  if (expected == -2) return length >= 1 && (length - 1) % 6 == 0;
  return expected == int(length);
}

}  // namespace

FirmwareCommands::FirmwareCommands(const CardFaults& faults, std::array<uint8_t, 6> mac) : faults_(faults), mac_(mac) {}

void FirmwareCommands::reset(std::array<uint8_t, 2> version) {
  FirmwareState fresh;
  fresh.tunerInfo = state_.tunerInfo;  // what the owner configured survives a restart
  fresh.version = version;
  state_ = fresh;
  expect_ = Expect::Code;
  reply_.reset();
  events_.clear();
  interruptRequest_ = false;
}

AnswerDelay FirmwareCommands::delay() const {
  if (faults_.noAnswer) return std::nullopt;
  return uint64_t(faults_.answerDelayMicroseconds);
}

AnswerDelay FirmwareCommands::replyDelay() const { return delay(); }

void FirmwareCommands::channelReset() {
  expect_ = Expect::Code;
  reply_.reset();
  hostAck_.clear();
}

void FirmwareCommands::endOfReplyAcknowledged() {
  expect_ = Expect::HostAck;
  hostAck_.clear();
}

AnswerDelay FirmwareCommands::hostByte(uint8_t byte, bool marked, uint64_t) {
  AnswerDelay answer = delay();
  if (!answer) return answer;  // a dead firmware takes nothing
  switch (expect_) {
    case Expect::Reply:  // the host did not ask for the reply: a new frame begins
    case Expect::Code:
      reply_.reset();
      frame_ = {byte, 0, {}};
      parameterCount_ = 0;
      expect_ = Expect::LengthHigh;
      break;
    case Expect::LengthHigh:
      if (!marked) {
        // No mark after the code byte: that byte was abandoned, this one begins a new frame.
        ++stats_.unmarkedFrames;
        frame_ = {byte, 0, {}};
        break;
      }
      frame_.declaredLength = uint16_t(byte << 8);
      expect_ = Expect::LengthLow;
      break;
    case Expect::LengthLow:
      frame_.declaredLength = uint16_t(frame_.declaredLength | byte);
      if (frame_.declaredLength == 0) frameComplete();
      else expect_ = Expect::Parameters;
      break;
    case Expect::Parameters:
      if (frame_.parameters.size() < kMaxParameters) frame_.parameters.push_back(byte);
      if (++parameterCount_ == frame_.declaredLength) frameComplete();
      break;
    case Expect::HostAck:
      hostAck_.push_back(byte);
      if (hostAck_.size() == 5) checkHostAck();
      break;
  }
  return answer;
}

std::optional<MailboxReply> FirmwareCommands::replyRequested() {
  if (expect_ != Expect::Reply || !reply_) return std::nullopt;
  auto reply = std::move(reply_);
  reply_.reset();
  expect_ = Expect::Code;  // after the reply: the host acknowledgement or a new frame
  return reply;
}

void FirmwareCommands::checkHostAck() {
  ++stats_.hostAcks;
  std::vector<uint8_t> expected{kFrameStart, 0, uint8_t(kAckLength), expectedHostAckCode_, 0x01};
  if (hostAck_ != expected) ++stats_.malformedHostAcks;
  hostAck_.clear();
  expect_ = Expect::Code;
}

void FirmwareCommands::frameComplete() {
  ++stats_.commands;
  received_.push_back(frame_);
  if (received_.size() > kMaxRecorded) received_.pop_front();
  uint8_t code = frame_.code;
  bool query = replyCodeOf(code) != 0;
  std::vector<uint8_t> data;
  bool accepted = !faults_.statusZero && lengthFits(code, frame_.declaredLength) &&
                  frame_.parameters.size() == frame_.declaredLength && execute(frame_, data);
  if (!accepted) ++stats_.refused;
  buildReply(code, accepted, query, data);
  expect_ = Expect::Reply;
}

void FirmwareCommands::buildReply(uint8_t code, bool accepted, bool query, const std::vector<uint8_t>& data) {
  MailboxReply reply;
  reply.bytes = {faults_.wrongFirstByte ? uint8_t(0x02) : kFrameStart, 0, uint8_t(kAckLength),
                 faults_.wrongAckCode ? uint8_t(code + 1) : code, accepted ? uint8_t(1) : uint8_t(0)};
  if (accepted && query) {
    uint8_t replyCode = replyCodeOf(code);
    expectedHostAckCode_ = replyCode;
    reply.bytes.push_back(faults_.wrongReplyCode ? uint8_t(replyCode ^ 0x80) : replyCode);
    put16(reply.bytes, uint16_t(data.size() + (faults_.wrongLength ? 1 : 0)));
    reply.bytes.insert(reply.bytes.end(), data.begin(), data.end());
    reply.endsWithDataFrame = true;
  }
  reply_ = std::move(reply);
}

bool FirmwareCommands::execute(const ReceivedCommand& frame, std::vector<uint8_t>& data) {
  uint8_t code = replyCodeOf(frame.code);
  if (code != 0) return executeQuery(frame.code, data);
  return executeSetting(frame);
}

bool FirmwareCommands::executeSetting(const ReceivedCommand& frame) {
  const std::vector<uint8_t>& p = frame.parameters;
  switch (frame.code) {
    case CMD_TUNE:
      state_.tune = {be32(p, 0), be32(p, 4), be32(p, 8), p[12], p[13], p[14], p[15], p[16]};
      ++state_.tuneCount;
      if (hardware_) hardware_->tune(state_.tune);
      return true;
    case CMD_SET_CHANNEL:
      for (size_t i = 0; i < 6; ++i) state_.channel[i] = be16(p, 2 * i);
      state_.channelRunning = true;
      return true;
    case CMD_STOP_CHANNEL:
      for (size_t i = 0; i < 6; ++i) state_.stoppedChannel[i] = be16(p, 2 * i);
      state_.channelRunning = false;
      return true;
    case CMD_SET_NETWORK_PID:
      if (state_.networkPids.size() >= FirmwareState::kMaxNetworkPids) return false;
      if (hardware_ && !hardware_->setNetworkPid(be16(p, 1), p[0])) return false;
      setNetworkPid(p, true);
      return true;
    case CMD_RELEASE_NETWORK_PID:
      if (hardware_) hardware_->releaseNetworkPid(be16(p, 1));
      setNetworkPid(p, false);
      return true;
    case CMD_SET_IP_ADDRESS: std::copy(p.begin(), p.begin() + 4, state_.ipAddress.begin()); return true;
    case CMD_SEARCH_CANCEL:
      state_.searchRunning = false;
      ++state_.searchesCancelled;
      if (hardware_) hardware_->cancelSearch();
      return true;
    case CMD_SET_AUDIO_CONTROL: std::copy(p.begin(), p.begin() + 3, state_.audioControl.begin()); return true;
    case CMD_SET_MULTICAST_LIST: return setMulticastList(frame);
    case CMD_SET_FILTER_MODE: state_.filterMode = p[0]; return true;
    case CMD_OPEN_CLIENT: state_.openClients.insert(p[0]); return true;
    case CMD_CLOSE_CLIENT: state_.openClients.erase(p[0]); return true;
    case CMD_SET_AUDIO_PID: state_.audioPid = be16(p, 0); return true;
    case CMD_RELEASE_ALL_PIDS:
      state_.networkPids.clear();
      if (hardware_) hardware_->releaseAllPids();
      return true;
    case CMD_START_SEARCH:
      state_.searchRunning = true;
      ++state_.searchesStarted;
      if (hardware_) {
        state_.searchFinished = 0;
        hardware_->startSearch();
      }
      return true;
    default: return false;
  }
}

void FirmwareCommands::setNetworkPid(const std::vector<uint8_t>& p, bool add) {
  NetworkPid entry{be16(p, 1), p[0], be16(p, 3), be16(p, 5), be16(p, 7)};
  auto& pids = state_.networkPids;
  pids.erase(std::remove_if(pids.begin(), pids.end(),
                            [&](const NetworkPid& e) { return e.pid == entry.pid && e.kind == entry.kind; }),
             pids.end());
  if (add) pids.push_back(entry);
}

bool FirmwareCommands::setMulticastList(const ReceivedCommand& frame) {
  const std::vector<uint8_t>& p = frame.parameters;
  size_t count = p[0];
  if (count > FirmwareState::kMaxMulticast || p.size() != 6 * count + 1) return false;
  state_.multicastList.clear();
  for (size_t i = 0; i < count; ++i) {
    std::array<uint8_t, 6> address{};
    std::copy(p.begin() + 1 + 6 * i, p.begin() + 7 + 6 * i, address.begin());
    state_.multicastList.push_back(address);
  }
  return true;
}

bool FirmwareCommands::executeQuery(uint8_t code, std::vector<uint8_t>& data) {
  switch (code) {
    case CMD_GET_MAC_ADDRESS: data.assign(mac_.begin(), mac_.end()); return true;
    case CMD_GET_TUNER_INFO: {
      auto info = hardware_ ? hardware_->tunerInfo() : state_.tunerInfo;
      data.assign(info.begin(), info.end());
      return true;
    }
    case CMD_GET_VIDEO_MODE: data = {state_.videoMode}; return true;
    case CMD_GET_STATUS_BYTE: data = {state_.statusByte}; return true;
    case CMD_GET_PROGRAM_TABLE:
      data = programTableOverride_ ? std::move(*programTableOverride_)
             : hardware_             ? hardware_->programTable()
                                     : ProgramTableReply::builtIn().encode();
      programTableOverride_.reset();
      return true;
    case CMD_QUERY_3BYTES: data.assign(state_.threeBytes.begin(), state_.threeBytes.end()); return true;
    case CMD_QUERY_2DWORDS:
      put32(data, state_.twoDwords[0]);
      put32(data, state_.twoDwords[1]);
      return true;
    case CMD_GET_EVENT:
      state_.lastEvent = events_.empty() ? 0 : events_.front();
      if (!events_.empty()) events_.pop_front();
      if (!events_.empty()) interruptRequest_ = true;  // signal the next one
      data = {state_.lastEvent};
      return true;
    case CMD_GET_FIRMWARE_VERSION: data.assign(state_.version.begin(), state_.version.end()); return true;
    case CMD_GET_SEARCH_STATUS:
      if (hardware_ && state_.searchRunning && hardware_->searchFinished()) {
        state_.searchRunning = false;
        state_.searchFinished = 1;
      }
      data = {state_.searchFinished};
      return true;
    default: return false;
  }
}

void FirmwareCommands::queueEvent(uint8_t code) {
  events_.push_back(code);
  interruptRequest_ = true;
}

bool FirmwareCommands::takeInterruptRequest() { return std::exchange(interruptRequest_, false); }

}  // namespace cv7::sim
