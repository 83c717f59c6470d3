#include "AvStreams.h"

namespace cv7::sim {

namespace {
bool isVideo(uint8_t type) { return type == 0x01 || type == kStreamMpeg2Video || type == 0x1B; }
bool isAudio(uint8_t type) { return type == kStreamMpeg1Audio || type == kStreamMpeg2Audio || type == 0x0F; }
}  // namespace

AvStreams::AvStreams(const TransportStreamConfig& config, uint64_t start) {
  for (const auto& service : config.services) {
    uint8_t scrambling = service.scrambled ? 2 : 0;
    bool pcrCarried = false, serviceHasAv = false;
    uint8_t videoId = 0xE0, audioId = 0xC0;
    for (const auto& es : service.streams) {
      bool video = isVideo(es.streamType), audio = isAudio(es.streamType);
      if (!video && !audio) continue;
      serviceHasAv = true;
      bool pcr = es.pid == service.pcrPid && !pcrCarried;
      pcrCarried = pcrCarried || pcr;
      streams_.push_back({PesPacketizer(es.pid), video ? videoId++ : audioId++, video ? kVideoPeriod : kAudioPeriod,
                          video ? kVideoPayload : kAudioPayload, pcr, false, scrambling, start});
    }
    if (!pcrCarried && serviceHasAv && service.pcrPid != kNullPid) {
      streams_.push_back({PesPacketizer(service.pcrPid), 0, kPcrPeriod, 0, true, true, 0, start});
    }
  }
}

std::vector<uint8_t> AvStreams::pes(const Stream& s, uint64_t pts) {
  std::vector<uint8_t> p = {0x00, 0x00, 0x01, s.streamId, 0, 0, 0x80, 0x80, 0x05};
  p.push_back(uint8_t(0x21 | ((pts >> 29) & 0x0E)));
  p.push_back(uint8_t(pts >> 22));
  p.push_back(uint8_t(0x01 | ((pts >> 14) & 0xFE)));
  p.push_back(uint8_t(pts >> 7));
  p.push_back(uint8_t(0x01 | ((pts << 1) & 0xFE)));
  for (size_t i = 0; i < s.payload; ++i) p.push_back(uint8_t(s.count + i));
  size_t length = p.size() - 6;
  p[4] = uint8_t(length >> 8);
  p[5] = uint8_t(length);
  return p;
}

void AvStreams::fill(uint64_t now, std::deque<QueuedPacket>& queue) {
  for (auto& s : streams_) {
    if (now < s.next) continue;
    if (s.pcrOnly) {
      queue.push_back({s.packetizer.pcrOnlyPacket(), true});
    } else {
      std::vector<TsPacket> packets;
      uint64_t pts = (now * 9 / 100) & ((uint64_t(1) << 33) - 1);
      s.packetizer.packetize(pes(s, pts), packets, s.carriesPcr, s.scrambling);
      for (size_t i = 0; i < packets.size(); ++i) queue.push_back({packets[i], s.carriesPcr && i == 0});
    }
    ++s.count;
    s.next += s.period;
    if (s.next <= now) s.next = now + s.period;
  }
}

}  // namespace cv7::sim
