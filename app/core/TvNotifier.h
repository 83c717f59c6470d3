// How the data application tells the TV application what it does with the tuner: a tuning
// code and its value (5 with 5 before a data lock test; 1 or 2 with the position
// m_LastNum * 100 + transponder number after it, for locked or not). The TV coordination
// implements it; until then NullTvNotifier tells nobody.
#pragma once

namespace cv7::app {

class TvNotifier {
 public:
  virtual ~TvNotifier() = default;
  virtual void notifyTv(int code, int value) = 0;
};

}  // namespace cv7::app
