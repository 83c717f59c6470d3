// The number texts of the setup pages and dialogs: how values are shown and which typed texts
// give which value, at the edges (no digits, short values, cut decimals, 32 bits).
#include <gtest/gtest.h>

#include "NumberText.h"

namespace cv7::app::test {
namespace {

std::optional<uint32_t> none() { return std::nullopt; }

TEST(NumberTextTest, ThousandthsAlwaysShowThreeDecimals) {
  EXPECT_EQ(thousandthsText(5), "0.005");
  EXPECT_EQ(thousandthsText(0), "0.000");
  EXPECT_EQ(thousandthsText(999), "0.999");
  EXPECT_EQ(thousandthsText(1000), "1.000");
  EXPECT_EQ(thousandthsText(27500), "27.500");
  EXPECT_EQ(thousandthsText(10719000), "10719.000");
  EXPECT_EQ(thousandthsText(4294967295u), "4294967.295");
}

TEST(NumberTextTest, OscillatorsShowInWholeMegahertzRounded) {
  EXPECT_EQ(oscillatorPageText(5150000), "  5150");
  EXPECT_EQ(oscillatorPageText(10600000), " 10600");
  EXPECT_EQ(oscillatorPageText(9750600), "  9751");
  EXPECT_EQ(oscillatorDialogText(9750600), "9751");
  EXPECT_EQ(oscillatorDialogText(0), "0");
}

TEST(NumberTextTest, TypedFrequencyOrSymbolRateGivesThousandthsCutNotRounded) {
  EXPECT_EQ(thousandthsValue(""), 0u) << "an empty text is 0";
  EXPECT_EQ(thousandthsValue("."), 0u);
  EXPECT_EQ(thousandthsValue("10719"), 10719000u);
  EXPECT_EQ(thousandthsValue("27.5"), 27500u);
  EXPECT_EQ(thousandthsValue(".005"), 5u);
  EXPECT_EQ(thousandthsValue("10719.12399"), 10719123u) << "cut after the third decimal";
  EXPECT_EQ(thousandthsValue("4294967.295"), 4294967295u);
}

TEST(NumberTextTest, TypedFrequencyWithOtherCharactersOrBeyond32BitsIsRefused) {
  for (const char* text : {"1.2.3", "10719,5", "10 719", "-1", "1e3", "abc", "4294967.296", "99999999999", "0x10"})
    EXPECT_EQ(thousandthsValue(QString::fromLatin1(text)), none()) << text;
}

TEST(NumberTextTest, TypedOscillatorGivesKilohertz) {
  EXPECT_EQ(oscillatorValue("Universal LNB"), 0u);
  EXPECT_EQ(oscillatorValue("9750"), 9750000u);
  EXPECT_EQ(oscillatorValue("9750.5"), 9750500u);
  EXPECT_EQ(oscillatorValue("10600.1234"), 10600123u) << "decimals beyond three are cut";
  EXPECT_EQ(oscillatorValue("10600.123.4"), 10600123u) << "a point beyond the three decimals is not read";
  EXPECT_EQ(oscillatorValue("4294967.295"), 4294967295u);
}

TEST(NumberTextTest, TypedOscillatorThatIsZeroNotANumberOrTooLargeIsRefused) {
  for (const char* text : {"", "0", "0.000", "9750,5", "97a0", "1.2.3", "universal lnb", "4294968", " 9750"})
    EXPECT_EQ(oscillatorValue(QString::fromLatin1(text)), none()) << text;
}

}  // namespace
}  // namespace cv7::app::test
