// The tuner information window's rules without a window: the level and error-rate segments,
// the display states with their animation timers, the lamps and the locked detail, the
// record shown when the card does not answer, and the status check's records reaching the
// window of the open sheet's satellite page only.
#include <gtest/gtest.h>

#include "SetupSheetFixture.h"
#include "TunerInformationDisplay.h"

namespace cv7::app::test {
namespace {

using Display = TunerInformationDisplay;
using namespace std::chrono_literals;

TunerInformation locked(uint8_t level, uint8_t mantissa = 0, uint8_t exponent = 0, uint8_t status = 1) {
  return {1, 1, 1, 1, status, level, mantissa, exponent};
}

std::vector<Display::Segment> levelBar(const Display& display) {
  std::vector<Display::Segment> bar;
  for (int i = 0; i < Display::kSegments; ++i) bar.push_back(display.levelSegment(i));
  return bar;
}

TEST(TunerInformationDisplayTest, LevelLightsOneSegmentPerFiveAboveFiftyAndTheEleventhOnInTheHighStyle) {
  const std::pair<int, int> levels[] = {{0, 0}, {50, 0}, {51, 0}, {55, 1}, {100, 10}, {105, 11}, {149, 19},
                                        {150, 20}, {255, 20}};
  for (const auto& [level, segments] : levels) EXPECT_EQ(Display::levelSegmentsOf(level), segments) << level;

  Display display;
  display.update(locked(100));
  std::vector<Display::Segment> tenLow(10, Display::kLitLow);
  tenLow.resize(20, Display::kUnlit);
  EXPECT_EQ(levelBar(display), tenLow);
  display.update(locked(105));
  EXPECT_EQ(display.levelSegment(9), Display::kLitLow);
  EXPECT_EQ(display.levelSegment(10), Display::kLitHigh);
  EXPECT_EQ(display.levelSegment(11), Display::kUnlit);
  display.update(locked(150));
  EXPECT_EQ(display.levelSegment(19), Display::kLitHigh);
}

TEST(TunerInformationDisplayTest, LockedStatesRunTheirOwnAnimationTimerAndNotLockedRunsNone) {
  Display display;
  EXPECT_EQ(display.state(), Display::kNoState);
  EXPECT_TRUE(display.update(locked(100)));
  EXPECT_EQ(display.state(), Display::kLockedMedium);
  EXPECT_EQ(display.animationTimer(), 45);
  EXPECT_EQ(display.animationPeriod(), 500ms);
  EXPECT_FALSE(display.update(locked(90))) << "the same state keeps its running timer";

  EXPECT_TRUE(display.update(locked(105)));
  EXPECT_EQ(display.state(), Display::kLockedHigh);
  EXPECT_EQ(display.animationTimer(), 46);
  EXPECT_EQ(display.animationPeriod(), 300ms);

  display.advance(45);  // a late tick of the old state's timer moves nothing
  EXPECT_EQ(display.frame(), 0);
  for (int tick = 1; tick <= Display::kAnimationFrames; ++tick) {
    display.advance(46);
    EXPECT_EQ(display.frame(), tick % Display::kAnimationFrames);
  }

  EXPECT_TRUE(display.update({1, 1, 0, 1, 1, 200, 9, 3}));
  EXPECT_EQ(display.state(), Display::kNotLocked) << "a high level without all four lock indicators";
  EXPECT_EQ(display.animationTimer(), 0);
  EXPECT_TRUE(display.lampsShown());
  EXPECT_TRUE(display.lampLit(1));
  EXPECT_FALSE(display.lampLit(2));
}

TEST(TunerInformationDisplayTest, ErrorSegmentsFollowTheExponentAndNoneForMantissaZero) {
  EXPECT_EQ(Display::errorSegmentsOf(9, 3), 20);
  EXPECT_EQ(Display::errorSegmentsOf(1, 0), 20);
  EXPECT_EQ(Display::errorSegmentsOf(9, 4), 19);
  EXPECT_EQ(Display::errorSegmentsOf(9, 5), 14);
  EXPECT_EQ(Display::errorSegmentsOf(9, 6), 9);
  EXPECT_EQ(Display::errorSegmentsOf(9, 7), 4);
  EXPECT_EQ(Display::errorSegmentsOf(9, 8), 0);
  EXPECT_EQ(Display::errorSegmentsOf(9, 12), 0);
  EXPECT_EQ(Display::errorSegmentsOf(0, 3), 0);
  EXPECT_EQ(Display::errorSegmentsOf(255, 4), 20) << "never more than the bar holds";

  Display display;
  display.update(locked(120, 9, 7));
  EXPECT_EQ(display.errorSegment(3), Display::kLitLow);
  EXPECT_EQ(display.errorSegment(4), Display::kUnlit);
}

TEST(TunerInformationDisplayTest, TheStatusBytePicksTheDetailAndOtherValuesTheDefaultOne) {
  Display display;
  for (int status = 1; status <= 8; ++status) {
    display.update(locked(100, 0, 0, uint8_t(status)));
    EXPECT_EQ(display.detailPicture(), status);
  }
  for (uint8_t status : {0, 9, 255}) {
    display.update(locked(100, 0, 0, status));
    EXPECT_EQ(display.detailPicture(), Display::kDefaultDetail);
  }
}

TEST(TunerInformationDisplayTest, ACardThatDoesNotAnswerOnOpeningShowsNotLockedAtLevelZero) {
  Cvn_CloseSystem();
  Display display;
  display.update(Display::openingRecord());
  EXPECT_EQ(display.state(), Display::kNotLocked);
  EXPECT_EQ(display.level(), 0);
  EXPECT_EQ(display.levelSegments(), 0);
}

// A window that records what it was handed.
struct RecordingTunerWindow : TunerInformationView {
  bool ready() const override { return isReady; }
  void Update(const TunerInformation& record) override { records.push_back(record); }
  bool isReady = true;
  std::vector<TunerInformation> records;
};

class TunerWindowFeedTest : public SetupSheetFixture {
 protected:
  bool startDaemon() const override { return false; }
};

TEST_F(TunerWindowFeedTest, RecordsReachAReadyWindowOnlyWhileTheSatellitePageIsActive) {
  RecordingTunerWindow window;
  CPage2& page = openOnSatellitePage();
  const TunerInformation record = locked(120);
  sheet.showTunerInformation(record);  // no window yet
  page.m_pTunerInfoWnd = &window;
  sheet.showTunerInformation(record);
  window.isReady = false;
  sheet.showTunerInformation(record);
  window.isReady = true;
  sheet.setActivePage(CPropSheet::kNetCardPage);
  sheet.showTunerInformation(record);
  sheet.setActivePage(SetupSheetAccess::kSatellitePage);
  sheet.OnCancel();
  sheet.showTunerInformation(record);
  EXPECT_EQ(window.records, std::vector<TunerInformation>{record});
}

// The simulated card locked on HOTBIRD's data transponder.
class TunerWindowOnTheCardTest : public SetupSheetFixture {};

TEST_F(TunerWindowOnTheCardTest, TheOpeningRecordOfALockedCardShowsALockedStateWithItsLevel) {
  Display display;
  display.update(Display::openingRecord());
  EXPECT_TRUE(display.locked());
  EXPECT_NE(display.state(), Display::kNotLocked);
  EXPECT_GT(display.level(), 50);
  EXPECT_EQ(display.levelSegments(), Display::levelSegmentsOf(display.level()));
}

}  // namespace
}  // namespace cv7::app::test
