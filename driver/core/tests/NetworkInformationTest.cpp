// Query and set of the adapter's information, and the multicast timer's PID change lists.
#include "NetworkInformation.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ControlDispatcher.h"
#include "FakePlatform.h"

namespace cv7::test {
namespace {

using core::NetworkInformation;

class NetworkInformationTest : public ::testing::Test {
 protected:
  NetworkInformationTest() {
    adapter.permanentAddress = {0x00, 0x00, 0x5F, 0x63, 0x6A, 0x01};
    adapter.currentAddress = adapter.permanentAddress;
  }
  NetworkInformation info() { return NetworkInformation(platform, state, channel, &adapter); }

  core::Status query(uint32_t id, std::vector<uint8_t>& out, uint32_t length) {
    out.assign(length, 0xCC);
    return info().query(id, out.data(), length, written, needed);
  }
  core::Status setWord(uint32_t id, uint32_t value, uint32_t length = 4) {
    uint8_t buffer[8] = {};
    std::memcpy(buffer, &value, 4);
    return info().set(id, buffer, length, read, needed);
  }
  core::Status setList(const std::vector<std::array<uint8_t, 6>>& list) {
    std::vector<uint8_t> bytes;
    for (const auto& a : list) bytes.insert(bytes.end(), a.begin(), a.end());
    return info().set(core::oid::E802_3_MULTICAST_LIST, bytes.data(), uint32_t(bytes.size()), read, needed);
  }
  std::vector<uint16_t> left() const {
    return std::vector<uint16_t>(state.pidChanges.left.begin(), state.pidChanges.left.begin() + state.pidChanges.leftCount);
  }
  std::vector<uint16_t> joined() const {
    return std::vector<uint16_t>(state.pidChanges.joined.begin(), state.pidChanges.joined.begin() + state.pidChanges.joinedCount);
  }
  // What client 3 reads with the PID change request: nothing, or {left, joined}.
  struct Report {
    bool changed = false;
    std::vector<uint16_t> left, joined;
  };
  Report readReport() {
    uint8_t buffer[96] = {};
    uint32_t bytes = 0;
    core::ControlDispatcher(platform, state, channel).dispatch(ctl::IOCTL_CV7_GET_PID_CHANGES, buffer, 0, 96, bytes);
    auto word = [&](uint32_t i) {
      uint32_t value;
      std::memcpy(&value, buffer + 4 * i, 4);
      return value;
    };
    Report report;
    report.changed = word(0) == 1;
    if (!report.changed) return report;
    uint32_t at = 1, count = word(at++);
    for (uint32_t i = 0; i < count; ++i) report.left.push_back(uint16_t(word(at++)));
    count = word(at++);
    for (uint32_t i = 0; i < count; ++i) report.joined.push_back(uint16_t(word(at++)));
    return report;
  }
  void registerStatusEvent() {
    state.client[2].statusHandle = 9;
    state.client[2].statusEvent = 0x55;
  }

  FakePlatform platform;
  core::DriverState state;
  core::CommandChannel channel{platform, state};
  core::AdapterContext adapter;
  uint32_t written = 0, needed = 0, read = 0;
};

uint32_t wordAt(const std::vector<uint8_t>& bytes, size_t index) {
  uint32_t value;
  std::memcpy(&value, bytes.data() + 4 * index, 4);
  return value;
}

TEST_F(NetworkInformationTest, SupportedListNeedsItsWholeLength) {
  std::vector<uint8_t> out;
  EXPECT_EQ(query(core::oid::GEN_SUPPORTED_LIST, out, 100), core::NDIS_STATUS_BUFFER_TOO_SHORT);
  EXPECT_EQ(needed, 196u);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(out[0], 0xCC);  // nothing copied
  EXPECT_EQ(query(core::oid::GEN_SUPPORTED_LIST, out, 196), core::NDIS_STATUS_SUCCESS);
  EXPECT_EQ(written, 196u);
  EXPECT_EQ(wordAt(out, 0), 0x00010101u);
  EXPECT_EQ(wordAt(out, 20), 0x00010115u);
  EXPECT_EQ(wordAt(out, 21), 0x00010117u);
  EXPECT_EQ(wordAt(out, 48), 0xFD010106u);
}

TEST_F(NetworkInformationTest, AnswersTheAdaptersConstantsAndAddresses) {
  std::vector<uint8_t> out;
  struct Expect {
    uint32_t id, value;
  };
  for (auto e : {Expect{core::oid::GEN_MAXIMUM_LOOKAHEAD, 1500}, Expect{core::oid::GEN_LINK_SPEED, 1000000},
                 Expect{core::oid::GEN_TRANSMIT_BUFFER_SPACE, 48448}, Expect{core::oid::GEN_MAXIMUM_TOTAL_SIZE, 1514},
                 Expect{core::oid::GEN_MAC_OPTIONS, 0xF}, Expect{core::oid::GEN_MAXIMUM_SEND_PACKETS, 8},
                 Expect{core::oid::E802_3_MAXIMUM_LIST_SIZE, 8}, Expect{core::oid::GEN_RCV_OK, 0},
                 Expect{core::oid::GEN_MEDIA_CONNECT_STATUS, 0}}) {
    ASSERT_EQ(query(e.id, out, 4), core::NDIS_STATUS_SUCCESS) << std::hex << e.id;
    EXPECT_EQ(wordAt(out, 0), e.value) << std::hex << e.id;
  }
  ASSERT_EQ(query(core::oid::GEN_VENDOR_ID, out, 4), core::NDIS_STATUS_SUCCESS);
  EXPECT_EQ(out, (std::vector<uint8_t>{0x00, 0x00, 0x5F, 0x00}));
  ASSERT_EQ(query(core::oid::GEN_VENDOR_DESCRIPTION, out, 64), core::NDIS_STATUS_SUCCESS);
  EXPECT_EQ(written, 28u);
  EXPECT_EQ(std::string(out.begin(), out.begin() + written), "Corvane-7D Ethernet Adapter.");
  ASSERT_EQ(query(core::oid::GEN_DRIVER_VERSION, out, 2), core::NDIS_STATUS_SUCCESS);
  EXPECT_EQ(written, 2u);
  EXPECT_EQ(out[1], 0x05);
  ASSERT_EQ(query(core::oid::E802_3_PERMANENT_ADDRESS, out, 6), core::NDIS_STATUS_SUCCESS);
  EXPECT_EQ(out, (std::vector<uint8_t>{0x00, 0x00, 0x5F, 0x63, 0x6A, 0x01}));
}

TEST_F(NetworkInformationTest, UnsupportedQueriesAreRefused) {
  std::vector<uint8_t> out;
  for (uint32_t id : {0x0001010Eu, 0x00010112u, 0x00010117u, 0x0002020Du, 0x01010103u, 0x01020101u, 0xFD010100u, 0x12345678u}) {
    EXPECT_EQ(query(id, out, 64), core::NDIS_STATUS_NOT_SUPPORTED) << std::hex << id;
  }
}

TEST_F(NetworkInformationTest, LookaheadAcceptsAtMost238AndQueryStillAnswers1500) {
  EXPECT_EQ(setWord(core::oid::GEN_CURRENT_LOOKAHEAD, 238), core::NDIS_STATUS_SUCCESS);
  EXPECT_EQ(read, 4u);
  EXPECT_EQ(adapter.currentLookahead.load(), 238u);
  EXPECT_EQ(setWord(core::oid::GEN_CURRENT_LOOKAHEAD, 239), core::NDIS_STATUS_INVALID_LENGTH);
  EXPECT_EQ(adapter.currentLookahead.load(), 238u);
  EXPECT_EQ(setWord(core::oid::GEN_CURRENT_LOOKAHEAD, 100, 3), core::NDIS_STATUS_INVALID_LENGTH);
  std::vector<uint8_t> out;
  ASSERT_EQ(query(core::oid::GEN_CURRENT_LOOKAHEAD, out, 4), core::NDIS_STATUS_SUCCESS);
  EXPECT_EQ(wordAt(out, 0), 1500u);
}

TEST_F(NetworkInformationTest, PacketFilterTakesOnlyTheSupportedBits) {
  EXPECT_EQ(setWord(core::oid::GEN_CURRENT_PACKET_FILTER, 0x0B), core::NDIS_STATUS_SUCCESS);
  EXPECT_EQ(adapter.packetFilter.load(), 0x0Bu);
  EXPECT_EQ(setWord(core::oid::GEN_CURRENT_PACKET_FILTER, 0x10), core::NDIS_STATUS_NOT_SUPPORTED);
  EXPECT_EQ(read, 4u);
  EXPECT_EQ(setWord(core::oid::GEN_CURRENT_PACKET_FILTER, 0x40), core::NDIS_STATUS_NOT_SUPPORTED);
  EXPECT_EQ(adapter.packetFilter.load(), 0x0Bu);
  EXPECT_EQ(setWord(core::oid::GEN_CURRENT_PACKET_FILTER, 0x0B, 2), core::NDIS_STATUS_INVALID_LENGTH);
  EXPECT_EQ(read, 0u);
}

TEST_F(NetworkInformationTest, OtherSetsAreRefused) {
  EXPECT_EQ(setWord(core::oid::PNP_SET_POWER, 1), core::NDIS_STATUS_NOT_SUPPORTED);
  EXPECT_EQ(setWord(core::oid::PNP_ENABLE_WAKE_UP, 1), core::NDIS_STATUS_NOT_SUPPORTED);
  EXPECT_EQ(setWord(core::oid::GEN_LINK_SPEED, 1), core::NDIS_STATUS_INVALID_OID);
  EXPECT_EQ(read, 0u);
}

TEST_F(NetworkInformationTest, MulticastListOfWrongLengthStartsNoTimer) {
  uint8_t bytes[13] = {};
  EXPECT_EQ(info().set(core::oid::E802_3_MULTICAST_LIST, bytes, 13, read, needed), core::NDIS_STATUS_INVALID_LENGTH);
  EXPECT_TRUE(platform.timersSet.empty());
}

TEST_F(NetworkInformationTest, MulticastListOfMoreThanEightIsRefused) {
  std::vector<std::array<uint8_t, 6>> nine(9, {0x01, 0x00, 0x5E, 0, 1, 0});
  EXPECT_EQ(setList(nine), core::NDIS_STATUS_MULTICAST_FULL);
  EXPECT_EQ(adapter.multicastCount.load(), 0u);
  EXPECT_TRUE(platform.timersSet.empty());
}

TEST_F(NetworkInformationTest, MulticastTimerReportsJoinedAndLeftPids) {
  registerStatusEvent();
  ASSERT_EQ(setList({{0x01, 0x00, 0x5E, 0x00, 0x01, 0x00}}), core::NDIS_STATUS_PENDING);
  EXPECT_EQ(platform.timersSet[core::TimerId::Multicast], 10u);
  info().multicastTimer();
  EXPECT_EQ(readReport().joined, (std::vector<uint16_t>{0x0100}));
  EXPECT_EQ(state.pidChanges.changeCounter.load(), 1);

  setList({{0x01, 0x00, 0x5E, 0x00, 0x01, 0x00}, {0x01, 0x00, 0x5E, 0x7F, 0x02, 0x34}});
  info().multicastTimer();
  Report second = readReport();
  EXPECT_EQ(second.joined, (std::vector<uint16_t>{0x0234}));
  EXPECT_TRUE(second.left.empty());

  setList({{0x01, 0x00, 0x5E, 0x00, 0x01, 0x00}});
  info().multicastTimer();
  Report third = readReport();
  EXPECT_EQ(third.left, (std::vector<uint16_t>{0x0234}));
  EXPECT_TRUE(third.joined.empty());
  EXPECT_EQ(platform.signalCount(0x55), 3);
  EXPECT_EQ(state.pidChanges.changeCounter.load(), 3);
  // No card behind this adapter: the card does not take the list.
  EXPECT_EQ(platform.setCompletions.back(), core::NDIS_STATUS_FAILURE);
}

TEST_F(NetworkInformationTest, AddressesWithTheSameLowThirteenBitsAreTheSamePid) {
  setList({{0x01, 0x00, 0x5E, 0x00, 0x01, 0x00}});
  info().multicastTimer();
  setList({{0x01, 0x00, 0x5E, 0x00, 0x21, 0x00}});
  info().multicastTimer();
  EXPECT_TRUE(left().empty());
  EXPECT_TRUE(joined().empty());
}

// Client 3 reads after two changes: it hears of both, once.
TEST_F(NetworkInformationTest, ChangesBeforeClientThreeReadsAreAddedToTheUnreadReport) {
  registerStatusEvent();
  setList({{0x01, 0x00, 0x5E, 0x00, 0x01, 0x00}, {0x01, 0x00, 0x5E, 0x00, 0x01, 0x01}});
  info().multicastTimer();
  ASSERT_EQ(readReport().joined.size(), 2u);
  setList({{0x01, 0x00, 0x5E, 0x00, 0x01, 0x00}, {0x01, 0x00, 0x5E, 0x00, 0x02, 0x02}});
  info().multicastTimer();
  setList({{0x01, 0x00, 0x5E, 0x00, 0x02, 0x02}, {0x01, 0x00, 0x5E, 0x00, 0x03, 0x03}});
  info().multicastTimer();
  Report both = readReport();
  EXPECT_TRUE(both.changed);
  EXPECT_EQ(both.left, (std::vector<uint16_t>{0x0100, 0x0101}));
  EXPECT_EQ(both.joined, (std::vector<uint16_t>{0x0202, 0x0303}));
  EXPECT_FALSE(readReport().changed);
  EXPECT_EQ(platform.signalCount(0x55), 3);
}

// The status event wakes a client that reads at once, from within the signal.
TEST_F(NetworkInformationTest, StatusEventComesAfterTheChangeIsReadable) {
  registerStatusEvent();
  Report heard;
  platform.onSignal = [&](core::EventObject object) {
    if (object == 0x55) heard = readReport();
  };
  setList({{0x01, 0x00, 0x5E, 0x00, 0x01, 0x00}});
  info().multicastTimer();
  platform.onSignal = nullptr;
  EXPECT_TRUE(heard.changed);
  EXPECT_EQ(heard.joined, (std::vector<uint16_t>{0x0100}));
}

TEST_F(NetworkInformationTest, WithoutAStatusEventTheCounterStays) {
  setList({{0x01, 0x00, 0x5E, 0x00, 0x01, 0x00}});
  info().multicastTimer();
  EXPECT_EQ(state.pidChanges.changeCounter.load(), 0);
  state.pidChanges.changeCounter = 99;
  state.client[2].statusHandle = 9;
  info().multicastTimer();
  EXPECT_EQ(state.pidChanges.changeCounter.load(), 0);  // wraps after 99
}

}  // namespace
}  // namespace cv7::test
