// The PID texts of the data PID page and its dialog in both bases, the 16-bit rule, the
// service type names, and the dialog's OK check and base conversion.
#include <gtest/gtest.h>

#include "DataPidForm.h"
#include "RecordingUserInterface.h"
#include "StringId.h"

namespace cv7::app::test {
namespace {

constexpr PidBase kHex = PidBase::Hexadecimal;
constexpr PidBase kDec = PidBase::Decimal;

TEST(DataPidTextTest, TypedTextsGiveTheirLow16BitsOr0xFFFFForAForeignCharacter) {
  EXPECT_EQ(parsePidText("1FF", kHex), 511);
  EXPECT_EQ(parsePidText("1ff", kHex), 511);
  EXPECT_EQ(parsePidText(" 1 F\tF ", kHex), 511) << "spaces and tabs are skipped in hexadecimal";
  EXPECT_EQ(parsePidText("FFFF", kHex), 0xFFFF);
  EXPECT_EQ(parsePidText("10000", kHex), 0) << "only the low 16 bits count";
  EXPECT_EQ(parsePidText("123456789ABCDEF", kHex), 0xCDEF);
  EXPECT_EQ(parsePidText("", kHex), 0);
  EXPECT_EQ(parsePidText("1G", kHex), 0xFFFF);
  EXPECT_EQ(parsePidText("0x1F", kHex), 0xFFFF);

  EXPECT_EQ(parsePidText("511", kDec), 511);
  EXPECT_EQ(parsePidText("65535", kDec), 65535);
  EXPECT_EQ(parsePidText("65536", kDec), 0);
  EXPECT_EQ(parsePidText("70000", kDec), 70000 - 65536);
  EXPECT_EQ(parsePidText("1000000000000000000001", kDec), 1) << "a long text neither overflows nor is refused";
  EXPECT_EQ(parsePidText("1FF", kDec), 0xFFFF);
  EXPECT_EQ(parsePidText("5 1", kDec), 0xFFFF) << "a space is a foreign character in decimal";
  EXPECT_EQ(parsePidText("", kDec), 0);
}

TEST(DataPidTextTest, OkTakesOnlyDigitsOfTheBaseAndTextsAreShownWithoutPrefix) {
  EXPECT_TRUE(isPidText("1fF", kHex));
  EXPECT_TRUE(isPidText("12345", kHex)) << "five digits pass; the 16-bit rule applies";
  EXPECT_FALSE(isPidText("1FF", kDec));
  EXPECT_FALSE(isPidText("1 F", kHex)) << "the parser skips spaces, OK does not";
  EXPECT_FALSE(isPidText("", kHex));
  EXPECT_FALSE(isPidText("-1", kDec));
  EXPECT_EQ(pidText(511, kHex), "1FF");
  EXPECT_EQ(pidText(0xABCD, kHex), "ABCD");
  EXPECT_EQ(pidText(0, kHex), "0");
  EXPECT_EQ(pidText(511, kDec), "511");
  EXPECT_EQ(convertPidText("1ff", kHex, kDec), "511");
  EXPECT_EQ(convertPidText("1280", kDec, kHex), "500");
  EXPECT_EQ(pidBaseTag(kHex), "[Hex]");
  EXPECT_EQ(pidBaseTag(kDec), "[Dec]");
}

TEST(DataPidTextTest, ServiceTypesByRadioAndByStoredCodeWithAnyOtherCodeAsTheLast) {
  const uint16_t codes[] = {1, 2, 3, 5};
  for (int index = 0; index < kServiceTypeCount; ++index) {
    EXPECT_EQ(encapsulationOfServiceType(index), codes[index]);
    EXPECT_EQ(serviceTypeOfEncapsulation(codes[index]), index);
  }
  EXPECT_EQ(serviceTypeText(1), "Data Piping");
  EXPECT_EQ(serviceTypeText(2), "Data Streaming");
  EXPECT_EQ(serviceTypeText(3), "Multiprotocol Encapsulation");
  for (uint16_t other : {0, 4, 5, 10, 0xFFFF}) EXPECT_EQ(serviceTypeText(other), "Data Streaming PES 1") << other;
  EXPECT_EQ(serviceTypeOfEncapsulation(0), 3);
}

class DataPidFormTest : public ::testing::Test {
 protected:
  void SetUp() override { setPidNumberBase(kHex); }
  void TearDown() override { setPidNumberBase(kHex); }

  StringTable strings;
  RecordingUserInterface ui{strings};
  DataPidForm form{StringId::AddDataPidTitle, ui};
};

TEST_F(DataPidFormTest, OkRefusesForeignDigitsWith301AndLeavesAnEmptyTextAlone) {
  EXPECT_EQ(form.title, "Add Data PID/Encapsulation");
  EXPECT_EQ(form.accept(), DataPidForm::Result::Empty);
  EXPECT_TRUE(ui.messages().empty());
  form.pidText = "1FF";
  EXPECT_EQ(form.accept(), DataPidForm::Result::Accepted);
  EXPECT_EQ(form.pid(), 511);
  setPidNumberBase(kDec);
  EXPECT_EQ(form.accept(), DataPidForm::Result::Invalid);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].text, "Data PID is invalid value.");
  EXPECT_EQ(ui.messages()[0].title, "Cv7d");
  EXPECT_EQ(ui.messages()[0].style, MessageStyle::exclamation());
}

TEST_F(DataPidFormTest, TheBaseMenuConvertsTheTypedTextAndTheCurrentBaseChangesNothing) {
  form.pidText = "1FF";
  form.chooseBase(kHex);
  EXPECT_FALSE(form.baseChanged);
  form.chooseBase(kDec);
  EXPECT_EQ(form.pidText, "511");
  EXPECT_EQ(pidNumberBase(), kDec);
  EXPECT_TRUE(form.baseChanged);
  EXPECT_EQ(form.baseLabelText(), "[Dec]");
  EXPECT_EQ(form.baseTipText(), "Decimal value");
  form.pidText.clear();
  form.chooseBase(kHex);
  EXPECT_TRUE(form.pidText.isEmpty()) << "nothing typed, nothing to convert";
  EXPECT_EQ(form.baseTipText(), "Hexadecimal value");
}

}  // namespace
}  // namespace cv7::app::test
