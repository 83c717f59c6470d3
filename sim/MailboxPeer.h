// What sits behind the card's mailbox: the loader before the firmware runs, the firmware
// afterwards. The mailbox device does the register handshake; a peer decides whether and
// when it takes each byte the host posts, and what it answers when the host asks.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

namespace cv7::sim {

// How long the card takes for one handshake step; nullopt: it never answers.
using AnswerDelay = std::optional<uint64_t>;

// A reply the card posts byte by byte after the host asked for one (read-mode).
struct MailboxReply {
  std::vector<uint8_t> bytes;
  bool endsWithDataFrame = false;  // after the last byte the card shows end of reply (0x3)
};

class MailboxPeer {
 public:
  virtual ~MailboxPeer() = default;
  // The host posted a byte; `marked` is bit 6 of MailboxControl at that moment. Returns when
  // the byte is taken (the card then shows idle).
  virtual AnswerDelay hostByte(uint8_t byte, bool marked, uint64_t now) = 0;
  // The host asked for a reply; nothing when there is nothing to say.
  virtual std::optional<MailboxReply> replyRequested() = 0;
  // Delay of each byte the card posts.
  virtual AnswerDelay replyDelay() const = 0;
  // The host saw the end of a data frame and will send its acknowledgement next.
  virtual void endOfReplyAcknowledged() = 0;
  // The host reset the channel: any frame in progress is abandoned.
  virtual void channelReset() = 0;
  // True while the peer holds a command byte and waits for its mark: the only moment at
  // which a correct host's MailboxControl reads 0x8F (interrupt pending, bit 6 clear).
  virtual bool awaitingCommandMark() const { return false; }
};

}  // namespace cv7::sim
