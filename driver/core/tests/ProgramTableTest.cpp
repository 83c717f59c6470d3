// The program table read: the card's payload through the mailbox into the 43972-byte table,
// with its result rule and the bounds of every area.
#include <gtest/gtest.h>

#include "CommandChannelHarness.h"
#include "CommandCodes.h"
#include "ProgramTablePayload.h"

namespace cv7::test {

using namespace ctl;
using core::le::load16;
using core::le::load32;

namespace {

class ProgramTableTest : public CommandChannelHarness {
 protected:
  uint16_t read(const ProgramTablePayload& payload) { return readBytes(payload.encode()); }
  uint16_t readBytes(std::vector<uint8_t> bytes) {
    platform.card().setProgramTablePayload(std::move(bytes));
    return readCard();
  }
  uint16_t readCard() {
    table.assign(kProgramTableSize, 0xEE);
    channel.readProgramTable(table.data());
    return load16(&table[kTableResult]);
  }
  uint16_t at16(uint32_t offset) const { return load16(&table[offset]); }
  uint16_t kindOf(uint32_t program, uint32_t j) const { return at16(program * kProgramEntrySize + kEntryComponents + 4 * j); }
  uint16_t pidOf(uint32_t program, uint32_t j) const { return at16(program * kProgramEntrySize + kEntryComponents + 4 * j + 2); }
  uint8_t components(uint32_t program) const { return table[program * kProgramEntrySize + kEntryComponentCount]; }
  bool zeroFrom(uint32_t offset, uint32_t count) const {
    for (uint32_t i = 0; i < count; ++i)
      if (table[offset + i] != 0) return false;
    return true;
  }
  std::vector<uint8_t> table;
};

PayloadProgram serviceProgram() {
  PayloadProgram p;
  p.first = 0x0440, p.second = 0x0101, p.third = 0x0100;
  p.service = true;
  p.name = "Data One";
  p.video = 0x0200;
  p.audio = {0x0201, 0x0202};
  p.afterAudio = 0x0203;
  p.scrambled = 0x81;
  p.streams = {{0x0300, 3}, {0x0301, 4}, {0x0302, 5}};
  return p;
}

}  // namespace

TEST_F(ProgramTableTest, ServiceBlockProgramFillsItsEntry) {
  ProgramTablePayload payload;
  payload.programs = {serviceProgram()};
  payload.trailer1 = 11778000;
  payload.trailer2 = 27500;
  ASSERT_EQ(read(payload), kResultSuccess);
  EXPECT_EQ(at16(kTableFirstValue), 0x0440);
  EXPECT_EQ(table[kTableProgramCount], 1);
  EXPECT_EQ(at16(kEntrySecondValue), 0x0101);
  EXPECT_EQ(at16(kEntryThirdValue), 0x0100);
  EXPECT_EQ(at16(kEntryAfterAudio), 0x0203);
  EXPECT_EQ(at16(kEntryScrambled), 0x0081);
  EXPECT_EQ(table[kEntryNameLength], 8);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&table[kEntryName])), "Data One");
  ASSERT_EQ(components(0), 5);
  const uint16_t kinds[] = {kComponentVideo, kComponentAudio, kComponentAudio, kComponentMpe, kComponentPesData};
  const uint16_t pids[] = {0x0200, 0x0201, 0x0202, 0x0300, 0x0302};
  for (uint32_t j = 0; j < 5; ++j) {
    EXPECT_EQ(kindOf(0, j), kinds[j]) << j;
    EXPECT_EQ(pidOf(0, j), pids[j]) << j;
  }
  EXPECT_EQ(load32(&table[kTableTrailer1]), 11778000u);
  EXPECT_EQ(load32(&table[kTableTrailer2]), 27500u);
  // The table is zeroed before it is filled.
  EXPECT_TRUE(zeroFrom(kProgramEntrySize, kTableTrailer1 - kProgramEntrySize));
  EXPECT_EQ(platform.card().stats().hostAcks, 1u);
  EXPECT_EQ(state.channelOwner, 0u);
}

TEST_F(ProgramTableTest, ProgramWithoutServiceBlockCountsOnlyMpeAndPesStreams) {
  PayloadProgram plain;
  plain.first = 7, plain.second = 0x0102, plain.third = 0x0110;
  plain.streams = {{0x0400, 5}, {0x0401, 2}, {0x0402, 3}, {0x0403, 0}};
  PayloadProgram noVideo = serviceProgram();
  noVideo.first = 9;
  noVideo.video = 0xFFFF;
  noVideo.streams = {};
  ProgramTablePayload payload;
  payload.programs = {plain, noVideo};
  ASSERT_EQ(read(payload), kResultSuccess);
  EXPECT_EQ(table[kTableProgramCount], 2);
  EXPECT_EQ(at16(kTableFirstValue), 9);  // the last program's value
  EXPECT_EQ(components(0), 2);
  EXPECT_EQ(kindOf(0, 0), kComponentPesData);
  EXPECT_EQ(pidOf(0, 0), 0x0400);
  EXPECT_EQ(kindOf(0, 1), kComponentMpe);
  EXPECT_EQ(table[kEntryNameLength], 0);
  EXPECT_EQ(at16(kEntryAfterAudio), 0);
  EXPECT_EQ(at16(kEntryScrambled), 0);
  const uint32_t second = kProgramEntrySize;
  EXPECT_EQ(components(1), 2);
  EXPECT_EQ(kindOf(1, 0), kComponentAudio);
  EXPECT_EQ(at16(second + kEntrySecondValue), 0x0101);
}

TEST_F(ProgramTableTest, ResultNeedsExactlyTheAnnouncedLength) {
  ProgramTablePayload payload;
  payload.programs = {serviceProgram()};
  std::vector<uint8_t> longer = payload.encode();
  longer.push_back(0);
  EXPECT_EQ(readBytes(longer), kResultFailure);
  std::vector<uint8_t> shorter = payload.encode();
  shorter.pop_back();
  EXPECT_EQ(readBytes(shorter), kResultFailure);
  EXPECT_EQ(platform.card().stats().hostAcks, 0u);
  EXPECT_EQ(read(payload), kResultSuccess);
  EXPECT_EQ(readBytes({0, 0, 0, 0, 0, 0, 0, 0, 0}), kResultSuccess);  // no programs
  EXPECT_EQ(readBytes({}), kResultFailure);
}

TEST_F(ProgramTableTest, RequiredZeroBytesAreChecked) {
  PayloadProgram badFlag;
  badFlag.flag = 2;
  ProgramTablePayload payload;
  payload.programs = {badFlag};
  EXPECT_EQ(read(payload), kResultFailure);
  PayloadProgram badClosing = serviceProgram();
  badClosing.closing = 1;
  payload.programs = {badClosing};
  EXPECT_EQ(read(payload), kResultFailure);
}

TEST_F(ProgramTableTest, OverlongFramesAreRejectedWithinTheirAreas) {
  ProgramTablePayload many;
  many.programs.assign(100, PayloadProgram{});
  EXPECT_EQ(read(many), kResultFailure);
  EXPECT_TRUE(zeroFrom(kProgramEntries * kProgramEntrySize, kTableResult - kProgramEntries * kProgramEntrySize));

  PayloadProgram crowded = serviceProgram();
  crowded.audio.assign(98, 0x0500);  // video + 98 audio = 99, then one stream too many
  crowded.streams = {{0x0600, 3}};
  ProgramTablePayload full;
  full.programs = {crowded};
  EXPECT_EQ(read(full), kResultFailure);
  EXPECT_EQ(at16(kEntrySecondValue), 0x0101);  // the area after the components is intact
  EXPECT_EQ(at16(kEntryAfterAudio), 0x0203);
  crowded.streams = {};
  full.programs = {crowded};
  EXPECT_EQ(read(full), kResultSuccess);
  EXPECT_EQ(components(0), 99);

  PayloadProgram longName = serviceProgram();
  longName.name = std::string(31, 'N');
  ProgramTablePayload named;
  named.programs = {longName};
  EXPECT_EQ(read(named), kResultFailure);
  EXPECT_TRUE(zeroFrom(kEntryName, kProgramEntrySize - kEntryName + 8));
  longName.name = std::string(30, 'N');
  named.programs = {longName};
  EXPECT_EQ(read(named), kResultSuccess);
  EXPECT_EQ(table[kProgramEntrySize - 1], 0);
  EXPECT_EQ(table[kProgramEntrySize - 2], 'N');
}

TEST_F(ProgramTableTest, SilentOrConfusedCardGivesFailure) {
  setFaults([](sim::CardFaults& f) { f.wrongReplyCode = true; });
  EXPECT_EQ(readCard(), kResultFailure);
  EXPECT_EQ(table[kTableProgramCount], 0);
  setFaults([](sim::CardFaults& f) {
    f.wrongReplyCode = false;
    f.noAnswer = true;
  });
  EXPECT_EQ(readCard(), kResultFailure);
  platform.card().setFaults({});
  ProgramTablePayload payload;
  payload.programs = {serviceProgram()};
  EXPECT_EQ(read(payload), kResultSuccess);  // after reset-channel the card is in step again
  EXPECT_EQ(table[kTableProgramCount], 1);
  state.registers = nullptr;
  EXPECT_EQ(readCard(), kResultFailure);
  EXPECT_EQ(state.channelOwner, 0u);
}

}  // namespace cv7::test
