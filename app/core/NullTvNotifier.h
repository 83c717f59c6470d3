// A TV notifier that tells nobody: the data application without TV coordination.
#pragma once
#include "TvNotifier.h"

namespace cv7::app {

class NullTvNotifier : public TvNotifier {
 public:
  void notifyTv(int, int) override {}
};

}  // namespace cv7::app
