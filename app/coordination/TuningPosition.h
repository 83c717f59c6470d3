// A satellite and transponder as one tuning value: satellite index × 100 + transponder
// number, the satellite index being the 1-based place in the shared store's satellite list.
#pragma once
#include <optional>

namespace cv7::coordination {

struct TuningPosition {
  int satellite = 0;    // 1-based index in the configured satellite list (0: none)
  int transponder = 0;  // 1-based transponder number, 0..99

  // A value is a position when it is greater than 0 and less than 100000.
  static bool valid(int value) { return value > 0 && value < 100000; }
  static std::optional<TuningPosition> decode(int value) {
    if (!valid(value)) return std::nullopt;
    return TuningPosition{value / 100, value % 100};
  }
  int encode() const { return satellite * 100 + transponder; }
  bool operator==(const TuningPosition&) const = default;
};

}  // namespace cv7::coordination
