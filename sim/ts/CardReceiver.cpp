#include "CardReceiver.h"

namespace cv7::sim {

void CardReceiver::tune(const TransportStreamConfig& config, uint64_t now) {
  mux_ = std::make_unique<TransportStreamMux>(config, now, station_);
}

void CardReceiver::step(uint64_t now) {
  if (!mux_) return;
  mux_->step(now, demux_);
  demux_.flush();
}

}  // namespace cv7::sim
