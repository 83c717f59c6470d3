// The corvane.bin format: what the build writes is what the loader accepts, and every kind
// of damage is told apart without reading past the end.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "FirmwareImage.h"

namespace cv7::sim {
namespace {

TEST(FirmwareImageTest, BuiltImageCarriesVersionAndChecksum) {
  auto image = FirmwareImage::buildDefault(4, 2);
  ASSERT_GT(image.size(), 4096u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.data()), 5), "CV7FW");
  auto info = FirmwareImage::inspect(image);
  EXPECT_EQ(info.check, FirmwareImage::Check::Valid);
  EXPECT_EQ(info.major, 4);
  EXPECT_EQ(info.minor, 2);
  EXPECT_EQ(info.payloadLength, image.size() - FirmwareImage::kHeaderSize);
  EXPECT_EQ(image[12] | image[13] << 8 | image[14] << 16 | uint32_t(image[15]) << 24, info.payloadLength);
}

TEST(FirmwareImageTest, Crc32MatchesTheStandardCheckValue) {
  const char* text = "123456789";
  EXPECT_EQ(FirmwareImage::crc32(reinterpret_cast<const uint8_t*>(text), 9), 0xCBF43926u);
}

TEST(FirmwareImageTest, RejectsDamagedImages) {
  auto image = FirmwareImage::buildDefault();
  auto checksum = image;
  checksum[FirmwareImage::kHeaderSize + 100] ^= 0x40;
  EXPECT_EQ(FirmwareImage::inspect(checksum).check, FirmwareImage::Check::BadChecksum);
  auto magic = image;
  magic[4] = 'X';
  EXPECT_EQ(FirmwareImage::inspect(magic).check, FirmwareImage::Check::BadMagic);
  auto longer = image;
  longer.push_back(0);
  EXPECT_EQ(FirmwareImage::inspect(longer).check, FirmwareImage::Check::BadLength);
  std::vector<uint8_t> shorter(image.begin(), image.end() - 1);
  EXPECT_EQ(FirmwareImage::inspect(shorter).check, FirmwareImage::Check::BadLength);
  std::vector<uint8_t> headerOnly(image.begin(), image.begin() + 19);
  EXPECT_EQ(FirmwareImage::inspect(headerOnly).check, FirmwareImage::Check::TooShort);
  EXPECT_EQ(FirmwareImage::inspect(nullptr, 0).check, FirmwareImage::Check::TooShort);
}

TEST(FirmwareImageTest, RejectsAnnouncedPayloadBeyondCardMemory) {
  auto image = FirmwareImage::build(1, 0, {});
  image[15] = 0x7F;  // payload length far beyond what follows
  EXPECT_EQ(FirmwareImage::inspect(image).check, FirmwareImage::Check::BadLength);
}

TEST(FirmwareImageTest, BuildWritesAValidCorvaneBin) {
  std::ifstream in(CV7_BUILD_FIRMWARE_PATH, std::ios::binary);
  if (!in) GTEST_SKIP() << "firmware image not built yet: " << CV7_BUILD_FIRMWARE_PATH;
  std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(FirmwareImage::inspect(image).check, FirmwareImage::Check::Valid);
}

}  // namespace
}  // namespace cv7::sim
