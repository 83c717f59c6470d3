#include "CardReceiver.h"

namespace cv7::sim {

namespace {
void add(MuxStats& total, const MuxStats& s) {
  total.packets += s.packets;
  total.nullPackets += s.nullPackets;
  total.psiPackets += s.psiPackets;
  total.avPackets += s.avPackets;
  total.dataPackets += s.dataPackets;
  total.droppedPackets += s.droppedPackets;
  total.skippedSlots += s.skippedSlots;
}
void add(DataChannelStats& total, const DataChannelStats& s) {
  total.datagrams += s.datagrams;
  total.refused += s.refused;
  total.packets += s.packets;
}
}  // namespace

void CardReceiver::tune(const TransportStreamConfig& config, uint64_t now) {
  retireMux();
  mux_ = std::make_unique<TransportStreamMux>(config, now, station_);
}

void CardReceiver::detune() {
  retireMux();
  mux_.reset();
}

void CardReceiver::retireMux() {
  if (!mux_) return;
  add(retiredMux_, mux_->stats());
  add(retiredData_, mux_->dataStats());
}

ReceptionStats CardReceiver::stats() const {
  ReceptionStats s;
  s.mux = retiredMux_;
  s.data = retiredData_;
  if (mux_) {
    add(s.mux, mux_->stats());
    add(s.data, mux_->dataStats());
  }
  s.demux = demux_.stats();
  s.filtered = filter_.filtered();
  s.dma = dma_.stats();
  return s;
}

void CardReceiver::step(uint64_t now) {
  if (!mux_) return;
  mux_->step(now, demux_);
  demux_.flush();
}

}  // namespace cv7::sim
