#include "FirmwareImage.h"

#include <array>
#include <cstring>

namespace cv7::sim {

namespace {

constexpr std::array<uint32_t, 256> makeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}
constexpr auto kCrcTable = makeCrcTable();

void putLe32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(value >> (8 * i)));
}
uint32_t getLe32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

constexpr const char* kDescription =
    "Corvane-7 DVB-S receiver firmware\n"
    "tuner control, LNB supply / 22 kHz / tone burst / DiSEqC 1.0, PID demultiplexer (32 filters),\n"
    "PSI parser (PAT, PMT, SDT), MPE section and byte-stuffed stream delivery by bus-master DMA.\n";

}  // namespace

uint32_t FirmwareImage::crc32(const uint8_t* data, size_t length) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < length; ++i) c = kCrcTable[(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::vector<uint8_t> FirmwareImage::build(uint8_t major, uint8_t minor, const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> image(std::begin(kMagic), std::end(kMagic));
  image.push_back(major);
  image.push_back(minor);
  image.push_back(0);
  image.push_back(0);
  putLe32(image, uint32_t(payload.size()));
  putLe32(image, crc32(payload.data(), payload.size()));
  image.insert(image.end(), payload.begin(), payload.end());
  return image;
}

std::vector<uint8_t> FirmwareImage::defaultPayload() {
  std::vector<uint8_t> payload(kDescription, kDescription + std::strlen(kDescription));
  payload.push_back(0);
  // Code and tables: a deterministic pseudo-random body (32-bit xorshift), 6 KiB.
  uint32_t state = 0xC0F7A7E7u;
  for (int i = 0; i < 6 * 1024; ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    payload.push_back(uint8_t(state >> 11));
  }
  return payload;
}

std::vector<uint8_t> FirmwareImage::buildDefault(uint8_t major, uint8_t minor) {
  return build(major, minor, defaultPayload());
}

FirmwareImage::Info FirmwareImage::inspect(const uint8_t* data, size_t length) {
  Info info;
  if (data == nullptr || length < kHeaderSize) return info;
  if (std::memcmp(data, kMagic, sizeof kMagic) != 0) {
    info.check = Check::BadMagic;
    return info;
  }
  info.major = data[offsetof(FirmwareHeader, major)];
  info.minor = data[offsetof(FirmwareHeader, minor)];
  info.payloadLength = getLe32(data + offsetof(FirmwareHeader, payloadLength));
  if (info.payloadLength > kMaxPayload || length - kHeaderSize != info.payloadLength) {
    info.check = Check::BadLength;
    return info;
  }
  uint32_t expected = getLe32(data + offsetof(FirmwareHeader, payloadCrc));
  info.check = crc32(data + kHeaderSize, info.payloadLength) == expected ? Check::Valid : Check::BadChecksum;
  return info;
}

const char* FirmwareImage::checkName(Check check) {
  switch (check) {
    case Check::Valid: return "valid";
    case Check::TooShort: return "shorter than its header";
    case Check::BadMagic: return "wrong magic";
    case Check::BadLength: return "length does not match the header";
    case Check::BadChecksum: return "payload checksum mismatch";
  }
  return "unknown";
}

}  // namespace cv7::sim
