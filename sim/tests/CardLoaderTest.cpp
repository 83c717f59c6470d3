// The loader's download protocol on a virtual clock: a valid image boots the firmware after
// its start-up time, a corrupt one leaves the card silent, and each loader fault.
#include <gtest/gtest.h>

#include "CardFixture.h"
#include "CardLoader.h"
#include "CommandCodes.h"
#include "FirmwareImage.h"

namespace cv7::sim::test {
namespace {

using namespace cv7::cmd;
using Bytes = std::vector<uint8_t>;

class CardLoaderTest : public CardFixture {
 protected:
  CardLoaderTest() : CardFixture(CardConfig{}) {}

  bool commandWorks() {
    auto answer = host.command(CMD_GET_FIRMWARE_VERSION, {}, REPLY_FIRMWARE_VERSION);
    return answer && answer->data && answer->ack[4] == 1;
  }

  Bytes image = FirmwareImage::buildDefault(2, 9);
};

TEST_F(CardLoaderTest, ValidImageStartsFirmwareAfterStartupTime) {
  EXPECT_FALSE(card.firmwareRunning());
  EXPECT_EQ(card.loaderStatus(), "waiting for sync");
  ASSERT_TRUE(host.download(image));
  EXPECT_EQ(card.loaderStatus(), "booting");
  EXPECT_FALSE(card.firmwareRunning());
  clock.advance(CardLoader::kStartupMicroseconds);
  EXPECT_TRUE(card.firmwareRunning());
  auto answer = host.command(CMD_GET_FIRMWARE_VERSION, {}, REPLY_FIRMWARE_VERSION);
  ASSERT_TRUE(answer && answer->data);
  EXPECT_EQ(answer->data->payload, (Bytes{2, 9}));  // the version in the image header
  EXPECT_EQ(card.firmwareState().version, (std::array<uint8_t, 2>{2, 9}));
}

TEST_F(CardLoaderTest, CommandsBeforeTheFirmwareRunsTimeOut) {
  ASSERT_TRUE(host.download(image));
  EXPECT_FALSE(commandWorks());  // the host waited 75 ms, the firmware needs 500
  clock.advance(CardLoader::kStartupMicroseconds);
  EXPECT_TRUE(commandWorks());
}

TEST_F(CardLoaderTest, CorruptImagesLeaveTheCardSilent) {
  Bytes badChecksum = image;
  badChecksum.back() ^= 0x01;
  Bytes badMagic = image;
  badMagic[0] = 'X';
  Bytes truncated(image.begin(), image.end() - 10);
  for (const Bytes* bad : {&badChecksum, &badMagic, &truncated}) {
    card.reset();
    ASSERT_TRUE(host.download(*bad));  // the loader takes every byte
    clock.advance(2'000'000);
    EXPECT_FALSE(card.firmwareRunning());
    EXPECT_EQ(card.loaderStatus().rfind("refused: ", 0), 0u) << card.loaderStatus();
    EXPECT_FALSE(commandWorks());
  }
}

TEST_F(CardLoaderTest, OutOfSequenceSyncRestartsTheSequence) {
  for (uint8_t b : {1, 2, 9, 1, 2, 3, 4, 5}) {
    host.post(b);
    ASSERT_TRUE(host.waitState(0xF));
  }
  EXPECT_EQ(card.loaderStatus(), "receiving header");
}

TEST_F(CardLoaderTest, WrongLoadAddressIsRefused) {
  for (uint8_t b = 1; b <= 5; ++b) {
    host.post(b);
    ASSERT_TRUE(host.waitState(0xF));
  }
  for (uint32_t value : {uint32_t(image.size()), 0x2801u, 0xAF000u}) {
    for (int shift = 24; shift >= 0; shift -= 8) {
      host.post(uint8_t(value >> shift));
      ASSERT_TRUE(host.waitState(0xF));
    }
  }
  for (uint8_t b : image) host.post(b);
  host.post(0);
  EXPECT_EQ(card.loaderStatus(), "refused: wrong load address or entry point");
}

TEST_F(CardLoaderTest, LoaderThatIgnoresFirstSyncByteNeverTakesIt) {
  setFaults([](CardFaults& f) { f.loaderIgnoresFirstSync = true; });
  host.post(1);
  EXPECT_FALSE(host.waitState(0xF));
  EXPECT_EQ(card.loaderStatus(), "waiting for sync");
}

TEST_F(CardLoaderTest, LoaderThatStopsMidImage) {
  setFaults([](CardFaults& f) { f.loaderStopsMidImage = true; });
  EXPECT_FALSE(host.download(image));
  EXPECT_EQ(card.loaderStatus(), "receiving image");
  clock.advance(10'000'000);
  EXPECT_FALSE(card.firmwareRunning());
}

TEST_F(CardLoaderTest, LoaderNeverIdleAfterFinalByteStillStartsFirmware) {
  setFaults([](CardFaults& f) { f.loaderNeverIdleAfterFinal = true; });
  EXPECT_FALSE(host.download(image));  // only the wait after the final byte fails
  EXPECT_EQ(host.state(), 0x0);
  clock.advance(CardLoader::kStartupMicroseconds);
  EXPECT_TRUE(card.firmwareRunning());
  EXPECT_EQ(host.state(), 0x0);  // nothing shows idle until the host resets the channel
  EXPECT_TRUE(commandWorks());
}

TEST_F(CardLoaderTest, EmptyImageIsRefused) {
  ASSERT_TRUE(host.download({}));
  EXPECT_EQ(card.loaderStatus(), "refused: image refused: shorter than its header");
}

}  // namespace
}  // namespace cv7::sim::test
