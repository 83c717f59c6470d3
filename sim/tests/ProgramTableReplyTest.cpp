// The program table payload in the order the host reads it.
#include <gtest/gtest.h>

#include "ProgramTableReply.h"

namespace cv7::sim {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(ProgramTableReplyTest, EncodesServiceBlockAndStreamsInReadOrder) {
  ProgramTableReply table;
  table.transportStreamId = 0x1234;
  table.frequencyKHz = 0x00BA0000;
  table.symbolRate = 27500;
  ProgramEntry program;
  program.programNumber = 0x0065;
  program.pmtPid = 0x0100;
  program.service = ProgramService{"AB", 0xFFFF, {0x0112, 0x0113}, 0x0111, 1};
  program.streams = {{0x0200, 3}};
  table.programs = {program};
  Bytes expected{1,                                   // N
                 0x12, 0x34, 0x00, 0x65, 0x01, 0x00,  // transport stream id, program, PMT PID
                 1, 2, 'A', 'B',                      // service block: name
                 0xFF, 0xFF, 2, 0x01, 0x12, 0x01, 0x13,  // no video, two audio PIDs
                 0x01, 0x11, 1, 0,                    // PCR PID, scrambled, closing 0
                 1, 0x02, 0x00, 3,                    // one stream of type 3
                 0x00, 0xBA, 0x00, 0x00, 0x00, 0x00, 0x6B, 0x6C};
  EXPECT_EQ(table.encode(), expected);
}

TEST(ProgramTableReplyTest, ProgramWithoutServiceHasFlagZeroAndNameIsCut) {
  ProgramTableReply table;
  ProgramEntry bare;
  bare.programNumber = 7;
  ProgramEntry named;
  named.service = ProgramService{std::string(40, 'x'), 0x0101, {}, 0, 0};
  table.programs = {bare, named};
  Bytes bytes = table.encode();
  EXPECT_EQ(bytes[0], 2);
  EXPECT_EQ(bytes[7], 0);   // flag of the first program
  EXPECT_EQ(bytes[8], 0);   // its stream count
  EXPECT_EQ(bytes[15], 1);  // flag of the second program
  EXPECT_EQ(bytes[16], 30); // the longest name that fits the host's entry
}

}  // namespace
}  // namespace cv7::sim
