// The reception start-up's operations that the TV coordination runs when the TV application
// stops, reports the data transponder or rewrites the selected satellite's data file.
#pragma once
#include <cstdint>

namespace cv7::app {

class ReceptionControl {
 public:
  virtual ~ReceptionControl() = default;
  // Tunes the data transponder again with a lock test, unless it is locked already or no
  // transponder is selected.
  virtual void dataLockSequence() = 0;
  // Sets the network PIDs of the selected data services of the selected transponder.
  virtual void setNetworkPidList() = 0;
  // Selects (g_TpNum) the first transponder of the database with this frequency and symbol
  // rate; without one, transponder 1 (or none in an empty satellite). True when found.
  virtual bool findTransponder(uint32_t frequency, uint32_t symbolRate) = 0;
};

}  // namespace cv7::app
