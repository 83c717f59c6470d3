// The setup sheet before it exists: never open, so opening it does nothing and it hears of
// no tuner information or address.
#pragma once
#include "SetupSheet.h"

namespace cv7::app {

class ClosedSetupSheet : public SetupSheet {
 public:
  bool isOpen() const override { return false; }
  void open() override {}
  void bringToFront() override {}
  void showTunerInformation(const TunerInformation&) override {}
  void setNetworkCardAddress(uint32_t) override {}
  void hostAddressesChanged(bool) override {}
};

}  // namespace cv7::app
