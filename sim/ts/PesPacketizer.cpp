#include "PesPacketizer.h"

namespace cv7::sim {

void PesPacketizer::packetize(std::span<const uint8_t> pes, std::vector<TsPacket>& out, bool withPcr,
                              uint8_t scrambling) {
  size_t offset = 0;
  bool first = true;
  while (offset < pes.size() || first) {
    TsPacketFields fields{pid_, first, counter_.next(), scrambling, std::nullopt};
    if (first && withPcr) fields.pcr = 0;
    size_t n = std::min(tsPayloadRoom(fields), pes.size() - offset);
    out.push_back(buildTsPacket(fields, pes.subspan(offset, n)));
    offset += n;
    first = false;
    if (n == 0) break;
  }
}

TsPacket PesPacketizer::pcrOnlyPacket() const {
  // No payload: the continuity counter does not advance.
  TsPacketFields fields{pid_, false, counter_.last(), 0, uint64_t(0)};
  return buildTsPacket(fields, {});
}

}  // namespace cv7::sim
