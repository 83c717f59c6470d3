#include "FakePlatform.h"

#include <gtest/gtest.h>

namespace cv7::test {

TEST(FakePlatform, StallsAdvanceTheVirtualClock) {
  FakePlatform platform;
  uint64_t before = platform.nowMicroseconds();
  platform.stallMicroseconds(150);
  EXPECT_EQ(platform.nowMicroseconds(), before + 150);
}

TEST(FakePlatform, SharedMemoryIsReachableByItsPhysicalAddress) {
  FakePlatform platform;
  core::SharedMemory memory;
  ASSERT_EQ(platform.allocateSharedMemory(0x9000, memory), core::NDIS_STATUS_SUCCESS);
  uint8_t bytes[4] = {1, 2, 3, 4};
  EXPECT_TRUE(platform.write(memory.physical + 0x8FFC, bytes, 4));
  EXPECT_EQ(memory.virt[0x8FFF], 4);
  EXPECT_FALSE(platform.write(memory.physical + 0x8FFD, bytes, 4));
  platform.freeSharedMemory(memory);
}

}  // namespace cv7::test
