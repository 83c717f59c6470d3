// Tells the TV application what the data application did with the tuner or the satellite
// data (message 1046: a code and a value). The start-up logic, the search result handling
// and the setup sheet call it; the TV coordination implements it with its sending rules.
#pragma once

namespace cv7::app {

class TvNotifier {
 public:
  virtual ~TvNotifier() = default;
  virtual void notifyTv(int code, int value) = 0;
};

}  // namespace cv7::app
