// The network card page's texts: versions, MAC addresses (two capital hex digits a byte) and
// the sheet's title for the tuned transponder.
#include <gtest/gtest.h>

#include "NetCardText.h"

namespace cv7::app::test {
namespace {

TEST(NetCardTextTest, VersionsShowTheMinorInTwoDigitsOrErrorWhenUnread) {
  EXPECT_EQ(versionText(std::array<uint8_t, 2>{1, 5}), "1.05");
  EXPECT_EQ(versionText(std::array<uint8_t, 2>{12, 30}), "12.30");
  EXPECT_EQ(versionText(std::array<uint8_t, 2>{255, 255}), "255.255");
  EXPECT_EQ(versionText(std::nullopt), "error");
}

TEST(NetCardTextTest, MacBytesShowAsTwoCapitalHexDigits) {
  EXPECT_EQ(macText(std::array<uint8_t, 6>{0x00, 0x0A, 0xFF, 0x63, 0x6A, 0x01}), "00-0A-FF-63-6A-01");
  EXPECT_EQ(macText(std::array<uint8_t, 6>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x0A}), "FF-FF-FF-FF-FF-0A");
  EXPECT_EQ(macText(std::nullopt), "error");
}

TEST(NetCardTextTest, TheTitleShowsFrequencyAndSymbolRateWithThreeDecimals) {
  EXPECT_EQ(tunedTitleSuffix("HOTBIRD", 10719000, 27500), " - HOTBIRD, 10719.000 [MHz], 27.500 [MSymbol]");
  EXPECT_EQ(tunedTitleSuffix("%1 SAT", 950500, 1000), " - %1 SAT, 950.500 [MHz], 1.000 [MSymbol]");
}

}  // namespace
}  // namespace cv7::app::test
