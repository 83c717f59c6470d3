// Writes program-table payloads (data frame 0x67) as the card sends them, for the parser's
// tests and fuzz seeds. Counts and flags can be set to anything, so malformed and overlong
// payloads are as easy to make as good ones.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace cv7::test {

struct PayloadProgram {
  uint16_t first = 0, second = 0, third = 0;
  std::optional<uint8_t> flag;           // default: 1 with a service block, else 0
  bool service = false;
  std::string name;
  std::optional<uint8_t> nameLength;     // default: name.size()
  uint16_t video = 0xFFFF;
  std::vector<uint16_t> audio;
  uint16_t afterAudio = 0;
  uint8_t scrambled = 0;
  uint8_t closing = 0;                   // the byte that must be 0
  std::vector<std::pair<uint16_t, uint8_t>> streams;  // {PID, kind byte}
};

struct ProgramTablePayload {
  std::vector<PayloadProgram> programs;
  std::optional<uint8_t> programCount;   // default: programs.size()
  uint32_t trailer1 = 0, trailer2 = 0;

  std::vector<uint8_t> encode() const {
    std::vector<uint8_t> out;
    auto u8 = [&](uint32_t v) { out.push_back(uint8_t(v)); };
    auto u16 = [&](uint32_t v) { u8(v >> 8), u8(v); };
    auto u32 = [&](uint32_t v) { u16(v >> 16), u16(v); };
    u8(programCount.value_or(uint8_t(programs.size())));
    for (const PayloadProgram& p : programs) {
      u16(p.first), u16(p.second), u16(p.third);
      u8(p.flag.value_or(p.service ? 1 : 0));
      if (p.service) {
        u8(p.nameLength.value_or(uint8_t(p.name.size())));
        for (char c : p.name) u8(uint8_t(c));
        u16(p.video);
        u8(uint32_t(p.audio.size()));
        for (uint16_t a : p.audio) u16(a);
        u16(p.afterAudio), u8(p.scrambled), u8(p.closing);
      }
      u8(uint32_t(p.streams.size()));
      for (auto [pid, kind] : p.streams) u16(pid), u8(kind);
    }
    u32(trailer1), u32(trailer2);
    return out;
  }
};

}  // namespace cv7::test
