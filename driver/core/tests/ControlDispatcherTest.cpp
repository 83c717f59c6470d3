// The control requests as a client sees them: codes, buffers, answers and the driver-global
// state they change.
#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <cstring>
#include <map>
#include <thread>
#include <vector>

#include "ControlCodes.h"
#include "FakePlatform.h"
#include "LittleEndian.h"
#include "Miniport.h"

namespace cv7::test {

using namespace ctl;
using core::STATUS_BUFFER_TOO_SMALL;
using core::STATUS_INVALID_PARAMETER;
using core::STATUS_SUCCESS;

namespace {

struct Answer {
  Status status;
  uint32_t bytes;
  std::vector<uint8_t> buffer;
  uint32_t word(uint32_t i) const { return core::le::load32(buffer.data() + 4 * i); }
};

// A register window that remembers its accesses, standing in for a started adapter's.
class RecordingWindow : public core::RegisterWindow {
 public:
  uint32_t read32(uint32_t offset) override {
    reads.push_back(offset);
    return 0xA0000000u | offset;
  }
  void write32(uint32_t offset, uint32_t value) override { writes.push_back({offset, value}); }
  std::vector<uint32_t> reads;
  std::vector<std::pair<uint32_t, uint32_t>> writes;
};

class ControlDispatcherTest : public ::testing::Test {
 protected:
  Answer call(uint32_t code, std::vector<uint32_t> input = {}, uint32_t outputLength = 256) {
    std::vector<uint8_t> bytes(input.size() * 4);
    for (size_t i = 0; i < input.size(); ++i) core::le::store32(bytes.data() + 4 * i, input[i]);
    return callBytes(code, bytes, uint32_t(bytes.size()), outputLength);
  }
  Answer callBytes(uint32_t code, std::vector<uint8_t> input, uint32_t inputLength, uint32_t outputLength) {
    Answer answer{0, 0, {}};
    answer.buffer.assign(std::max<size_t>({input.size(), inputLength, outputLength, 1}), 0xEE);
    if (!input.empty()) std::memcpy(answer.buffer.data(), input.data(), input.size());
    answer.status = miniport.control(code, answer.buffer.data(), inputLength, outputLength, answer.bytes);
    return answer;
  }
  uint32_t addPid(uint16_t pid, uint8_t kind) { return call(IOCTL_CV7_ADD_PID, {kind, pid}).word(0); }
  uint32_t removePid(uint16_t pid) { return call(IOCTL_CV7_REMOVE_PID, {0, pid}).word(0); }
  uint32_t acquire(uint32_t client) { return call(IOCTL_CV7_ACQUIRE_CHANNEL, {client}).word(0); }
  core::DriverState& state() { return miniport.state(); }

  FakePlatform platform;
  core::Miniport miniport{platform};
};

}  // namespace

TEST_F(ControlDispatcherTest, AnswersConstantVersions) {
  Answer interface = call(IOCTL_CV7_GET_INTERFACE_VERSION);
  EXPECT_EQ(interface.status, STATUS_SUCCESS);
  EXPECT_EQ(interface.bytes, 8u);
  EXPECT_EQ(interface.word(0), 2u);
  EXPECT_EQ(interface.word(1), 0u);
  Answer driver = call(IOCTL_CV7_GET_DRIVER_VERSION);
  EXPECT_EQ(driver.bytes, 8u);
  EXPECT_EQ(driver.word(0), 2u);
  EXPECT_EQ(driver.word(1), 20u);
}

TEST_F(ControlDispatcherTest, UnknownCodesAreInvalidAndReservedCodesSucceedEmpty) {
  for (uint32_t code : {0x172080u, 0x172084u, 0x1720A4u, 0x1720ACu, 0x172011u, 0u, 0x222000u}) {
    Answer answer = call(code);
    EXPECT_EQ(answer.status, STATUS_INVALID_PARAMETER) << std::hex << code;
    EXPECT_EQ(answer.bytes, 0u);
  }
  std::vector<uint32_t> reserved = {0x172060, 0x172064, 0x172070, 0x172074};
  for (uint32_t code = 0x172010; code <= 0x172034; code += 4) reserved.push_back(code);
  for (uint32_t code : reserved) {
    Answer answer = call(code, {}, 0);
    EXPECT_EQ(answer.status, STATUS_SUCCESS) << std::hex << code;
    EXPECT_EQ(answer.bytes, 0u);
  }
}

TEST_F(ControlDispatcherTest, PidTableRefusesDuplicatesAndAFullTableAndReusesAFreedEntry) {
  EXPECT_EQ(addPid(0x100, kKindMpe), 1u);
  EXPECT_EQ(addPid(0x100, kKindRawPes), 0u);
  EXPECT_EQ(state().pidTable.entry[0].kind(), kKindMpe);
  EXPECT_EQ(removePid(0x100), 1u);
  EXPECT_EQ(removePid(0x100), 0u);
  for (uint16_t i = 0; i < kPidTableEntries; ++i) EXPECT_EQ(addPid(0x200 + i, kKindStuffedStream), 1u);
  EXPECT_EQ(addPid(0x300, kKindMpe), 0u);
  EXPECT_EQ(removePid(0x205), 1u);
  EXPECT_EQ(addPid(0x300, kKindRawSections), 1u);
  EXPECT_EQ(state().pidTable.entry[5].pid(), 0x300);
  EXPECT_EQ(state().pidTable.entry[5].kind(), kKindRawSections);
  call(IOCTL_CV7_RELEASE_ALL_PIDS, {}, 0);
  for (auto& entry : state().pidTable.entry) EXPECT_EQ(entry.load(), core::PidFilterEntry::pack(kPidFree, 0));
  addPid(0x10, 3);
  EXPECT_EQ(call(IOCTL_CV7_CLEAR_PIDS, {}, 0).bytes, 0u);
  EXPECT_EQ(state().pidTable.entry[0].pid(), kPidFree);
}

// Two clients on their own connections add and remove at the same moment: every answer 1
// names an entry that is in the table once, every answer 0 had a reason.
TEST_F(ControlDispatcherTest, ConcurrentAddsAndRemovesKeepEveryAnswerTrue) {
  constexpr int kRounds = 3000;
  uint32_t sameAnswer[2] = {}, ownAnswer[2] = {}, removeAnswer[2] = {};
  std::atomic<int> arrived{0};
  auto client = [&](int n) {
    // Both start together: the barrier wakes them one after the other.
    int mine = arrived.fetch_add(1) + 1;
    while (arrived.load() < mine + (mine % 2)) {
    }
    sameAnswer[n] = addPid(0x100, kKindMpe);        // both add one PID
    ownAnswer[n] = addPid(uint16_t(0x200 + n), 5);   // each its own: one entry left, or two after a remove
    removeAnswer[n] = removePid(0x300);              // both remove one PID
  };
  std::barrier sync(2);
  std::thread other([&] {
    for (int round = 0; round < kRounds; ++round) {
      sync.arrive_and_wait();  // the table is set up
      client(1);
      sync.arrive_and_wait();
    }
  });
  for (int round = 0; round < kRounds; ++round) {
    call(IOCTL_CV7_CLEAR_PIDS, {}, 0);
    for (uint16_t i = 0; i < kPidTableEntries - 3; ++i) addPid(0x400 + i, kKindMpe);
    addPid(0x300, kKindMpe);  // two entries are free
    sync.arrive_and_wait();
    client(0);
    sync.arrive_and_wait();
    if (HasFailure()) continue;  // one round's report is enough
    std::map<uint16_t, int> present;
    for (auto& entry : state().pidTable.entry) ++present[entry.pid()];
    EXPECT_EQ(sameAnswer[0] + sameAnswer[1], 1u) << "round " << round;
    EXPECT_EQ(present[0x100], 1) << "round " << round;
    EXPECT_GE(ownAnswer[0] + ownAnswer[1], 1u) << "round " << round;
    for (int n = 0; n < 2; ++n) EXPECT_EQ(present[uint16_t(0x200 + n)], int(ownAnswer[n])) << "round " << round;
    EXPECT_EQ(removeAnswer[0] + removeAnswer[1], 1u) << "round " << round;
    EXPECT_EQ(present[0x300], 0) << "round " << round;
  }
  other.join();
}

TEST_F(ControlDispatcherTest, MacAddressBytesAreSignExtendedAndIpOctetsStored) {
  const uint8_t address[6] = {0x80, 0x01, 0x5F, 0xFF, 0x7F, 0x00};
  for (int i = 0; i < 6; ++i) state().stationAddress[i] = address[i];
  Answer mac = call(IOCTL_CV7_GET_MAC_ADDRESS);
  EXPECT_EQ(mac.bytes, 24u);
  EXPECT_EQ(mac.word(0), 0xFFFFFF80u);
  EXPECT_EQ(mac.word(1), 0x01u);
  EXPECT_EQ(mac.word(3), 0xFFFFFFFFu);
  EXPECT_EQ(mac.word(4), 0x7Fu);
  Answer ip = call(IOCTL_CV7_SET_IP_ADDRESS, {0x1C0, 168, 0xFF01, 7}, 0);
  EXPECT_EQ(ip.bytes, 0u);
  EXPECT_EQ(state().ipAddress[0], 0xC0);
  EXPECT_EQ(state().ipAddress[2], 0x01);
  EXPECT_EQ(state().ipAddress[3], 7);
}

TEST_F(ControlDispatcherTest, ClientsReferenceAndReleaseTheirEvents) {
  platform.addEventHandle(11);
  platform.addEventHandle(31);
  platform.addEventHandle(32);
  EXPECT_EQ(call(IOCTL_CV7_OPEN_CLIENT, {1, 11}, 0).status, STATUS_SUCCESS);
  EXPECT_EQ(call(IOCTL_CV7_QUERY_CLIENT1_OPEN).word(0), 1u);
  EXPECT_EQ(call(IOCTL_CV7_OPEN_CLIENT, {3, 31, 32}, 0).status, STATUS_SUCCESS);
  EXPECT_EQ(platform.referenced, (std::set<core::EventObject>{0x1000 + 11, 0x1000 + 31, 0x1000 + 32}));
  EXPECT_EQ(state().client[2].statusEvent, 0x1000u + 32);
  call(IOCTL_CV7_CLOSE_CLIENT, {3}, 0);
  EXPECT_EQ(platform.referenced, (std::set<core::EventObject>{0x1000 + 11}));
  EXPECT_EQ(state().client[2].active, 0u);
  EXPECT_EQ(state().client[2].statusHandle, 0u);
  call(IOCTL_CV7_CLOSE_CLIENT, {1}, 0);
  EXPECT_TRUE(platform.referenced.empty());
  EXPECT_EQ(call(IOCTL_CV7_QUERY_CLIENT1_OPEN).word(0), 0u);
}

TEST_F(ControlDispatcherTest, OpenSucceedsWhenTheEventCannotBeReferenced) {
  Answer open = call(IOCTL_CV7_OPEN_CLIENT, {2, 99}, 0);
  EXPECT_EQ(open.status, STATUS_SUCCESS);
  EXPECT_EQ(state().client[1].active, 1u);
  EXPECT_EQ(state().client[1].event, 0u);
  EXPECT_EQ(state().client[1].handle, 0u);  // nothing will be signalled for it
  // A number other than 1..3 registers nothing.
  EXPECT_EQ(call(IOCTL_CV7_OPEN_CLIENT, {7}, 0).status, STATUS_SUCCESS);
}

TEST_F(ControlDispatcherTest, ArbitrationGrantsThe201stRequestAndRefusesTheHolder) {
  EXPECT_EQ(acquire(2), 1u);
  EXPECT_EQ(state().channelOwner, 2u);
  EXPECT_EQ(acquire(2), 0u);
  for (int i = 0; i < 200; ++i) ASSERT_EQ(acquire(1), 0u) << i;
  EXPECT_EQ(state().client[0].refusals, 200u);
  EXPECT_EQ(acquire(1), 1u);
  EXPECT_EQ(state().channelOwner, 1u);
  for (auto& client : state().client) EXPECT_EQ(client.refusals, 0u);
  call(IOCTL_CV7_RELEASE_CHANNEL, {}, 0);
  EXPECT_EQ(state().channelOwner, 0u);
  // A free channel goes to any number; a non-client then never loses it by arbitration.
  EXPECT_EQ(acquire(9), 1u);
  EXPECT_EQ(acquire(1), 0u);
  EXPECT_EQ(state().client[0].refusals, 0u);
}

TEST_F(ControlDispatcherTest, SimultaneousAcquiresOnAFreeChannelGrantOnce) {
  for (int round = 0; round < 20; ++round) {
    std::atomic<int> grants{0};
    std::vector<std::thread> clients;
    for (uint32_t client = 1; client <= 3; ++client)
      clients.emplace_back([&, client] { grants += int(acquire(client)); });
    for (auto& t : clients) t.join();
    EXPECT_EQ(grants, 1);
    call(IOCTL_CV7_RELEASE_CHANNEL, {}, 0);
  }
}

TEST_F(ControlDispatcherTest, ALateReleaseOfAnotherClientLeavesTheChannelToItsHolder) {
  // Client 1's command has ended (the driver freed the channel) and client 2 was granted it
  // before client 1's release arrived.
  ASSERT_EQ(acquire(2), 1u);
  call(IOCTL_CV7_RELEASE_CHANNEL, {1}, 0);
  EXPECT_EQ(state().channelOwner, 2u);
  EXPECT_EQ(acquire(3), 0u);
  call(IOCTL_CV7_RELEASE_CHANNEL, {2}, 0);
  EXPECT_EQ(state().channelOwner, 0u);
  // A release that names no client frees the channel whoever holds it.
  ASSERT_EQ(acquire(3), 1u);
  call(IOCTL_CV7_RELEASE_CHANNEL, {}, 0);
  EXPECT_EQ(state().channelOwner, 0u);
}

TEST_F(ControlDispatcherTest, AnOpenByTheHolderFreesTheChannel) {
  acquire(3);
  call(IOCTL_CV7_OPEN_CLIENT, {1, 0}, 0);
  EXPECT_EQ(state().channelOwner, 3u);
  call(IOCTL_CV7_OPEN_CLIENT, {3, 0, 0}, 0);
  EXPECT_EQ(state().channelOwner, 0u);
  acquire(8);
  call(IOCTL_CV7_OPEN_CLIENT, {8}, 0);
  EXPECT_EQ(state().channelOwner, 0u);
}

TEST_F(ControlDispatcherTest, RegistersNeedAStartedAdapterAndAnAlignedOffsetInTheWindow) {
  EXPECT_EQ(call(IOCTL_CV7_READ_REGISTER, {0x4C}).status, STATUS_INVALID_PARAMETER);
  EXPECT_EQ(call(IOCTL_CV7_GET_REGISTER_BASE).word(0), 0u);
  RecordingWindow window;
  state().registers = &window;
  state().registerWindowLength = 0x100000;
  state().registerBaseToken = 0xFE000000;
  Answer read = call(IOCTL_CV7_READ_REGISTER, {0x4C});
  EXPECT_EQ(read.status, STATUS_SUCCESS);
  EXPECT_EQ(read.bytes, 4u);
  EXPECT_EQ(read.word(0), 0xA000004Cu);
  EXPECT_EQ(call(IOCTL_CV7_WRITE_REGISTER, {0xFFFFC, 5}, 0).status, STATUS_SUCCESS);
  for (uint32_t bad : {0x4Du, 0x100000u, 0xFFFFFFFCu}) {
    EXPECT_EQ(call(IOCTL_CV7_READ_REGISTER, {bad}).status, STATUS_INVALID_PARAMETER);
    Answer write = call(IOCTL_CV7_WRITE_REGISTER, {bad, 1}, 0);
    EXPECT_EQ(write.status, STATUS_INVALID_PARAMETER);
    EXPECT_EQ(write.bytes, 0u);
  }
  EXPECT_EQ(window.reads, std::vector<uint32_t>{0x4C});
  EXPECT_EQ(window.writes, (std::vector<std::pair<uint32_t, uint32_t>>{{0xFFFFC, 5}}));
  EXPECT_EQ(call(IOCTL_CV7_GET_REGISTER_BASE).word(0), 0xFE000000u);
  state().registers = nullptr;
}

TEST_F(ControlDispatcherTest, ShortBuffersAreRefusedWithoutChangingAnything) {
  struct Need {
    uint32_t code, input, output;
  };
  const Need needs[] = {
      {IOCTL_CV7_GET_INTERFACE_VERSION, 0, 8}, {IOCTL_CV7_GET_REGISTER_BASE, 0, 4},
      {IOCTL_CV7_WRITE_REGISTER, 8, 0},        {IOCTL_CV7_READ_REGISTER, 4, 4},
      {IOCTL_CV7_ADD_PID, 6, 4},               {IOCTL_CV7_REMOVE_PID, 6, 4},
      {IOCTL_CV7_SET_IP_ADDRESS, 16, 0},       {IOCTL_CV7_GET_MAC_ADDRESS, 0, 24},
      {IOCTL_CV7_GET_DRIVER_VERSION, 0, 8},    {IOCTL_CV7_OPEN_CLIENT, 4, 0},
      {IOCTL_CV7_CLOSE_CLIENT, 4, 0},          {IOCTL_CV7_ACQUIRE_CHANNEL, 4, 4},
      {IOCTL_CV7_QUERY_CLIENT1_OPEN, 0, 4},    {IOCTL_CV7_SEND_COMMAND, 32, 32},
      {IOCTL_CV7_GET_PROGRAM_TABLE, 0, kProgramTableSize}, {IOCTL_CV7_OPEN_DATA_PATH, 4, 4},
      {IOCTL_CV7_ENABLE_DATA_PATH, 0, 4},      {IOCTL_CV7_GET_DATA_POSITIONS, 0, 8},
      {IOCTL_CV7_SET_DATA_READ_POSITION, 4, 0}, {IOCTL_CV7_READ_DATA_HEADER, 0, 6},
      {IOCTL_CV7_READ_DATA, 8, 0},             {IOCTL_CV7_GET_PID_CHANGES, 0, 4},
  };
  for (const Need& need : needs) {
    std::vector<uint8_t> input(need.input, 0x01);
    if (need.input) {
      Answer answer = callBytes(need.code, input, need.input - 1, need.output);
      EXPECT_EQ(answer.status, STATUS_BUFFER_TOO_SMALL) << std::hex << need.code;
      EXPECT_EQ(answer.bytes, 0u);
    }
    if (need.output) {
      Answer answer = callBytes(need.code, input, need.input, need.output - 1);
      EXPECT_EQ(answer.status, STATUS_BUFFER_TOO_SMALL) << std::hex << need.code;
      EXPECT_EQ(answer.bytes, 0u);
    }
  }
  EXPECT_EQ(state().pidTable.entry[0].pid(), kPidFree);
  EXPECT_EQ(state().channelOwner, 0u);
  EXPECT_EQ(state().data.capture, 0u);
  EXPECT_EQ(state().ipAddress[0], 0u);
  // Client 1 needs its event word too, client 3 also the status event word.
  EXPECT_EQ(call(IOCTL_CV7_OPEN_CLIENT, {1}, 0).status, STATUS_BUFFER_TOO_SMALL);
  EXPECT_EQ(call(IOCTL_CV7_OPEN_CLIENT, {3, 0}, 0).status, STATUS_BUFFER_TOO_SMALL);
  EXPECT_EQ(state().client[0].active, 0u);
  EXPECT_EQ(state().client[2].active, 0u);
  uint32_t returned = 7;
  EXPECT_EQ(miniport.control(IOCTL_CV7_GET_DRIVER_VERSION, nullptr, 0, 8, returned), STATUS_BUFFER_TOO_SMALL);
  EXPECT_EQ(returned, 0u);
}

class DataPathTest : public ControlDispatcherTest {
 protected:
  void SetUp() override { state().data.ring = ring.data(); }
  void TearDown() override { state().data.ring = nullptr; }
  void writeRing(uint32_t at, std::vector<uint8_t> bytes) {
    for (uint8_t b : bytes) ring[at++ % kDataRingSize] = b;
    state().data.writePosition = at % kDataRingSize;
  }
  std::vector<uint8_t> ring = std::vector<uint8_t>(kDataRingSize);
};

TEST_F(DataPathTest, OpenReferencesTheEventResetsPositionsAndReportsTheReferencing) {
  platform.addEventHandle(5);
  state().data.writePosition = 100;
  state().data.readPosition = 50;
  Answer open = call(IOCTL_CV7_OPEN_DATA_PATH, {5});
  EXPECT_EQ(open.status, STATUS_SUCCESS);
  EXPECT_EQ(open.bytes, 4u);
  EXPECT_EQ(open.word(0), 1u);
  EXPECT_EQ(state().data.writePosition, 0u);
  EXPECT_EQ(state().data.readPosition, 0u);
  EXPECT_TRUE(platform.referenced.count(0x1000 + 5));
  call(IOCTL_CV7_ENABLE_DATA_PATH);
  call(IOCTL_CV7_CLOSE_DATA_PATH, {}, 0);
  EXPECT_TRUE(platform.referenced.empty());
  EXPECT_EQ(state().data.capture, 0u);
  Answer bad = call(IOCTL_CV7_OPEN_DATA_PATH, {6});
  EXPECT_EQ(bad.status, core::STATUS_INVALID_HANDLE);
  EXPECT_EQ(bad.word(0), 1u);
  EXPECT_EQ(bad.bytes, 4u);
}

TEST_F(DataPathTest, EnableAnswersOnceUntilClosed) {
  EXPECT_EQ(call(IOCTL_CV7_ENABLE_DATA_PATH).word(0), 1u);
  EXPECT_EQ(call(IOCTL_CV7_ENABLE_DATA_PATH).word(0), 0u);
  EXPECT_EQ(call(IOCTL_CV7_ENABLE_DATA_PATH).word(0), 0u);
  call(IOCTL_CV7_OPEN_DATA_PATH, {0});
  EXPECT_EQ(call(IOCTL_CV7_ENABLE_DATA_PATH).word(0), 0u);
  call(IOCTL_CV7_CLOSE_DATA_PATH, {}, 0);
  EXPECT_EQ(call(IOCTL_CV7_ENABLE_DATA_PATH).word(0), 1u);
}

TEST_F(DataPathTest, HeaderIsReadAcrossTheRingsEnd) {
  state().data.readPosition = kDataRingSize - 2;
  writeRing(kDataRingSize - 2, {0x34, 0x12, 0x0A, 0x00});
  Answer early = call(IOCTL_CV7_READ_DATA_HEADER);
  EXPECT_EQ(early.status, STATUS_SUCCESS);
  EXPECT_EQ(early.bytes, 0u);
  EXPECT_EQ(state().data.readPosition, kDataRingSize - 2);
  writeRing(2, {0x10, 0x00});
  Answer header = call(IOCTL_CV7_READ_DATA_HEADER);
  EXPECT_EQ(header.bytes, 6u);
  EXPECT_EQ(std::vector<uint8_t>(header.buffer.begin(), header.buffer.begin() + 6),
            (std::vector<uint8_t>{0x34, 0x12, 0x0A, 0x00, 0x10, 0x00}));
  EXPECT_EQ(state().data.readPosition, 4u);
  Answer positions = call(IOCTL_CV7_GET_DATA_POSITIONS);
  EXPECT_EQ(positions.word(0), 4u);
  EXPECT_EQ(positions.word(1), 4u);
}

TEST_F(DataPathTest, ReadDataCopiesAcrossTheEndAndAdvancesOnlyWhenAsked) {
  state().data.readPosition = kDataRingSize - 3;
  writeRing(kDataRingSize - 3, {1, 2, 3, 4, 5});
  Answer peek = call(IOCTL_CV7_READ_DATA, {0, 5});
  EXPECT_EQ(peek.bytes, 5u);
  EXPECT_EQ(std::vector<uint8_t>(peek.buffer.begin(), peek.buffer.begin() + 5), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(state().data.readPosition, kDataRingSize - 3);
  EXPECT_EQ(call(IOCTL_CV7_READ_DATA, {1, 6}).bytes, 0u);
  EXPECT_EQ(call(IOCTL_CV7_READ_DATA, {1, 5}).bytes, 5u);
  EXPECT_EQ(state().data.readPosition, 2u);
  EXPECT_EQ(call(IOCTL_CV7_READ_DATA, {1, 300}, 299).status, STATUS_BUFFER_TOO_SMALL);
}

TEST_F(DataPathTest, ReadPositionOutsideTheRingIsRefused) {
  EXPECT_EQ(call(IOCTL_CV7_SET_DATA_READ_POSITION, {0x1FFFE}, 0).status, STATUS_SUCCESS);
  EXPECT_EQ(state().data.readPosition, 0x1FFFEu);
  EXPECT_EQ(call(IOCTL_CV7_SET_DATA_READ_POSITION, {kDataRingSize}, 0).status, STATUS_INVALID_PARAMETER);
  EXPECT_EQ(state().data.readPosition, 0x1FFFEu);
}

TEST_F(ControlDispatcherTest, WithoutARingDataRequestsSeeAnEmptyRing) {
  state().data.writePosition = 40;
  EXPECT_EQ(call(IOCTL_CV7_READ_DATA_HEADER).bytes, 0u);
  EXPECT_EQ(call(IOCTL_CV7_READ_DATA, {1, 0}).bytes, 0u);
  EXPECT_EQ(call(IOCTL_CV7_READ_DATA, {1, 4}).bytes, 0u);
}

TEST_F(ControlDispatcherTest, PidChangesAreReportedOncePerChange) {
  Answer none = call(IOCTL_CV7_GET_PID_CHANGES, {}, 96);
  EXPECT_EQ(none.bytes, 4u);
  EXPECT_EQ(none.word(0), 0u);
  auto& report = state().pidChanges;
  report.leftCount = 1;
  report.left[0] = 0x1FFF;
  report.joinedCount = 2;
  report.joined[0] = 0x0101;
  report.joined[1] = 0x0202;
  report.changeCounter = 1;
  EXPECT_EQ(call(IOCTL_CV7_GET_PID_CHANGES, {}, 16).status, STATUS_BUFFER_TOO_SMALL);
  Answer changes = call(IOCTL_CV7_GET_PID_CHANGES, {}, 96);
  EXPECT_EQ(changes.bytes, 4u * (1 + 2 + 3));
  EXPECT_EQ(changes.word(0), 1u);
  EXPECT_EQ(changes.word(1), 1u);
  EXPECT_EQ(changes.word(2), 0x1FFFu);
  EXPECT_EQ(changes.word(3), 2u);
  EXPECT_EQ(changes.word(4), 0x0101u);
  EXPECT_EQ(changes.word(5), 0x0202u);
  EXPECT_EQ(call(IOCTL_CV7_GET_PID_CHANGES, {}, 96).word(0), 0u);
  report.leftCount = 0;
  report.joinedCount = 0;
  report.changeCounter = 2;
  Answer empty = call(IOCTL_CV7_GET_PID_CHANGES, {}, 96);
  EXPECT_EQ(empty.bytes, 12u);
  EXPECT_EQ(empty.word(0), 1u);
}

}  // namespace cv7::test
