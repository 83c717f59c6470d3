// Every fault switch of the firmware, and that a host that gives up and resets the channel
// finds a working card again.
#include <gtest/gtest.h>

#include "CardFixture.h"
#include "CommandCodes.h"

namespace cv7::sim::test {
namespace {

using namespace cv7::cmd;
using Bytes = std::vector<uint8_t>;

class CardFaultsTest : public CardFixture {
 protected:
  // After the faults are switched off the next command must work again.
  void expectRecovery() {
    card.setFaults({});
    auto answer = host.command(CMD_GET_FIRMWARE_VERSION, {}, REPLY_FIRMWARE_VERSION);
    ASSERT_TRUE(answer && answer->data);
    EXPECT_EQ(answer->ack, (Bytes{0x01, 0x00, 0x02, CMD_GET_FIRMWARE_VERSION, 0x01}));
    EXPECT_EQ(answer->data->payload, (Bytes{3, 7}));
  }
};

TEST_F(CardFaultsTest, DeadFirmwareTakesNoByteAndRecoversAfterReset) {
  setFaults([](CardFaults& f) { f.noAnswer = true; });
  uint64_t before = clock.nowMicroseconds();
  EXPECT_FALSE(host.sendFrame(CMD_GET_TUNER_INFO, {}));
  EXPECT_GE(clock.nowMicroseconds() - before, 75'000u);  // the host waited its whole budget
  EXPECT_TRUE(card.receivedCommands().empty());
  expectRecovery();
}

TEST_F(CardFaultsTest, SlowAnswerShowsOnlyAfterTheDelay) {
  setFaults([](CardFaults& f) { f.answerDelayMicroseconds = 1000; });
  host.resetChannel();
  host.post(CMD_GET_VIDEO_MODE);
  EXPECT_EQ(host.state(), 0x0);  // not taken yet
  clock.advance(999);
  EXPECT_EQ(host.state(), 0x0);
  clock.advance(1);
  EXPECT_EQ(host.state(), 0xF);
  host.markCommand();
  ASSERT_TRUE(host.put16(0));
  ASSERT_TRUE(host.waitState(0xF));
  host.readMode();
  EXPECT_EQ(host.state(), 0x3);
  clock.advance(1000);
  EXPECT_EQ(host.state(), 0x0);  // first acknowledgement byte posted
  EXPECT_EQ(card.mmioRead(TestHost::kData) & 0xFF, 0x01u);
}

TEST_F(CardFaultsTest, SlowCardWithinTheHostsPatienceStillAnswers) {
  setFaults([](CardFaults& f) { f.answerDelayMicroseconds = 5000; });
  auto answer = host.command(CMD_GET_TUNER_INFO, {}, REPLY_TUNER_INFO);
  ASSERT_TRUE(answer && answer->data);
  EXPECT_EQ(answer->data->length, 4);
}

TEST_F(CardFaultsTest, CardSlowerThanTheHostsPatienceTimesOutThenRecovers) {
  setFaults([](CardFaults& f) { f.answerDelayMicroseconds = 100'000; });
  EXPECT_FALSE(host.command(CMD_GET_TUNER_INFO, {}, REPLY_TUNER_INFO));
  expectRecovery();
}

TEST_F(CardFaultsTest, WrongFirstByteOfAcknowledgement) {
  setFaults([](CardFaults& f) { f.wrongFirstByte = true; });
  ASSERT_TRUE(host.sendFrame(CMD_SET_FILTER_MODE, {1}));
  auto ack = host.readAck();
  ASSERT_TRUE(ack);
  EXPECT_NE((*ack)[0], 0x01);
  expectRecovery();
}

TEST_F(CardFaultsTest, WrongCommandCodeInAcknowledgement) {
  setFaults([](CardFaults& f) { f.wrongAckCode = true; });
  ASSERT_TRUE(host.sendFrame(CMD_GET_VIDEO_MODE, {}));
  auto ack = host.readAck();
  ASSERT_TRUE(ack);
  EXPECT_EQ((*ack)[0], 0x01);
  EXPECT_NE((*ack)[3], CMD_GET_VIDEO_MODE);
  expectRecovery();
}

TEST_F(CardFaultsTest, StatusZeroRefusesAndSendsNoDataFrame) {
  setFaults([](CardFaults& f) { f.statusZero = true; });
  ASSERT_TRUE(host.sendFrame(CMD_SET_IP_ADDRESS, {10, 0, 0, 1}));
  auto ack = host.readAck();
  ASSERT_TRUE(ack);
  EXPECT_EQ(*ack, (Bytes{0x01, 0x00, 0x02, CMD_SET_IP_ADDRESS, 0x00}));
  EXPECT_EQ(card.firmwareState().ipAddress, (std::array<uint8_t, 4>{}));
  ASSERT_TRUE(host.sendFrame(CMD_GET_TUNER_INFO, {}));
  ASSERT_TRUE(host.readAck());
  uint8_t byte = 0;
  EXPECT_FALSE(host.getByte(byte));
  expectRecovery();
}

TEST_F(CardFaultsTest, WrongReplyCodeStillTakesHostAcknowledgement) {
  setFaults([](CardFaults& f) { f.wrongReplyCode = true; });
  auto answer = host.command(CMD_GET_TUNER_INFO, {}, REPLY_TUNER_INFO);
  ASSERT_TRUE(answer && answer->data);
  EXPECT_NE(answer->data->code, REPLY_TUNER_INFO);
  EXPECT_EQ(answer->data->payload.size(), 4u);
  EXPECT_EQ(card.stats().malformedHostAcks, 0u);
  expectRecovery();
}

TEST_F(CardFaultsTest, WrongLengthAnnouncesOneByteMoreThanItCarries) {
  setFaults([](CardFaults& f) { f.wrongLength = true; });
  ASSERT_TRUE(host.sendFrame(CMD_GET_FIRMWARE_VERSION, {}));
  ASSERT_TRUE(host.readAck());
  auto frame = host.readDataFrame();
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->length, 3);
  EXPECT_EQ(frame->payload.size(), 2u);
  expectRecovery();  // no host acknowledgement: the next command resets the channel
}

TEST_F(CardFaultsTest, ResetChannelAbandonsFrameInProgress) {
  host.resetChannel();
  ASSERT_TRUE(host.putByte(CMD_TUNE));
  host.markCommand();
  ASSERT_TRUE(host.put16(17));
  ASSERT_TRUE(host.putByte(0x55));  // the host gives up after one parameter byte
  auto answer = host.command(CMD_SET_FILTER_MODE, {2});
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->ack[4], 1);
  EXPECT_EQ(card.firmwareState().filterMode, 2);
  EXPECT_EQ(card.firmwareState().tuneCount, 0u);
  auto received = card.receivedCommands();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].code, CMD_SET_FILTER_MODE);
}

TEST_F(CardFaultsTest, ResetChannelInTheMiddleOfADataFrame) {
  ASSERT_TRUE(host.sendFrame(CMD_QUERY_2DWORDS, {}));
  ASSERT_TRUE(host.readAck());
  uint8_t byte = 0;
  ASSERT_TRUE(host.getByte(byte));  // reply code, then the host gives up
  expectRecovery();
}

TEST_F(CardFaultsTest, InterruptAcknowledgeIsNotTakenForResetChannel) {
  host.resetChannel();
  ASSERT_TRUE(host.putByte(CMD_SET_FILTER_MODE));  // command byte taken: control reads 0x0F
  card.raiseCardEvent(16);
  EXPECT_EQ(host.control(), 0x8Fu);
  host.setControl(host.control() & 0x7F);  // the interrupt routine, between put-byte and mark
  host.markCommand();
  ASSERT_TRUE(host.put16(1));
  ASSERT_TRUE(host.putByte(3));
  ASSERT_TRUE(host.waitState(0xF));
  auto ack = host.readAck();
  ASSERT_TRUE(ack);
  EXPECT_EQ(*ack, (Bytes{0x01, 0x00, 0x02, CMD_SET_FILTER_MODE, 0x01}));
  EXPECT_EQ(card.firmwareState().filterMode, 3);
}

TEST_F(CardFaultsTest, RandomMailboxWritesNeverBreakTheCard) {
  uint32_t seed = 12345;
  auto next = [&] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  for (int i = 0; i < 20000; ++i) {
    uint32_t r = next();
    uint32_t offset = (r & 1) ? TestHost::kControl : TestHost::kData;
    card.mmioWrite(offset, next());
    if (r & 6) card.mmioRead(TestHost::kControl);
    if ((r & 0x70) == 0) clock.advance(r & 0xFFF);
  }
  expectRecovery();
}

}  // namespace
}  // namespace cv7::sim::test
