// The tuner information window as the satellite page holds it (m_pTunerInfoWnd) while it is
// shown, so that the main frame's status check can hand it each new record.
#pragma once
#include "SetupSheet.h"

namespace cv7::app {

class TunerInformationView {
 public:
  virtual ~TunerInformationView() = default;
  // Set while the window can be drawn.
  virtual bool ready() const = 0;
  // Shows `record`.
  virtual void Update(const TunerInformation& record) = 0;
};

}  // namespace cv7::app
