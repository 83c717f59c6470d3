// What the tuner information window shows of a tuner information record, without widgets:
// the level and error-rate bars by their segment rules, the lock lamps, the locked-detail
// picture, the display state (not locked, locked medium, locked high) and which antenna
// animation runs at which period. The window draws from it; it decides nothing itself.
//
// Window thread only.
#pragma once
#include <chrono>
#include <cstdint>

#include "SetupSheet.h"

namespace cv7::app {

class TunerInformationDisplay {
 public:
  enum State { kNoState = 0, kNotLocked = 1, kLockedMedium = 2, kLockedHigh = 3 };
  // How a segment of a bar is drawn.
  enum Segment { kLitLow = 1, kLitHigh = 2, kUnlit = 3 };
  // The animation timers: 45 runs in the medium state, 46 in the high state.
  static constexpr int kMediumTimer = 45;
  static constexpr int kHighTimer = 46;
  static constexpr std::chrono::milliseconds kMediumPeriod{500};
  static constexpr std::chrono::milliseconds kHighPeriod{300};
  static constexpr int kSegments = 20;
  static constexpr int kLowSegments = 10;  // the first ten lit segments are drawn as kLitLow
  static constexpr int kLamps = 4;
  static constexpr int kAnimationFrames = 5;
  static constexpr int kDetailPictures = 8;   // detail 1 to 8, by the status byte
  static constexpr int kDefaultDetail = 4;    // for any other status byte

  // Takes the next record. Returns true when the state changed, so that the old state's
  // animation timer stops and the new one's starts.
  bool update(const TunerInformation& record);

  // The record read when the window opens: the card's answer, or, when the card does not
  // answer, a record that shows not locked with level 0.
  static TunerInformation openingRecord();

  State state() const { return state_; }
  bool locked() const;
  // The animation timer of the state (0: none) and its period.
  int animationTimer() const;
  std::chrono::milliseconds animationPeriod() const;
  // Lamp `index` (0 to 3) is lit while its lock indicator is set; the lamps are shown only
  // while not locked.
  bool lampsShown() const { return !locked(); }
  bool lampLit(int index) const { return record_[size_t(index)] != 0; }
  // The error rate and the locked detail are shown only while locked.
  int detailPicture() const;

  int level() const { return record_[kLevelByte]; }
  int mantissa() const { return record_[kMantissaByte]; }
  int exponent() const { return record_[kExponentByte]; }
  int levelSegments() const { return levelSegments_; }
  int errorSegments() const { return errorSegments_; }
  Segment levelSegment(int index) const;
  Segment errorSegment(int index) const;

  // The animation frame (0 to kAnimationFrames - 1) of the running state; advance() moves it
  // on when that state's timer fires.
  int frame() const { return state_ == kLockedHigh ? highFrame_ : mediumFrame_; }
  void advance(int timer);

  static int levelSegmentsOf(int level);
  static int errorSegmentsOf(int mantissa, int exponent);

 private:
  static constexpr size_t kStatusByte = 4, kLevelByte = 5, kMantissaByte = 6, kExponentByte = 7;

  TunerInformation record_{};
  State state_ = kNoState;
  int levelSegments_ = 0, errorSegments_ = 0;
  int mediumFrame_ = 0, highFrame_ = 0;
};

}  // namespace cv7::app
