#include "TunerInformationDisplay.h"

#include <corvane.h>

#include <algorithm>

namespace cv7::app {

namespace {

constexpr int kLevelFloor = 50;     // no segment at or below
constexpr int kLevelCeiling = 150;  // all segments at or above
constexpr int kLevelStep = 5;       // level units per segment

}  // namespace

TunerInformation TunerInformationDisplay::openingRecord() {
  TunerInformation record{};
  if (!Cvn_GetTunerInformation(record.data())) {
    record[1] = 0;
    record[kLevelByte] = 0;
  }
  return record;
}

int TunerInformationDisplay::levelSegmentsOf(int level) {
  if (level <= kLevelFloor) return 0;
  if (level >= kLevelCeiling) return kSegments;
  return (level - kLevelFloor) / kLevelStep;
}

int TunerInformationDisplay::errorSegmentsOf(int mantissa, int exponent) {
  if (mantissa == 0) return 0;
  const int half = mantissa / 2;
  int segments = 0;
  switch (exponent) {
    case 0: case 1: case 2: case 3: segments = kSegments; break;
    case 4: segments = half + 15; break;
    case 5: segments = half + 10; break;
    case 6: segments = half + 5; break;
    case 7: segments = half; break;
    default: segments = 0; break;
  }
  return std::min(segments, kSegments);
}

bool TunerInformationDisplay::update(const TunerInformation& record) {
  record_ = record;
  levelSegments_ = levelSegmentsOf(level());
  errorSegments_ = errorSegmentsOf(mantissa(), exponent());
  const State next = !locked() ? kNotLocked : levelSegments_ > kLowSegments ? kLockedHigh : kLockedMedium;
  const bool changed = next != state_;
  state_ = next;
  return changed;
}

bool TunerInformationDisplay::locked() const {
  return record_[0] != 0 && record_[1] != 0 && record_[2] != 0 && record_[3] != 0;
}

int TunerInformationDisplay::animationTimer() const {
  switch (state_) {
    case kLockedMedium: return kMediumTimer;
    case kLockedHigh: return kHighTimer;
    default: return 0;
  }
}

std::chrono::milliseconds TunerInformationDisplay::animationPeriod() const {
  switch (state_) {
    case kLockedMedium: return kMediumPeriod;
    case kLockedHigh: return kHighPeriod;
    default: return std::chrono::milliseconds{0};
  }
}

int TunerInformationDisplay::detailPicture() const {
  const int status = record_[kStatusByte];
  return status >= 1 && status <= kDetailPictures ? status : kDefaultDetail;
}

TunerInformationDisplay::Segment TunerInformationDisplay::levelSegment(int index) const {
  if (index >= levelSegments_) return kUnlit;
  return index < kLowSegments ? kLitLow : kLitHigh;
}

TunerInformationDisplay::Segment TunerInformationDisplay::errorSegment(int index) const {
  return index < errorSegments_ ? kLitLow : kUnlit;
}

void TunerInformationDisplay::advance(int timer) {
  if (timer == kMediumTimer && state_ == kLockedMedium) mediumFrame_ = (mediumFrame_ + 1) % kAnimationFrames;
  if (timer == kHighTimer && state_ == kLockedHigh) highFrame_ = (highFrame_ + 1) % kAnimationFrames;
}

}  // namespace cv7::app
