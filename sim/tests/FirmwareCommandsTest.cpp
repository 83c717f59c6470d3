// The firmware's answers over the mailbox: acknowledgements, data frames, what each command
// stores, and the record of received frames.
#include <gtest/gtest.h>

#include "CardFixture.h"
#include "CommandCodes.h"

namespace cv7::sim::test {
namespace {

using namespace cv7::cmd;
using Bytes = std::vector<uint8_t>;

class FirmwareCommandsTest : public CardFixture {};

TEST_F(FirmwareCommandsTest, AcknowledgesTuneAndStoresItsParameters) {
  Bytes p{0x00, 0x94, 0xC5, 0xF0, 0x00, 0xB9, 0xF9, 0x60, 0x00, 0x00, 0x6B, 0x6C, 0x01, 0x02, 0x03, 0x04, 0x05};
  auto answer = host.command(CMD_TUNE, p);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->ack, (Bytes{0x01, 0x00, 0x02, CMD_TUNE, 0x01}));
  EXPECT_EQ(host.state(), 0xF);  // nothing follows an acknowledgement without reply data
  auto state = card.firmwareState();
  EXPECT_EQ(state.tuneCount, 1u);
  EXPECT_EQ(state.tune, (TuneParameters{9750000, 12188000, 27500, 1, 2, 3, 4, 5}));
  auto received = card.receivedCommands();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].code, CMD_TUNE);
  EXPECT_EQ(received[0].declaredLength, 17);
  EXPECT_EQ(received[0].parameters, p);
}

TEST_F(FirmwareCommandsTest, AnswersTunerInfoWithDataFrameAndTakesHostAck) {
  card.setTunerInfoReply({0xA5, 0x11, 0x22, 0x33});
  auto answer = host.command(CMD_GET_TUNER_INFO, {}, REPLY_TUNER_INFO);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->ack, (Bytes{0x01, 0x00, 0x02, CMD_GET_TUNER_INFO, 0x01}));
  ASSERT_TRUE(answer->data);
  EXPECT_EQ(answer->data->code, REPLY_TUNER_INFO);
  EXPECT_EQ(answer->data->length, 4);
  EXPECT_EQ(answer->data->payload, (Bytes{0xA5, 0x11, 0x22, 0x33}));
  auto stats = card.stats();
  EXPECT_EQ(stats.hostAcks, 1u);
  EXPECT_EQ(stats.malformedHostAcks, 0u);
}

TEST_F(FirmwareCommandsTest, UntunedCardReportsNoLockAndTheFullErrorCount) {
  auto answer = host.command(CMD_GET_TUNER_INFO, {}, REPLY_TUNER_INFO);
  ASSERT_TRUE(answer && answer->data);
  EXPECT_EQ(answer->data->payload[0] & 0xF0, 0x00);
  EXPECT_EQ(answer->data->payload[2], 0xFF);
  EXPECT_EQ(answer->data->payload[3], 0xFF);
}

TEST_F(FirmwareCommandsTest, AnswersMacAddressWithItsCount) {
  auto answer = host.command(CMD_GET_MAC_ADDRESS, {}, REPLY_MAC_ADDRESS);
  ASSERT_TRUE(answer && answer->data);
  EXPECT_EQ(answer->data->length, 6);
  auto mac = card.config().macAddress;
  EXPECT_EQ(answer->data->payload, Bytes(mac.begin(), mac.end()));
}

TEST_F(FirmwareCommandsTest, ReportsConfiguredFirmwareVersion) {
  auto answer = host.command(CMD_GET_FIRMWARE_VERSION, {}, REPLY_FIRMWARE_VERSION);
  ASSERT_TRUE(answer && answer->data);
  EXPECT_EQ(answer->data->payload, (Bytes{3, 7}));
}

TEST_F(FirmwareCommandsTest, QueriesAnswerTheirListedLengths) {
  struct Query {
    uint8_t code, reply;
    uint16_t length;
  };
  for (Query q : {Query{CMD_GET_VIDEO_MODE, REPLY_VIDEO_MODE, 1}, Query{CMD_GET_STATUS_BYTE, REPLY_STATUS_BYTE, 1},
                  Query{CMD_QUERY_3BYTES, REPLY_3BYTES, 3}, Query{CMD_QUERY_2DWORDS, REPLY_2DWORDS, 8},
                  Query{CMD_GET_EVENT, REPLY_EVENT, 1}, Query{CMD_GET_SEARCH_STATUS, REPLY_SEARCH_STATUS, 1}}) {
    auto answer = host.command(q.code, {}, q.reply);
    ASSERT_TRUE(answer && answer->data) << int(q.code);
    EXPECT_EQ(answer->data->code, q.reply);
    EXPECT_EQ(answer->data->length, q.length);
    EXPECT_EQ(answer->data->payload.size(), q.length);
  }
  EXPECT_EQ(card.stats().malformedHostAcks, 0u);
}

TEST_F(FirmwareCommandsTest, QueryAnswersCanBeChangedByTheOwner) {
  card.updateFirmwareState([](FirmwareState& state) {
    state.videoMode = 2;
    state.searchFinished = 0;
    state.twoDwords = {0x01020304, 0xA0B0C0D0};
  });
  auto video = host.command(CMD_GET_VIDEO_MODE, {}, REPLY_VIDEO_MODE);
  ASSERT_TRUE(video && video->data);
  EXPECT_EQ(video->data->payload, Bytes{2});
  auto search = host.command(CMD_GET_SEARCH_STATUS, {}, REPLY_SEARCH_STATUS);
  ASSERT_TRUE(search && search->data);
  EXPECT_EQ(search->data->payload, Bytes{0});
  auto dwords = host.command(CMD_QUERY_2DWORDS, {}, REPLY_2DWORDS);
  ASSERT_TRUE(dwords && dwords->data);
  EXPECT_EQ(dwords->data->payload, (Bytes{1, 2, 3, 4, 0xA0, 0xB0, 0xC0, 0xD0}));
}

TEST_F(FirmwareCommandsTest, SearchStatusAnswersFinished) {
  ASSERT_TRUE(host.command(CMD_START_SEARCH, {}));
  auto answer = host.command(CMD_GET_SEARCH_STATUS, {}, REPLY_SEARCH_STATUS);
  ASSERT_TRUE(answer && answer->data);
  EXPECT_EQ(answer->data->payload, Bytes{1});
  ASSERT_TRUE(host.command(CMD_SEARCH_CANCEL, {}));
  auto state = card.firmwareState();
  EXPECT_EQ(state.searchesStarted, 1u);
  EXPECT_EQ(state.searchesCancelled, 1u);
  EXPECT_FALSE(state.searchRunning);
}

TEST_F(FirmwareCommandsTest, StoresMulticastList) {
  Bytes p{2, 0x01, 0x00, 0x5E, 0x01, 0x02, 0x03, 0x01, 0x00, 0x5E, 0x7F, 0x00, 0x01};
  auto answer = host.command(CMD_SET_MULTICAST_LIST, p);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->ack[4], 1);
  auto list = card.multicastList();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1], (std::array<uint8_t, 6>{0x01, 0x00, 0x5E, 0x7F, 0x00, 0x01}));
  ASSERT_TRUE(host.command(CMD_SET_MULTICAST_LIST, {0}));
  EXPECT_TRUE(card.multicastList().empty());
}

TEST_F(FirmwareCommandsTest, RefusesMulticastListWhoseCountDisagreesWithLength) {
  auto answer = host.command(CMD_SET_MULTICAST_LIST, {2, 1, 2, 3, 4, 5, 6});
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->ack[4], 0);
  EXPECT_EQ(card.stats().refusedCommands, 1u);
}

TEST_F(FirmwareCommandsTest, RefusesWrongParameterLengthAndUnknownCodes) {
  auto shortTune = host.command(CMD_TUNE, {1, 2, 3});
  ASSERT_TRUE(shortTune);
  EXPECT_EQ(shortTune->ack[4], 0);
  EXPECT_EQ(card.firmwareState().tuneCount, 0u);
  auto unknown = host.command(27, {});
  ASSERT_TRUE(unknown);
  EXPECT_EQ(unknown->ack, (Bytes{0x01, 0x00, 0x02, 27, 0x00}));
}

TEST_F(FirmwareCommandsTest, KeepsNetworkPidsWithTheirKinds) {
  ASSERT_TRUE(host.command(CMD_SET_NETWORK_PID, {0x03, 0x01, 0x23, 0x00, 0x01, 0x00, 0x65, 0x01, 0x00}));
  ASSERT_TRUE(host.command(CMD_SET_NETWORK_PID, {0x05, 0x02, 0x01, 0x00, 0x01, 0x00, 0x65, 0x01, 0x00}));
  auto pids = card.firmwareState().networkPids;
  ASSERT_EQ(pids.size(), 2u);
  EXPECT_EQ(pids[0], (NetworkPid{0x0123, 3, 1, 0x65, 0x100}));
  ASSERT_TRUE(host.command(CMD_RELEASE_NETWORK_PID, {0x03, 0x01, 0x23, 0x00, 0x01, 0x00, 0x65, 0x01, 0x00}));
  pids = card.firmwareState().networkPids;
  ASSERT_EQ(pids.size(), 1u);
  EXPECT_EQ(pids[0].pid, 0x0201);
  ASSERT_TRUE(host.command(CMD_RELEASE_ALL_PIDS, {}));
  EXPECT_TRUE(card.firmwareState().networkPids.empty());
}

TEST_F(FirmwareCommandsTest, StoresSettingsOfTheSimpleCommands) {
  ASSERT_TRUE(host.command(CMD_SET_IP_ADDRESS, {192, 168, 1, 20}));
  ASSERT_TRUE(host.command(CMD_SET_FILTER_MODE, {1}));
  ASSERT_TRUE(host.command(CMD_SET_AUDIO_CONTROL, {7, 8, 9}));
  ASSERT_TRUE(host.command(CMD_SET_AUDIO_PID, {0x01, 0x12}));
  ASSERT_TRUE(host.command(CMD_SET_CHANNEL, {0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6}));
  ASSERT_TRUE(host.command(CMD_OPEN_CLIENT, {3}));
  ASSERT_TRUE(host.command(CMD_OPEN_CLIENT, {1}));
  ASSERT_TRUE(host.command(CMD_CLOSE_CLIENT, {1}));
  auto state = card.firmwareState();
  EXPECT_EQ(state.ipAddress, (std::array<uint8_t, 4>{192, 168, 1, 20}));
  EXPECT_EQ(state.filterMode, 1);
  EXPECT_EQ(state.audioControl, (std::array<uint8_t, 3>{7, 8, 9}));
  EXPECT_EQ(state.audioPid, 0x0112);
  EXPECT_EQ(state.channel, (std::array<uint16_t, 6>{1, 2, 3, 4, 5, 6}));
  EXPECT_TRUE(state.channelRunning);
  EXPECT_EQ(state.openClients, (std::set<uint8_t>{3}));
  ASSERT_TRUE(host.command(CMD_STOP_CHANNEL, {0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6}));
  EXPECT_FALSE(card.firmwareState().channelRunning);
}

TEST_F(FirmwareCommandsTest, ProgramTableReplyUsesPayloadSetOnce) {
  card.setProgramTablePayload({0, 0, 0, 0, 1, 0, 0, 0, 2});
  auto answer = host.command(CMD_GET_PROGRAM_TABLE, {}, REPLY_PROGRAM_TABLE);
  ASSERT_TRUE(answer && answer->data);
  EXPECT_EQ(answer->data->length, 9);
  EXPECT_EQ(answer->data->payload, (Bytes{0, 0, 0, 0, 1, 0, 0, 0, 2}));
  auto builtIn = host.command(CMD_GET_PROGRAM_TABLE, {}, REPLY_PROGRAM_TABLE);
  ASSERT_TRUE(builtIn && builtIn->data);
  EXPECT_EQ(builtIn->data->length, builtIn->data->payload.size());
  EXPECT_EQ(builtIn->data->payload[0], 3);  // programs in the built-in table
}

TEST_F(FirmwareCommandsTest, CardEventRaisesInterruptAndCommand19FetchesItsCode) {
  card.mmioWrite(regs::kIntEnable, regs::kIntEnableCard);
  card.raiseCardEvent(21);
  EXPECT_TRUE(line.level);
  EXPECT_EQ(card.mmioRead(regs::kIntStatus), regs::kIntStatusCard);
  uint32_t m = host.control();
  EXPECT_TRUE(m & regs::kMailboxInterrupt);
  host.setControl(m & 0x7F);  // the interrupt routine acknowledges
  EXPECT_FALSE(line.level);
  EXPECT_EQ(card.mmioRead(regs::kIntStatus), 0u);
  auto answer = host.command(CMD_GET_EVENT, {}, REPLY_EVENT);
  ASSERT_TRUE(answer && answer->data);
  EXPECT_EQ(answer->data->payload, Bytes{21});
  auto none = host.command(CMD_GET_EVENT, {}, REPLY_EVENT);
  ASSERT_TRUE(none && none->data);
  EXPECT_EQ(none->data->payload, Bytes{0});
}

TEST_F(FirmwareCommandsTest, SecondQueuedEventIsSignalledAfterTheFirstIsFetched) {
  card.mmioWrite(regs::kIntEnable, regs::kIntEnableCard);
  card.raiseCardEvent(10);
  card.raiseCardEvent(11);
  host.setControl(host.control() & 0x7F);
  EXPECT_FALSE(line.level);
  auto first = host.command(CMD_GET_EVENT, {}, REPLY_EVENT);
  ASSERT_TRUE(first && first->data);
  EXPECT_EQ(first->data->payload, Bytes{10});
  EXPECT_TRUE(line.level);
}

TEST_F(FirmwareCommandsTest, InterruptStaysLowWhileCardInterruptIsDisabled) {
  card.raiseCardEvent(12);
  EXPECT_FALSE(line.level);
  EXPECT_EQ(card.mmioRead(regs::kIntStatus), 0u);
  card.mmioWrite(regs::kIntEnable, regs::kIntEnableCard);
  EXPECT_TRUE(line.level);
}

TEST_F(FirmwareCommandsTest, UnmarkedByteAfterCodeByteBeginsANewFrame) {
  // Download bytes sent to a card whose firmware already runs, then a command whose
  // reset-channel only acknowledged a pending card event (the register read 0x8F).
  for (uint8_t b : {1, 2, 3, 4, 5}) ASSERT_TRUE(host.putByte(b));
  card.raiseCardEvent(10);
  EXPECT_EQ(host.control(), 0x8Fu);
  host.setControl(0x0F);
  ASSERT_TRUE(host.putByte(CMD_SET_FILTER_MODE));
  host.markCommand();
  ASSERT_TRUE(host.put16(1));
  ASSERT_TRUE(host.putByte(4));
  ASSERT_TRUE(host.waitState(0xF));
  auto ack = host.readAck();
  ASSERT_TRUE(ack);
  EXPECT_EQ(*ack, (Bytes{0x01, 0x00, 0x02, CMD_SET_FILTER_MODE, 0x01}));
  EXPECT_EQ(card.firmwareState().filterMode, 4);
}

TEST_F(FirmwareCommandsTest, FrameWithoutCommandMarkIsNotExecuted) {
  host.resetChannel();
  ASSERT_TRUE(host.putByte(CMD_SET_FILTER_MODE));
  ASSERT_TRUE(host.put16(1));
  ASSERT_TRUE(host.putByte(1));
  host.readMode();
  uint8_t byte = 0;
  EXPECT_FALSE(host.getByte(byte));
  EXPECT_EQ(card.firmwareState().filterMode, 0);
  EXPECT_GE(card.stats().unmarkedFrames, 1u);
  EXPECT_TRUE(host.command(CMD_SET_FILTER_MODE, {1}));  // the next frame works
}

}  // namespace
}  // namespace cv7::sim::test
