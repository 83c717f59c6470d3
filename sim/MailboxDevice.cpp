#include "MailboxDevice.h"

#include "CardRegisters.h"

namespace cv7::sim {

namespace {
constexpr uint8_t kIdle = regs::kHandshakeIdle;
constexpr uint8_t kWaiting = regs::kHandshakeWaiting;
constexpr uint8_t kEndOfReply = regs::kHandshakeReadMode;
constexpr uint8_t kMark = regs::kMailboxCommandMark;
constexpr uint8_t kInterrupt = regs::kMailboxInterrupt;
}  // namespace

void MailboxDevice::reset() { *this = MailboxDevice(); }

void MailboxDevice::settle(uint64_t now) {
  if (!pending_.active || now < pending_.readyAt) return;
  shown_ = pending_.state;
  if (pending_.withData) data_ = pending_.data;
  pending_.active = false;
}

uint32_t MailboxDevice::readControl(uint64_t now) {
  settle(now);
  return uint32_t(hostBits_ & 0x70) | (interrupt_ ? kInterrupt : 0u) | shown_;
}

uint32_t MailboxDevice::readData(uint64_t now) {
  settle(now);
  return data_;
}

void MailboxDevice::writeData(uint32_t value, uint64_t now) {
  settle(now);
  data_ = value;
}

bool MailboxDevice::isResetChannel(uint32_t value, uint8_t before, const MailboxPeer& peer) const {
  if ((value & 0xFF) != kIdle) return false;
  // The interrupt routine writes MailboxControl back with bit 7 cleared. When the register
  // read 0x8F between the host's command byte and its mark, that write looks exactly like
  // reset-channel and must only acknowledge the interrupt, or the command byte is lost.
  bool onlyAcknowledges = (before & kInterrupt) && (before & 0x7F) == kIdle && phase_ == Phase::HostWrites &&
                          !pending_.active && peer.awaitingCommandMark();
  return !onlyAcknowledges;
}

void MailboxDevice::writeControl(uint32_t value, uint64_t now, MailboxPeer& peer) {
  settle(now);
  uint8_t before = uint8_t(readControl(now));
  if (!(value & kInterrupt)) interrupt_ = false;  // the host acknowledges, it cannot raise
  hostBits_ = uint8_t(value & 0x70);
  if (isResetChannel(value, before, peer)) {
    ++stats_.channelResets;
    phase_ = Phase::HostWrites;
    pending_ = {};
    shown_ = kIdle;
    peer.channelReset();
    return;
  }
  uint8_t state = uint8_t(value & regs::kHandshakeMask);
  if (state == shown_) return;  // mark-command, interrupt acknowledge, a repeated state
  if (state == kWaiting && shown_ == kIdle && phase_ == Phase::HostWrites) {
    hostPosted(peer, now);
  } else if (state == kIdle && shown_ == kWaiting && phase_ == Phase::CardPosts) {
    hostTook(peer, now);
  } else if (state == kIdle && shown_ == kEndOfReply && phase_ == Phase::EndOfReply) {
    phase_ = Phase::HostWrites;
    shown_ = kIdle;
    peer.endOfReplyAcknowledged();
  } else if (state == kEndOfReply && shown_ == kIdle && phase_ == Phase::HostWrites) {
    readMode(peer, now);
  } else {
    ++stats_.ignoredWrites;
  }
  settle(now);
}

void MailboxDevice::schedule(AnswerDelay delay, uint64_t now, uint8_t state, bool withData, uint8_t data) {
  if (!delay) {
    pending_ = {};
    return;
  }
  pending_ = {true, now + *delay, state, withData, data};
}

void MailboxDevice::hostPosted(MailboxPeer& peer, uint64_t now) {
  shown_ = kWaiting;
  bool marked = (hostBits_ & kMark) != 0;
  schedule(peer.hostByte(uint8_t(data_), marked, now), now, kIdle, false, 0);
}

void MailboxDevice::hostTook(MailboxPeer& peer, uint64_t now) {
  shown_ = kIdle;
  ++replyIndex_;
  if (replyIndex_ < reply_.bytes.size()) {
    schedule(peer.replyDelay(), now, kWaiting, true, reply_.bytes[replyIndex_]);
  } else if (reply_.endsWithDataFrame) {
    phase_ = Phase::EndOfReply;
    schedule(peer.replyDelay(), now, kEndOfReply, false, 0);
  } else {
    phase_ = Phase::HostWrites;
  }
}

void MailboxDevice::readMode(MailboxPeer& peer, uint64_t now) {
  auto reply = peer.replyRequested();
  if (!reply || reply->bytes.empty()) {
    ++stats_.ignoredWrites;
    return;
  }
  reply_ = std::move(*reply);
  replyIndex_ = 0;
  phase_ = Phase::CardPosts;
  shown_ = kEndOfReply;  // as the host wrote it, until the card posts its first byte
  schedule(peer.replyDelay(), now, kWaiting, true, reply_.bytes[0]);
}

}  // namespace cv7::sim
