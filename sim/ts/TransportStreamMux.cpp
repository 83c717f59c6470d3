#include "TransportStreamMux.h"

#include <algorithm>

#include "AvStreams.h"
#include "DataChannel.h"
#include "PsiCarousel.h"
#include "TsFilePlayer.h"
#include "UdpGenerator.h"
#include "UdpUplink.h"

namespace cv7::sim {

namespace {
constexpr uint64_t kBitsPerPacket = kTsPacketSize * 8;
constexpr uint32_t kMinimumRate = 100'000;
}  // namespace

TransportStreamMux::TransportStreamMux(const TransportStreamConfig& config, uint64_t start,
                                       const std::array<uint8_t, 6>& station)
    : config_(config), rate_(std::max(config.muxRateBitsPerSecond, kMinimumRate)), epoch_(start) {
  // A transponder without services of its own that plays a recorded stream carries the
  // recording's tables, not a second PAT and SDT.
  bool recordingOnly = config.services.empty() &&
                       std::any_of(config.sources.begin(), config.sources.end(),
                                   [](const DataSourceConfig& s) { return s.kind == DataSourceConfig::Kind::TsFile; });
  if (!recordingOnly) lanes_.push_back({std::make_unique<PsiCarousel>(config, start), {}, &stats_.psiPackets});
  lanes_.push_back({std::make_unique<AvStreams>(config, start), {}, &stats_.avPackets});
  firstData_ = lanes_.size();
  for (const auto& source : config.sources) addSource(source, start, station);
}

TransportStreamMux::~TransportStreamMux() = default;

void TransportStreamMux::addSource(const DataSourceConfig& source, uint64_t start,
                                   const std::array<uint8_t, 6>& station) {
  SourceStatus status{source.kind, source.pid, true, {}, 0};
  std::unique_ptr<MuxInput> input;
  switch (source.kind) {
    case DataSourceConfig::Kind::Generator: {
      auto channel = std::make_unique<DataChannel>(source, std::make_unique<UdpGenerator>(source, start), station);
      channels_.push_back(channel.get());
      input = std::move(channel);
      break;
    }
    case DataSourceConfig::Kind::Uplink: {
      auto uplink = std::make_unique<UdpUplink>(source);
      status.ok = uplink->ok();
      status.error = uplink->error();
      status.uplinkPort = uplink->port();
      if (status.ok) {
        auto channel = std::make_unique<DataChannel>(source, std::move(uplink), station);
        channels_.push_back(channel.get());
        input = std::move(channel);
      }
      break;
    }
    case DataSourceConfig::Kind::TsFile: {
      auto player = std::make_unique<TsFilePlayer>(source.tsFile, rate_, start);
      status.ok = player->ok();
      status.error = player->error();
      if (status.ok) input = std::move(player);
      break;
    }
  }
  sources_.push_back(status);
  if (input) lanes_.push_back({std::move(input), {}, &stats_.dataPackets});
}

DataChannelStats TransportStreamMux::dataStats() const {
  DataChannelStats total;
  for (const DataChannel* channel : channels_) {
    total.datagrams += channel->stats().datagrams;
    total.refused += channel->stats().refused;
    total.packets += channel->stats().packets;
  }
  return total;
}

uint64_t TransportStreamMux::slotMicroseconds(uint64_t slot) const {
  return epoch_ + slot * kBitsPerPacket * 1'000'000 / rate_;
}

// After a long pause (nobody stepped the card) the multiplex does not replay the gap.
void TransportStreamMux::catchUp(uint64_t until) {
  uint64_t now = slotMicroseconds(slot_);
  if (until <= now || until - now <= kMaxCatchUpMicroseconds) return;
  uint64_t target = until - kMaxCatchUpMicroseconds;
  uint64_t skip = (target - now) * rate_ / (kBitsPerPacket * 1'000'000);
  stats_.skippedSlots += skip;
  slot_ += skip;
}

void TransportStreamMux::step(uint64_t until, PacketSink& sink) {
  catchUp(until);
  for (auto& lane : lanes_) lane.input->prepare(until);
  for (;;) {
    uint64_t now = slotMicroseconds(slot_);
    if (now > until) break;
    emitOne(now, sink);
    ++slot_;
    while (slot_ >= rate_) {  // rate_ slots last exactly 1504 s: start a new epoch
      epoch_ += kBitsPerPacket * 1'000'000;
      slot_ -= rate_;
    }
  }
}

bool TransportStreamMux::emitOne(uint64_t now, PacketSink& sink) {
  for (auto& lane : lanes_) {
    lane.input->fill(now, lane.queue);
    while (lane.queue.size() > kMaxQueuedPackets) {
      lane.queue.pop_front();
      ++stats_.droppedPackets;
    }
  }
  Lane* chosen = nullptr;
  for (size_t i = 0; i < firstData_ && !chosen; ++i) {
    if (!lanes_[i].queue.empty()) chosen = &lanes_[i];
  }
  size_t dataLanes = lanes_.size() - firstData_;
  for (size_t k = 0; k < dataLanes && !chosen; ++k) {
    size_t i = firstData_ + (nextData_ + k) % dataLanes;
    if (!lanes_[i].queue.empty()) {
      chosen = &lanes_[i];
      nextData_ = (nextData_ + k + 1) % dataLanes;
    }
  }
  ++stats_.packets;
  if (!chosen) {
    ++stats_.nullPackets;
    sink.packet(nullTsPacket());
    return false;
  }
  QueuedPacket out = chosen->queue.front();
  chosen->queue.pop_front();
  if (out.stampPcr) setTsPcr(out.bytes, pcrAt(now));
  ++*chosen->counter;
  sink.packet(out.bytes);
  return true;
}

}  // namespace cv7::sim
