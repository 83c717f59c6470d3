// The card's side of the byte-wide mailbox (MailboxData, MailboxControl): the handshake
// state in bits 0..3, the command mark in bit 6 and the mailbox interrupt in bit 7.
//
// Host writes are classified against the state the card currently shows:
//   - exactly 0x0F with bit 6 clear: reset-channel (unless it only acknowledges the interrupt);
//   - 0x0 while idle and the host is the writer: the host posted a byte;
//   - 0xF while a card byte waits: the host took it, the card posts the next;
//   - 0xF while end of reply (0x3) shows: the host will send its acknowledgement;
//   - 0x3 while idle: read-mode, the card posts its reply;
//   - a write that repeats the shown state only changes bits 4..7 (mark, interrupt ack).
// Anything else leaves the handshake alone and is counted. Each step of the card shows after
// the peer's delay, judged against the clock whenever the host touches a register.
#pragma once
#include <cstdint>

#include "MailboxPeer.h"

namespace cv7::sim {

class MailboxDevice {
 public:
  struct Stats {
    uint64_t ignoredWrites = 0;   // handshake writes that fit no step of the protocol
    uint64_t channelResets = 0;
  };

  void reset();  // power-on: idle, no interrupt

  uint32_t readControl(uint64_t now);
  uint32_t readData(uint64_t now);
  void writeData(uint32_t value, uint64_t now);
  void writeControl(uint32_t value, uint64_t now, MailboxPeer& peer);

  // Applies a card step whose time has come.
  void settle(uint64_t now);

  void raiseInterrupt() { interrupt_ = true; }
  bool interruptPending() const { return interrupt_; }
  uint8_t shownState() const { return shown_; }
  const Stats& stats() const { return stats_; }

 private:
  enum class Phase { HostWrites, CardPosts, EndOfReply };

  void schedule(AnswerDelay delay, uint64_t now, uint8_t state, bool withData, uint8_t data);
  void hostPosted(MailboxPeer& peer, uint64_t now);
  void hostTook(MailboxPeer& peer, uint64_t now);
  void readMode(MailboxPeer& peer, uint64_t now);
  bool isResetChannel(uint32_t value, uint8_t before, const MailboxPeer& peer) const;

  struct Pending {
    bool active = false;
    uint64_t readyAt = 0;
    uint8_t state = 0;
    bool withData = false;
    uint8_t data = 0;
  };

  Phase phase_ = Phase::HostWrites;
  uint8_t shown_ = 0x0F;       // handshake state visible in bits 0..3
  uint8_t hostBits_ = 0;       // bits 4..6 as the host wrote them
  bool interrupt_ = false;     // bit 7
  uint32_t data_ = 0;          // MailboxData
  Pending pending_;
  MailboxReply reply_;
  size_t replyIndex_ = 0;
  Stats stats_;
};

}  // namespace cv7::sim
