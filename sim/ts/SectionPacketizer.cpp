#include "SectionPacketizer.h"

#include <algorithm>
#include <cstring>

namespace cv7::sim {

namespace {
constexpr size_t kMinimumStart = 3;  // table_id and section_length stay together
}

void SectionPacketizer::packetize(std::span<const std::vector<uint8_t>> sections, std::vector<TsPacket>& out) {
  size_t index = 0;
  size_t offset = 0;  // into sections[index]
  while (index < sections.size()) {
    if (sections[index].empty()) {
      ++index;
      continue;
    }
    size_t continuing = offset > 0 ? sections[index].size() - offset : 0;
    bool nextExists = index + 1 < sections.size();
    bool startsHere = offset == 0 || (nextExists && continuing + 1 + kMinimumStart <= kTsPayloadMax);
    uint8_t payload[kTsPayloadMax];
    std::memset(payload, 0xFF, sizeof payload);
    size_t used = 0;
    if (startsHere) payload[used++] = uint8_t(continuing);
    while (index < sections.size() && used < kTsPayloadMax) {
      const auto& section = sections[index];
      if (offset == 0 && (!startsHere || kTsPayloadMax - used < kMinimumStart)) break;
      size_t n = std::min(kTsPayloadMax - used, section.size() - offset);
      std::memcpy(payload + used, section.data() + offset, n);
      used += n;
      offset += n;
      if (offset == section.size()) {
        ++index;
        offset = 0;
      }
    }
    TsPacketFields fields{pid_, startsHere, counter_.next(), 0, std::nullopt};
    out.push_back(buildTsPacket(fields, std::span<const uint8_t>(payload, kTsPayloadMax)));
  }
}

}  // namespace cv7::sim
