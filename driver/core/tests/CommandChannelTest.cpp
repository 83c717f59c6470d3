// Command blocks through the mailbox to the card model and back: wire order of every
// command, reply decoding, the result codes and the channel owner afterwards.
#include <gtest/gtest.h>

#include "CommandChannelHarness.h"
#include "CommandCodes.h"
#include "Mailbox.h"
#include "Miniport.h"

namespace cv7::test {

using namespace cmd;
using core::le::store16;
using core::le::store32;
using Bytes = std::vector<uint8_t>;

namespace {
class CommandChannelTest : public CommandChannelHarness {};
}  // namespace

TEST_F(CommandChannelTest, TuneSendsThreeWordsMostSignificantFirstThenFiveBytes) {
  Block b = block(CMD_TUNE);
  store32(b.data() + 8, 0x00948F30);
  store32(b.data() + 12, 0x00B71B00);
  store32(b.data() + 16, 0x01A39DE0);
  for (int i = 0; i < 5; ++i) b[20 + i] = uint8_t(i + 1);
  state.channelOwner = 2;
  EXPECT_EQ(relay(b), ctl::kResultSuccess);
  ASSERT_EQ(sent().size(), 1u);
  EXPECT_EQ(sent()[0].code, CMD_TUNE);
  EXPECT_EQ(sent()[0].declaredLength, 17);
  EXPECT_EQ(sent()[0].parameters, (Bytes{0x00, 0x94, 0x8F, 0x30, 0x00, 0xB7, 0x1B, 0x00, 0x01, 0xA3, 0x9D, 0xE0,
                                         1, 2, 3, 4, 5}));
  EXPECT_EQ(state.channelOwner, 0u);
}

TEST_F(CommandChannelTest, NetworkPidSendsTheKindByteFirst) {
  Block b = block(CMD_SET_NETWORK_PID);
  store16(b.data() + 8, 0x0123);
  store16(b.data() + 10, 0x0003);
  store16(b.data() + 12, 0x0456);
  store16(b.data() + 14, 0x0789);
  store16(b.data() + 16, 0x0ABC);
  EXPECT_EQ(relay(b), ctl::kResultSuccess);
  EXPECT_EQ(sent().at(0).declaredLength, 9);
  EXPECT_EQ(sent()[0].parameters, (Bytes{0x03, 0x01, 0x23, 0x04, 0x56, 0x07, 0x89, 0x0A, 0xBC}));
  b = block(CMD_RELEASE_NETWORK_PID);
  store16(b.data() + 8, 0x0123);
  b[10] = 3;
  EXPECT_EQ(relay(b), ctl::kResultSuccess);
  EXPECT_EQ(sent().at(1).parameters, (Bytes{0x03, 0x01, 0x23, 0, 0, 0, 0, 0, 0}));
}

TEST_F(CommandChannelTest, EverySettingCommandTravelsWithItsLength) {
  struct Case {
    uint8_t code;
    uint16_t length;
    Bytes wire;  // for a block whose bytes 8..27 are 0x10, 0x11, ...
  };
  const Case cases[] = {
      {CMD_SET_CHANNEL, 12, {0x11, 0x10, 0x13, 0x12, 0x15, 0x14, 0x17, 0x16, 0x19, 0x18, 0x1B, 0x1A}},
      {CMD_STOP_CHANNEL, 12, {0x11, 0x10, 0x13, 0x12, 0x15, 0x14, 0x17, 0x16, 0x19, 0x18, 0x1B, 0x1A}},
      {CMD_SET_IP_ADDRESS, 4, {0x10, 0x11, 0x12, 0x13}},
      {CMD_SEARCH_CANCEL, 0, {}},
      {CMD_SET_AUDIO_CONTROL, 3, {0x10, 0x11, 0x12}},
      {CMD_SET_FILTER_MODE, 1, {0x10}},
      {CMD_OPEN_CLIENT, 1, {0x10}},
      {CMD_CLOSE_CLIENT, 1, {0x10}},
      {CMD_SET_AUDIO_PID, 2, {0x11, 0x10}},
      {CMD_RELEASE_ALL_PIDS, 0, {}},
      {CMD_START_SEARCH, 0, {}},
  };
  for (const Case& c : cases) {
    platform.card().clearReceivedCommands();
    Block b = block(c.code);
    for (int i = 8; i < 28; ++i) b[i] = uint8_t(0x10 + i - 8);
    EXPECT_EQ(relay(b), ctl::kResultSuccess) << int(c.code);
    ASSERT_EQ(sent().size(), 1u) << int(c.code);
    EXPECT_EQ(sent()[0].code, c.code);
    EXPECT_EQ(sent()[0].declaredLength, c.length) << int(c.code);
    EXPECT_EQ(sent()[0].parameters, c.wire) << int(c.code);
  }
}

TEST_F(CommandChannelTest, BlocksWithDriverOnlyOrUnknownCodesSendNothing) {
  for (uint8_t code : {CMD_GET_MAC_ADDRESS, CMD_GET_PROGRAM_TABLE, CMD_SET_MULTICAST_LIST, uint8_t(27), uint8_t(0),
                       uint8_t(1), uint8_t(0xFF)}) {
    platform.clearRegisterLog();
    state.channelOwner = 1;
    Block b = block(code);
    b[ctl::kCommandResultOffset] = 0x55;
    EXPECT_EQ(relay(b), ctl::kResultFailure) << int(code);
    EXPECT_EQ(state.channelOwner, 0u);
    for (const auto& access : platform.registerLog())
      EXPECT_EQ(access.offset, regs::kMailboxWindow + regs::kMailboxControl) << int(code);
  }
  EXPECT_TRUE(sent().empty());
}

TEST_F(CommandChannelTest, TunerInfoSplitsTheFirstByte) {
  platform.card().setTunerInfoReply({0xA5, 0x11, 0x22, 0x33});
  Block b = block(CMD_GET_TUNER_INFO);
  EXPECT_EQ(relay(b), ctl::kResultSuccess);
  EXPECT_EQ(Bytes(b.begin() + 8, b.begin() + 16), (Bytes{1, 0, 1, 0, 5, 0x11, 0x22, 0x33}));
  EXPECT_EQ(sent().at(0).declaredLength, 0);
}

TEST_F(CommandChannelTest, QueriesFillTheBlockFromTheirDataFrames) {
  Block version = block(CMD_GET_FIRMWARE_VERSION);
  EXPECT_EQ(relay(version), ctl::kResultSuccess);
  EXPECT_EQ(version[8], 3);
  EXPECT_EQ(version[9], 7);
  platform.card().raiseCardEvent(21);
  Block event = block(CMD_GET_EVENT);
  EXPECT_EQ(relay(event), ctl::kResultSuccess);
  EXPECT_EQ(event[8], 21);
  Block status = block(CMD_GET_STATUS_BYTE);
  EXPECT_EQ(relay(status), ctl::kResultSuccess);
  EXPECT_EQ(status[8], 0x01);
  for (uint8_t code : {CMD_GET_VIDEO_MODE, CMD_QUERY_3BYTES, CMD_QUERY_2DWORDS, CMD_GET_SEARCH_STATUS}) {
    Block b = block(code);
    std::fill(b.begin() + 8, b.begin() + 28, 0xEE);
    EXPECT_EQ(relay(b), ctl::kResultSuccess) << int(code);
    EXPECT_NE(b[8], 0xEE) << int(code);
  }
  EXPECT_EQ(platform.card().stats().hostAcks, 7u);
  EXPECT_EQ(platform.card().stats().malformedHostAcks, 0u);
}

TEST_F(CommandChannelTest, WrongReplyCodeGivesThreeAndIsStillAcknowledged) {
  setFaults([](sim::CardFaults& f) { f.wrongReplyCode = true; });
  Block b = block(CMD_GET_TUNER_INFO);
  EXPECT_EQ(relay(b), ctl::kResultOtherReply);
  EXPECT_EQ(platform.card().stats().hostAcks, 1u);
  // The search status takes its result from the host acknowledgement.
  Block search = block(CMD_GET_SEARCH_STATUS);
  EXPECT_EQ(relay(search), ctl::kResultSuccess);
}

TEST_F(CommandChannelTest, ReplyOneByteLongerThanListedFails) {
  setFaults([](sim::CardFaults& f) { f.wrongLength = true; });
  Block b = block(CMD_GET_VIDEO_MODE);
  EXPECT_EQ(relay(b), ctl::kResultFailure);
  EXPECT_EQ(platform.card().stats().hostAcks, 0u);
  setFaults([](sim::CardFaults& f) { f.wrongLength = false; });
  EXPECT_EQ(relay(b), ctl::kResultSuccess);
}

TEST_F(CommandChannelTest, BadAcknowledgementsFailTheCommand) {
  for (auto fault : {+[](sim::CardFaults& f) { f.wrongFirstByte = true; },
                     +[](sim::CardFaults& f) { f.wrongAckCode = true; },
                     +[](sim::CardFaults& f) { f.statusZero = true; }}) {
    platform.card().setFaults({});
    setFaults(fault);
    Block b = block(CMD_SET_FILTER_MODE);
    EXPECT_EQ(relay(b), ctl::kResultFailure);
  }
}

TEST_F(CommandChannelTest, SilentCardTimesOutAfter501PausesAndTheNextCommandWorks) {
  setFaults([](sim::CardFaults& f) { f.noAnswer = true; });
  state.channelOwner = 3;
  uint64_t before = platform.clock().nowMicroseconds();
  Block b = block(CMD_SET_FILTER_MODE);
  EXPECT_EQ(relay(b), ctl::kResultFailure);
  EXPECT_EQ(platform.clock().nowMicroseconds() - before,
            uint64_t(core::Mailbox::kStallPolls) * core::Mailbox::kStallMicroseconds);
  EXPECT_EQ(state.channelOwner, 0u);
  platform.card().setFaults({});
  b = block(CMD_SET_FILTER_MODE);
  b[8] = 2;
  EXPECT_EQ(relay(b), ctl::kResultSuccess);
  EXPECT_EQ(platform.card().firmwareState().filterMode, 2);
}

TEST_F(CommandChannelTest, ControlRequestsRelayInTheSharedBuffer) {
  core::Miniport miniport(platform);
  miniport.state().registers = state.registers.load();
  miniport.state().channelOwner = 1;
  Block b = block(CMD_GET_FIRMWARE_VERSION);
  uint32_t returned = 0;
  EXPECT_EQ(miniport.control(ctl::IOCTL_CV7_SEND_COMMAND, b.data(), 32, 32, returned), core::STATUS_SUCCESS);
  EXPECT_EQ(returned, 32u);
  EXPECT_EQ(core::le::load16(b.data() + ctl::kCommandResultOffset), ctl::kResultSuccess);
  EXPECT_EQ(b[8], 3);
  EXPECT_EQ(miniport.state().channelOwner, 0u);
  platform.card().setProgramTablePayload({1, 0, 7, 0, 1, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  std::vector<uint8_t> table(ctl::kProgramTableSize, 0xEE);
  EXPECT_EQ(miniport.control(ctl::IOCTL_CV7_GET_PROGRAM_TABLE, table.data(), 0, ctl::kProgramTableSize, returned),
            core::STATUS_SUCCESS);
  EXPECT_EQ(returned, ctl::kProgramTableSize);
  EXPECT_EQ(core::le::load16(&table[ctl::kTableResult]), ctl::kResultSuccess);
  EXPECT_EQ(table[ctl::kTableProgramCount], 1);
  EXPECT_EQ(core::le::load16(&table[ctl::kEntrySecondValue]), 1);
  miniport.state().registers = nullptr;
  b = block(CMD_GET_FIRMWARE_VERSION);
  EXPECT_EQ(miniport.control(ctl::IOCTL_CV7_SEND_COMMAND, b.data(), 32, 32, returned), core::STATUS_SUCCESS);
  EXPECT_EQ(returned, 32u);
  EXPECT_EQ(core::le::load16(b.data() + ctl::kCommandResultOffset), ctl::kResultFailure);
}

TEST_F(CommandChannelTest, WithoutAStartedAdapterNothingIsTouched) {
  state.registers = nullptr;
  state.channelOwner = 1;
  platform.clearRegisterLog();
  Block b = block(CMD_GET_TUNER_INFO);
  EXPECT_EQ(relay(b), ctl::kResultFailure);
  EXPECT_TRUE(platform.registerLog().empty());
  EXPECT_EQ(state.channelOwner, 0u);
  EXPECT_FALSE(channel.setMulticastList(nullptr, 0));
}

TEST_F(CommandChannelTest, StationAddressIsReadAsOwnerFive) {
  std::array<uint8_t, 6> address{};
  EXPECT_TRUE(channel.readStationAddress(address));
  EXPECT_EQ(address, platform.card().config().macAddress);
  EXPECT_EQ(state.channelOwner, 0u);
  EXPECT_EQ(sent().at(0).code, CMD_GET_MAC_ADDRESS);
  EXPECT_EQ(sent()[0].declaredLength, 0);
  EXPECT_EQ(platform.card().stats().hostAcks, 1u);
}

TEST_F(CommandChannelTest, MulticastListSendsCountAndAddresses) {
  EXPECT_TRUE(channel.setMulticastList(nullptr, 0));
  ASSERT_EQ(sent().size(), 1u);
  EXPECT_EQ(sent()[0].code, CMD_SET_MULTICAST_LIST);
  EXPECT_EQ(sent()[0].declaredLength, 1);
  EXPECT_EQ(sent()[0].parameters, Bytes{0});
  std::array<uint8_t, 6> list[2] = {{0x01, 0x00, 0x5E, 0x00, 0x01, 0x01}, {0x01, 0x00, 0x5E, 0x7F, 0xFF, 0xFA}};
  EXPECT_TRUE(channel.setMulticastList(list, 2));
  EXPECT_EQ(sent().at(1).declaredLength, 13);
  EXPECT_EQ(platform.card().multicastList(), (std::vector<std::array<uint8_t, 6>>{list[0], list[1]}));
  EXPECT_FALSE(channel.setMulticastList(list, 9));
  EXPECT_EQ(state.channelOwner, 0u);
}

TEST_F(CommandChannelTest, DriverCommandsWaitForAClientButNeverForThemselves) {
  state.channelOwner = core::kDriverChannelOwner;
  uint64_t before = platform.clock().nowMicroseconds();
  EXPECT_FALSE(channel.setMulticastList(nullptr, 0));
  EXPECT_EQ(platform.clock().nowMicroseconds(), before);
  EXPECT_EQ(state.channelOwner, core::kDriverChannelOwner);
  state.channelOwner = 2;
  std::array<uint8_t, 6> address{};
  EXPECT_FALSE(channel.readStationAddress(address));
  EXPECT_EQ(platform.clock().nowMicroseconds() - before, 2001u * 150u);
  EXPECT_EQ(state.channelOwner, 2u);
  EXPECT_TRUE(sent().empty());
}

}  // namespace cv7::test
