// The reception start-up's operations for the coordination tests: the lock sequence and the
// PID list are counted, the transponder is found by the start-up itself.
#pragma once
#include "ReceptionControl.h"
#include "ReceptionStartup.h"

namespace cv7::app::test {

class RecordingReceptionControl : public ReceptionControl {
 public:
  explicit RecordingReceptionControl(ReceptionStartup& startup) : startup_(startup) {}

  int lockSequences = 0;
  int pidLists = 0;

  void dataLockSequence() override { ++lockSequences; }
  void setNetworkPidList() override { ++pidLists; }
  bool findTransponder(uint32_t frequency, uint32_t symbolRate) override {
    return startup_.findTransponder(frequency, symbolRate);
  }

 private:
  ReceptionStartup& startup_;
};

}  // namespace cv7::app::test
