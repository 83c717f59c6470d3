// The multiplex of one transponder at its configured rate: a packet slot every
// 1504 bits / mux rate; each slot carries the next queued packet of the program tables, else
// of the audio/video streams, else of the data inputs in turn, else a null packet. step()
// produces every slot due up to a time on the card's clock, so the stream follows the clock
// exactly and two runs on the same virtual clock give the same packets.
#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "DataChannel.h"
#include "MuxInput.h"
#include "StreamConfig.h"
#include "TsPacket.h"

namespace cv7::sim {

class DataChannel;
class TsFilePlayer;
class UdpUplink;

struct MuxStats {
  uint64_t packets = 0;
  uint64_t nullPackets = 0;
  uint64_t psiPackets = 0;
  uint64_t avPackets = 0;
  uint64_t dataPackets = 0;
  uint64_t droppedPackets = 0;  // an input queued more than the multiplex could carry
  uint64_t skippedSlots = 0;    // slots passed over when the multiplex fell far behind the clock
};

// What became of a configured data source.
struct SourceStatus {
  DataSourceConfig::Kind kind = DataSourceConfig::Kind::Generator;
  uint16_t pid = 0;
  bool ok = true;
  std::string error;
  uint16_t uplinkPort = 0;  // the bound port of an uplink
};

class TransportStreamMux {
 public:
  static constexpr size_t kMaxQueuedPackets = 4096;  // per input
  static constexpr uint64_t kMaxCatchUpMicroseconds = 2'000'000;

  // stationAddress: the receiver's MAC, used as the MPE address of unicast datagrams.
  TransportStreamMux(const TransportStreamConfig& config, uint64_t startMicroseconds,
                     const std::array<uint8_t, 6>& stationAddress);
  ~TransportStreamMux();
  TransportStreamMux(const TransportStreamMux&) = delete;
  TransportStreamMux& operator=(const TransportStreamMux&) = delete;

  // Produces every packet due up to untilMicroseconds.
  void step(uint64_t untilMicroseconds, PacketSink& sink);

  uint64_t slotMicroseconds(uint64_t slot) const;
  const MuxStats& stats() const { return stats_; }
  // The data channels' counters, summed (recorded files are not counted by datagram).
  DataChannelStats dataStats() const;
  const std::vector<SourceStatus>& sources() const { return sources_; }
  const TransportStreamConfig& config() const { return config_; }

 private:
  struct Lane {
    std::unique_ptr<MuxInput> input;
    std::deque<QueuedPacket> queue;
    uint64_t* counter;
  };
  void addSource(const DataSourceConfig& source, uint64_t start, const std::array<uint8_t, 6>& station);
  bool emitOne(uint64_t now, PacketSink& sink);
  void catchUp(uint64_t until);

  TransportStreamConfig config_;
  uint32_t rate_;
  uint64_t epoch_;         // time of slot 0 of the current epoch
  uint64_t slot_ = 0;      // next slot within the epoch
  std::vector<Lane> lanes_;  // PSI, A/V, then data inputs
  size_t firstData_ = 0;
  size_t nextData_ = 0;
  std::vector<SourceStatus> sources_;
  std::vector<const DataChannel*> channels_;
  MuxStats stats_;
};

}  // namespace cv7::sim
