// The low-noise block converter on a dish: it mixes the down-link band with its local
// oscillator to the intermediate frequency that the card's tuner receives (950..2150 MHz).
#pragma once
#include <cstdint>

namespace cv7::sim {

class Lnb {
 public:
  enum class Kind : uint8_t {
    Universal,  // two oscillators switched by the 22 kHz tone (9750 MHz off, 10600 MHz on)
    Fixed,      // one oscillator that ignores the tone (Ku single band, C band)
  };

  static constexpr uint32_t kUniversalLowKHz = 9'750'000;
  static constexpr uint32_t kUniversalHighKHz = 10'600'000;
  static constexpr uint32_t kCBandKHz = 5'150'000;

  static Lnb universal() { return Lnb(Kind::Universal, 0); }
  static Lnb fixed(uint32_t localOscillatorKHz) { return Lnb(Kind::Fixed, localOscillatorKHz); }

  Kind kind() const { return kind_; }
  // The configured oscillator of a fixed LNB (0 for a universal one).
  uint32_t fixedOscillatorKHz() const { return fixedKHz_; }

  // Deviation of the real oscillators from their nominal value (drift of a cheap LNB).
  void setOscillatorOffsetKHz(int32_t offset) { offsetKHz_ = offset; }
  int32_t oscillatorOffsetKHz() const { return offsetKHz_; }

  // The oscillator that really runs with the given 22 kHz tone state.
  uint32_t oscillatorKHz(bool toneOn) const;
  // Intermediate frequency of a down-link frequency: F − LO above the oscillator, LO − F
  // (inverted spectrum) below it, as in a C-band LNB.
  uint32_t intermediateKHz(uint32_t downlinkKHz, bool toneOn) const;

 private:
  Lnb(Kind kind, uint32_t fixedKHz) : kind_(kind), fixedKHz_(fixedKHz) {}

  Kind kind_;
  uint32_t fixedKHz_;
  int32_t offsetKHz_ = 0;
};

}  // namespace cv7::sim
