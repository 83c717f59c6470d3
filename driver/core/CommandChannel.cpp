#include "CommandChannel.h"

#include <cstring>

#include "AdapterContext.h"
#include "CardEvents.h"
#include "CommandCodes.h"
#include "CommandFrames.h"
#include "CommandTable.h"
#include "ControlCodes.h"
#include "FrameReader.h"
#include "LittleEndian.h"
#include "Mailbox.h"
#include "ProgramTableParser.h"

namespace cv7::core {

namespace {

constexpr uint32_t kTakePauses = 2001;
constexpr uint32_t kTakePauseMicroseconds = 150;
constexpr uint32_t kStationAddressBytes = 6;

bool putField(Mailbox& mailbox, const uint8_t* block, CommandField field) {
  const uint8_t* at = block + field.offset;
  if (field.width == 4) return mailbox.put32(le::load32(at));
  if (field.width == 2) return mailbox.put16(le::load16(at));
  return mailbox.putByte(*at);
}

bool getField(FrameReader& reader, uint8_t* block, CommandField field) {
  uint8_t* at = block + field.offset;
  if (field.width == 4) le::store32(at, reader.u32());
  else if (field.width == 2) le::store16(at, reader.u16());
  else *at = reader.u8();
  return !reader.failed();
}

// The first tuner byte carries four indicator bits and a 4-bit count.
void splitTunerInfo(uint8_t* block) {
  uint8_t raw[4];
  std::memcpy(raw, block + 8, 4);
  for (int bit = 0; bit < 4; ++bit) block[8 + bit] = (raw[0] >> (7 - bit)) & 1;
  block[12] = raw[0] & 0x0F;
  std::memcpy(block + 13, raw + 1, 3);
}

bool sendCommandFrame(Mailbox& mailbox, const CommandSpec& spec, const uint8_t* block) {
  CommandFrames frames(mailbox);
  if (!frames.beginCommand(spec.code, spec.parameterLength())) return false;
  for (uint8_t i = 0; i < spec.parameterCount; ++i) {
    if (!putField(mailbox, block, spec.parameters[i])) return false;
  }
  return frames.endCommand();
}

// A data frame of another reply code is read to its end but not stored: its layout is not
// the block's. The card then takes the host acknowledgement as usual.
bool skipFrame(Mailbox& mailbox, uint16_t length) {
  FrameReader reader(mailbox, length);
  while (!reader.complete() && !reader.failed()) reader.u8();
  return reader.complete();
}

// Reads the data frame of a query into the block: 1, 0 or 3 (another reply code).
uint16_t readReply(Mailbox& mailbox, const CommandSpec& spec, uint8_t* block) {
  uint8_t code = 0;
  uint16_t length = 0;
  if (!mailbox.getByte(code) || !mailbox.get16(length)) return ctl::kResultFailure;
  if (code != spec.replyCode) return skipFrame(mailbox, length) ? ctl::kResultOtherReply : ctl::kResultFailure;
  if (length != spec.replyLength()) return ctl::kResultFailure;
  FrameReader reader(mailbox, length);
  for (uint8_t i = 0; i < spec.replyFieldCount; ++i) {
    if (!getField(reader, block, spec.replyFields[i])) return ctl::kResultFailure;
  }
  if (spec.reply == CommandSpec::Reply::TunerInfo) splitTunerInfo(block);
  return ctl::kResultSuccess;
}

uint16_t runCommand(Mailbox& mailbox, uint8_t* block) {
  const CommandSpec* spec = CommandTable::find(block[ctl::kCommandCodeOffset]);
  if (!spec) return ctl::kResultFailure;
  CommandFrames frames(mailbox);
  if (!sendCommandFrame(mailbox, *spec, block) || !frames.readAcknowledgement(spec->code)) return ctl::kResultFailure;
  if (spec->reply == CommandSpec::Reply::None) return ctl::kResultSuccess;
  uint16_t result = readReply(mailbox, *spec, block);
  if (result == ctl::kResultFailure) return result;
  bool acknowledged = frames.sendHostAcknowledgement(spec->replyCode);
  if (spec->hostAckDecides) return acknowledged ? ctl::kResultSuccess : ctl::kResultFailure;
  return result;
}

// Data frame 0x67 into the zeroed table: 1, 0 or 3 (another reply code, seen before the length).
uint16_t readProgramTableFrame(Mailbox& mailbox, uint8_t* table) {
  uint8_t code = 0;
  uint16_t length = 0;
  if (!mailbox.getByte(code)) return ctl::kResultFailure;
  if (code != cmd::REPLY_PROGRAM_TABLE) return ctl::kResultOtherReply;
  if (!mailbox.get16(length)) return ctl::kResultFailure;
  FrameReader reader(mailbox, length);
  return ProgramTableParser(reader, table).parse() ? ctl::kResultSuccess : ctl::kResultFailure;
}

uint16_t runProgramTable(Mailbox& mailbox, uint8_t* table) {
  CommandFrames frames(mailbox);
  if (!frames.beginCommand(cmd::CMD_GET_PROGRAM_TABLE, 0) || !frames.endCommand() ||
      !frames.readAcknowledgement(cmd::CMD_GET_PROGRAM_TABLE))
    return ctl::kResultFailure;
  if (readProgramTableFrame(mailbox, table) == ctl::kResultFailure) return ctl::kResultFailure;
  // The host acknowledgement decides the table's result.
  return frames.sendHostAcknowledgement(cmd::REPLY_PROGRAM_TABLE) ? ctl::kResultSuccess : ctl::kResultFailure;
}

bool exchangeStationAddress(Mailbox& mailbox, std::array<uint8_t, 6>& address) {
  CommandFrames frames(mailbox);
  uint8_t code = 0;
  uint16_t count = 0;
  if (!frames.beginCommand(cmd::CMD_GET_MAC_ADDRESS, 0) || !frames.endCommand()) return false;
  if (!frames.readAcknowledgement(cmd::CMD_GET_MAC_ADDRESS, false)) return false;
  if (!mailbox.getByte(code) || code != cmd::REPLY_MAC_ADDRESS) return false;
  if (!mailbox.get16(count) || count < kStationAddressBytes) return false;
  // A longer address reply is read to its end; only six bytes have room.
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t byte = 0;
    if (!mailbox.getByte(byte)) return false;
    if (i < kStationAddressBytes) address[i] = byte;
  }
  return frames.sendHostAcknowledgement(cmd::REPLY_MAC_ADDRESS);
}

bool exchangeMulticastList(Mailbox& mailbox, const std::array<uint8_t, 6>* list, uint32_t count) {
  CommandFrames frames(mailbox);
  if (!frames.beginCommand(cmd::CMD_SET_MULTICAST_LIST, uint16_t(6 * count + 1))) return false;
  if (!mailbox.putByte(uint8_t(count))) return false;
  for (uint32_t i = 0; i < count; ++i) {
    for (uint8_t byte : list[i]) {
      if (!mailbox.putByte(byte)) return false;
    }
  }
  return frames.endCommand() && frames.readAcknowledgement(cmd::CMD_SET_MULTICAST_LIST, false);
}

// The driver's own commands wait for a free channel, but never for themselves (owner 5).
bool takeChannel(Platform& platform, DriverState& state) {
  uint32_t pauses = 0;
  for (;;) {
    uint32_t owner = 0;
    if (state.channelOwner.compare_exchange_strong(owner, kDriverChannelOwner)) return true;
    if (owner == kDriverChannelOwner || pauses == kTakePauses) return false;
    platform.stallMicroseconds(kTakePauseMicroseconds);
    ++pauses;
  }
}

}  // namespace

void CommandChannel::relay(uint8_t* block) {
  uint16_t result = ctl::kResultFailure;
  if (RegisterWindow* window = state_.registers.load()) {
    Mailbox mailbox(platform_, *window, &state_.mailboxControlLock);
    mailbox.setIdleBits();
    mailbox.resetChannel();
    result = runCommand(mailbox, block);
    passOnCardEvents(mailbox, block[ctl::kCommandCodeOffset] != cmd::CMD_GET_EVENT);
  }
  le::store16(block + ctl::kCommandResultOffset, result);
  state_.channelOwner.store(0);
}

void CommandChannel::readProgramTable(uint8_t* table) {
  std::memset(table, 0, ctl::kProgramTableSize);
  uint16_t result = ctl::kResultFailure;
  if (RegisterWindow* window = state_.registers.load()) {
    Mailbox mailbox(platform_, *window, &state_.mailboxControlLock);
    mailbox.setIdleBits();
    mailbox.resetChannel();
    result = runProgramTable(mailbox, table);
    passOnCardEvents(mailbox, true);
  }
  le::store16(table + ctl::kTableResult, result);
  state_.channelOwner.store(0);
}

bool CommandChannel::readStationAddress(std::array<uint8_t, 6>& address) {
  RegisterWindow* window = state_.registers.load();
  if (!window || !takeChannel(platform_, state_)) return false;
  Mailbox mailbox(platform_, *window, &state_.mailboxControlLock);
  mailbox.setIdleBits();
  std::array<uint8_t, 6> received{};
  bool ok = exchangeStationAddress(mailbox, received);
  if (ok) address = received;
  passOnCardEvents(mailbox, true);
  state_.channelOwner.store(0);
  return ok;
}

bool CommandChannel::setMulticastList(const std::array<uint8_t, 6>* list, uint32_t count) {
  RegisterWindow* window = state_.registers.load();
  if (!window || count > kMaxMulticastList || (count > 0 && !list) || !takeChannel(platform_, state_)) return false;
  Mailbox mailbox(platform_, *window, &state_.mailboxControlLock);
  mailbox.setIdleBits();
  bool ok = exchangeMulticastList(mailbox, list, count);
  passOnCardEvents(mailbox, true);
  state_.channelOwner.store(0);
  return ok;
}

bool CommandChannel::releaseNetworkPid(uint16_t pid, uint8_t kind) {
  RegisterWindow* window = state_.registers.load();
  if (!window || !takeChannel(platform_, state_)) return false;
  uint8_t block[ctl::kCommandBlockSize] = {};
  block[ctl::kCommandCodeOffset] = cmd::CMD_RELEASE_NETWORK_PID;
  le::store16(block + ctl::kCommandParamOffset, pid);      // the request's DataPID
  block[ctl::kCommandParamOffset + 2] = kind;              // and its Encapsulation
  Mailbox mailbox(platform_, *window, &state_.mailboxControlLock);
  mailbox.setIdleBits();
  mailbox.resetChannel();
  bool ok = runCommand(mailbox, block) == ctl::kResultSuccess;
  passOnCardEvents(mailbox, true);
  state_.channelOwner.store(0);
  return ok;
}

// Every exchange starts with reset-channel, whose fixed value 0x0F also clears the card's
// interrupt. One found pending just before is counted; one the card raises between that read
// and the write cannot be seen at all. The card keeps an event's code until command 19
// fetches it, so after any other exchange the clients are told to ask: a card with nothing
// queued answers 0, which they ignore. Command 19 itself needs no such word: it fetches the
// oldest queued event, and the card raises its interrupt again while more are queued.
void CommandChannel::passOnCardEvents(const Mailbox& mailbox, bool tellClients) {
  state_.cardEventsAtReset.fetch_add(mailbox.cardEventsAcknowledged(), std::memory_order_relaxed);
  if (tellClients) CardEvents(platform_, state_).signal();
}

}  // namespace cv7::core
