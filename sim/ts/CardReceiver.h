// The card's receive side in one piece, for the card model to own: the multiplex of the
// tuned transponder (none without lock), the demultiplexer and the DMA engine. The card
// routes the firmware's PID commands to demux(), the DMA registers to dma(), and calls
// step() with the clock's time whenever it runs (register accesses, timers).
#pragma once
#include "AddressFilter.h"
#include <array>
#include <cstdint>
#include <memory>

#include "CardDemux.h"
#include "DmaEngine.h"
#include "StreamConfig.h"
#include "TransportStreamMux.h"

namespace cv7::sim {

// The counters of the receive side, from the sources of the multiplex to the DMA engine.
// Those of the multiplex add up over every transponder the card was locked on.
struct ReceptionStats {
  MuxStats mux;
  DataChannelStats data;
  DemuxStats demux;
  uint64_t filtered = 0;  // datagrams the IP or MAC filter held back
  DmaStats dma;
};

class CardReceiver {
 public:
  CardReceiver(HostMemory& memory, const std::array<uint8_t, 6>& stationAddress)
      : dma_(memory), filter_(dma_), demux_(filter_), station_(stationAddress) {}

  // Locked on a transponder: its multiplex starts now. Replaces a previous one.
  void tune(const TransportStreamConfig& config, uint64_t nowMicroseconds);
  // No lock: no packets reach the demultiplexer.
  void detune();
  bool tuned() const { return mux_ != nullptr; }
  void setStationAddress(const std::array<uint8_t, 6>& address) { station_ = address; }

  // Runs the multiplex up to now through the demultiplexer into the DMA engine.
  void step(uint64_t nowMicroseconds);

  CardDemux& demux() { return demux_; }
  // The IP or MAC filter between the demultiplexer and the DMA engine.
  AddressFilter& filter() { return filter_; }
  DmaEngine& dma() { return dma_; }
  const DmaEngine& dma() const { return dma_; }
  const CardDemux& demux() const { return demux_; }
  TransportStreamMux* mux() { return mux_.get(); }
  const TransportStreamMux* mux() const { return mux_.get(); }
  ReceptionStats stats() const;

 private:
  void retireMux();

  DmaEngine dma_;
  AddressFilter filter_;
  CardDemux demux_;
  std::array<uint8_t, 6> station_;
  std::unique_ptr<TransportStreamMux> mux_;
  MuxStats retiredMux_;             // of the multiplexes before this one
  DataChannelStats retiredData_;
};

}  // namespace cv7::sim
