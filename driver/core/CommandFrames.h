// The frames of the command channel, built from the mailbox primitives: the host's command
// frame, the card's acknowledgement, the start of the card's data frame and the host's
// acknowledgement of a data frame. Each returns false on a timed-out wait or a wrong byte.
#pragma once
#include <cstdint>

#include "Mailbox.h"

namespace cv7::core {

class CommandFrames {
 public:
  explicit CommandFrames(Mailbox& mailbox) : mailbox_(mailbox) {}

  // reset-channel, the code, mark-command, the parameter length P. The caller then puts the
  // P parameter bytes and calls endCommand().
  bool beginCommand(uint8_t code, uint16_t parameterLength);
  // The card has taken the last byte.
  bool endCommand() { return mailbox_.waitWritable(); }
  // read-mode; 0x01, length 2, the command code, then the status byte. With `checkStatus`
  // a status of 0 is a failure too.
  bool readAcknowledgement(uint8_t code, bool checkStatus = true);
  // wait-end-of-reply; 0x01, length 2, the reply code, 0x01; wait-writable.
  bool sendHostAcknowledgement(uint8_t replyCode);

 private:
  Mailbox& mailbox_;
};

}  // namespace cv7::core
