#include "CommandFrames.h"

#include "CommandCodes.h"

namespace cv7::core {

bool CommandFrames::beginCommand(uint8_t code, uint16_t parameterLength) {
  mailbox_.resetChannel();
  if (!mailbox_.putByte(code)) return false;
  mailbox_.markCommand();
  return mailbox_.put16(parameterLength);
}

bool CommandFrames::readAcknowledgement(uint8_t code, bool checkStatus) {
  mailbox_.readMode();
  uint8_t first = 0, echoed = 0, status = 0;
  uint16_t length = 0;
  if (!mailbox_.getByte(first) || first != cmd::kFrameStart) return false;
  if (!mailbox_.get16(length) || length != cmd::kAckLength) return false;
  if (!mailbox_.getByte(echoed) || echoed != code) return false;
  if (!mailbox_.getByte(status)) return false;
  return !checkStatus || status != 0;
}

bool CommandFrames::sendHostAcknowledgement(uint8_t replyCode) {
  return mailbox_.waitEndOfReply() && mailbox_.putByte(cmd::kFrameStart) && mailbox_.put16(cmd::kAckLength) &&
         mailbox_.putByte(replyCode) && mailbox_.putByte(cmd::kFrameStart) && mailbox_.waitWritable();
}

}  // namespace cv7::core
