// The payload of the card's program table reply (data frame 0x67, command 13): what the
// firmware's PSI parser found on the tuned transponder, in the order the host reads it.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cv7::sim {

struct ProgramStream {
  uint16_t pid = 0;
  uint8_t type = 0;  // 3 = MPE data, 5 = PES data, others are passed over by the host
};

// Service block of a program (flag byte 1): name and elementary components from the SDT/PMT.
struct ProgramService {
  std::string name;                     // at most 30 bytes are sent
  uint16_t videoPid = 0xFFFF;           // 0xFFFF: no video
  std::vector<uint16_t> audioPids;
  uint16_t pcrPid = 0;
  uint8_t scrambled = 0;
};

struct ProgramEntry {
  uint16_t programNumber = 0;
  uint16_t pmtPid = 0;
  std::optional<ProgramService> service;
  std::vector<ProgramStream> streams;
};

struct ProgramTableReply {
  uint16_t transportStreamId = 0;
  std::vector<ProgramEntry> programs;   // at most 255 are sent
  uint32_t frequencyKHz = 0;
  uint32_t symbolRate = 0;

  // The bytes of the data frame's payload (without reply code and length).
  std::vector<uint8_t> encode() const;
  // A small table the firmware answers before any channel search has run.
  static ProgramTableReply builtIn();
};

}  // namespace cv7::sim
