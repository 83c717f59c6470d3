// The reception start-up's operations for the coordination tests: the lock sequence and the
// PID list are counted; the transponder is found in the library's database by frequency
// and symbol rate, as the start-up finds it.
#pragma once
#include <corvane.h>

#include "ApplicationState.h"
#include "ReceptionControl.h"

namespace cv7::app::test {

class RecordingReceptionControl : public ReceptionControl {
 public:
  explicit RecordingReceptionControl(ApplicationState& state) : state_(state) {}

  int lockSequences = 0;
  int pidLists = 0;

  void dataLockSequence() override { ++lockSequences; }
  void setNetworkPidList() override { ++pidLists; }
  bool findTransponder(uint32_t frequency, uint32_t symbolRate) override {
    const int count = Cvn_GetNumOfTransponder();
    for (int i = 1; i <= count; ++i) {
      TrInfo tr{};
      Cvn_GetInfoTransponder(uint32_t(i), &tr);
      if (tr.Frequency == frequency && tr.SymbolRate == symbolRate) {
        state_.g_TpNum = uint32_t(i);
        return true;
      }
    }
    if (count == 0) {
      state_.g_TrInfo.TransponderNumber = 0;
      state_.g_TpNum = 0;
    } else {
      state_.g_TpNum = 1;
    }
    return false;
  }

 private:
  ApplicationState& state_;
};

}  // namespace cv7::app::test
