#include "TsPacket.h"

#include <algorithm>
#include <cstring>

namespace cv7::sim {

namespace {
constexpr uint8_t kAfPcrFlag = 0x10;
constexpr uint8_t kAfDiscontinuity = 0x80;
constexpr size_t kPcrBytes = 6;
}  // namespace

TsHeader parseTsHeader(const TsPacket& p) {
  TsHeader h;
  if (p[0] != kTsSync) return h;
  h.transportError = (p[1] & 0x80) != 0;
  h.unitStart = (p[1] & 0x40) != 0;
  h.pid = uint16_t(((p[1] & 0x1F) << 8) | p[2]);
  h.scrambling = uint8_t(p[3] >> 6);
  uint8_t control = (p[3] >> 4) & 0x03;
  h.continuity = p[3] & 0x0F;
  h.hasPayload = (control & 0x01) != 0;
  size_t offset = 4;
  if (control & 0x02) {
    size_t length = p[4];
    if (5 + length > kTsPacketSize) return h;
    if (length > 0) {
      h.discontinuity = (p[5] & kAfDiscontinuity) != 0;
      if ((p[5] & kAfPcrFlag) && length >= 1 + kPcrBytes) {
        uint64_t base = (uint64_t(p[6]) << 25) | (uint64_t(p[7]) << 17) | (uint64_t(p[8]) << 9) |
                        (uint64_t(p[9]) << 1) | (p[10] >> 7);
        uint64_t extension = (uint64_t(p[10] & 0x01) << 8) | p[11];
        h.pcr = base * 300 + extension;
      }
    }
    offset = 5 + length;
  }
  if (control == 0) h.hasPayload = false;
  h.payloadOffset = h.hasPayload ? offset : kTsPacketSize;
  h.valid = true;
  return h;
}

size_t tsPayloadRoom(const TsPacketFields& fields) {
  return fields.pcr ? kTsPayloadMax - 2 - kPcrBytes : kTsPayloadMax;
}

TsPacket buildTsPacket(const TsPacketFields& fields, std::span<const uint8_t> payload) {
  TsPacket p;
  p.fill(0xFF);
  size_t n = std::min(payload.size(), tsPayloadRoom(fields));
  bool hasPayload = n > 0;
  bool adaptation = fields.pcr.has_value() || n < kTsPayloadMax;
  p[0] = kTsSync;
  p[1] = uint8_t((fields.unitStart ? 0x40 : 0) | ((fields.pid >> 8) & 0x1F));
  p[2] = uint8_t(fields.pid);
  uint8_t control = uint8_t((adaptation ? 0x02 : 0) | (hasPayload ? 0x01 : 0));
  p[3] = uint8_t((fields.scrambling & 0x03) << 6 | control << 4 | (fields.continuity & 0x0F));
  size_t offset = 4;
  if (adaptation) {
    size_t length = kTsPayloadMax - 1 - n;  // the adaptation field after its length byte
    p[4] = uint8_t(length);
    if (length > 0) {
      p[5] = fields.pcr ? kAfPcrFlag : 0;
      // Stuffing bytes (0xFF) are already in place behind the flags and the PCR.
    }
    offset = 5 + length;
  }
  if (n > 0) std::memcpy(p.data() + offset, payload.data(), n);
  if (fields.pcr) setTsPcr(p, *fields.pcr);
  return p;
}

TsPacket nullTsPacket() {
  TsPacket p;
  p.fill(0xFF);
  p[0] = kTsSync;
  p[1] = uint8_t(kNullPid >> 8);
  p[2] = uint8_t(kNullPid & 0xFF);
  p[3] = 0x10;
  return p;
}

void setTsPcr(TsPacket& p, uint64_t pcr) {
  if ((p[3] & 0x20) == 0 || p[4] < 1 + kPcrBytes || (p[5] & kAfPcrFlag) == 0) return;
  pcr %= kPcrWrap;
  uint64_t base = pcr / 300;
  uint32_t extension = uint32_t(pcr % 300);
  p[6] = uint8_t(base >> 25);
  p[7] = uint8_t(base >> 17);
  p[8] = uint8_t(base >> 9);
  p[9] = uint8_t(base >> 1);
  p[10] = uint8_t(((base & 1) << 7) | 0x7E | (extension >> 8));
  p[11] = uint8_t(extension);
}

}  // namespace cv7::sim
