// The station address reply's own byte count, which the card model always sends as 6.
#include <gtest/gtest.h>

#include "CommandChannel.h"
#include "CommandCodes.h"
#include "FakePlatform.h"
#include "ScriptedMailbox.h"

namespace cv7::test {

namespace {

std::vector<uint8_t> addressReply(std::vector<uint8_t> address, uint16_t count) {
  std::vector<uint8_t> script = {cmd::kFrameStart, 0, 2, cmd::CMD_GET_MAC_ADDRESS, 0,  // status not examined
                                 cmd::REPLY_MAC_ADDRESS, uint8_t(count >> 8), uint8_t(count)};
  for (uint8_t byte : address) script.push_back(byte);
  return script;
}

struct Exchange {
  bool ok;
  std::array<uint8_t, 6> address;
  std::vector<uint8_t> posted;
};

Exchange readAddress(std::vector<uint8_t> script) {
  FakePlatform platform;
  ScriptedMailbox mailbox(std::move(script));
  core::DriverState state;
  state.registers = &mailbox;
  core::CommandChannel channel(platform, state);
  Exchange result{false, {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}, {}};
  result.ok = channel.readStationAddress(result.address);
  result.posted = mailbox.posted;
  EXPECT_EQ(state.channelOwner, 0u);
  return result;
}

const std::vector<uint8_t> kHostAck = {cmd::kFrameStart, 0, 2, cmd::REPLY_MAC_ADDRESS, 1};

}  // namespace

TEST(StationAddress, SixBytesAreTheAddressAndTheReplyIsAcknowledged) {
  Exchange e = readAddress(addressReply({0x00, 0x00, 0x5F, 0x63, 0x6A, 0x01}, 6));
  EXPECT_TRUE(e.ok);
  EXPECT_EQ(e.address, (std::array<uint8_t, 6>{0x00, 0x00, 0x5F, 0x63, 0x6A, 0x01}));
  EXPECT_EQ(e.posted, (std::vector<uint8_t>{cmd::CMD_GET_MAC_ADDRESS, 0, 0, cmd::kFrameStart, 0, 2,
                                            cmd::REPLY_MAC_ADDRESS, 1}));
}

TEST(StationAddress, LongerReplyIsReadToItsEndKeepingTheFirstSix) {
  Exchange e = readAddress(addressReply({1, 2, 3, 4, 5, 6, 7, 8}, 8));
  EXPECT_TRUE(e.ok);
  EXPECT_EQ(e.address, (std::array<uint8_t, 6>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(std::vector<uint8_t>(e.posted.end() - 5, e.posted.end()), kHostAck);
}

TEST(StationAddress, ShorterReplyOrWrongReplyCodeFails) {
  Exchange shortReply = readAddress(addressReply({1, 2, 3, 4, 5}, 5));
  EXPECT_FALSE(shortReply.ok);
  EXPECT_EQ(shortReply.address[0], 0xEE);  // nothing stored
  std::vector<uint8_t> wrongCode = addressReply({1, 2, 3, 4, 5, 6}, 6);
  wrongCode[5] = cmd::REPLY_TUNER_INFO;
  EXPECT_FALSE(readAddress(wrongCode).ok);
}

}  // namespace cv7::test
