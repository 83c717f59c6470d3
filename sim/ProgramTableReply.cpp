#include "ProgramTableReply.h"

#include <algorithm>

namespace cv7::sim {

namespace {
constexpr size_t kMaxName = 30;
constexpr size_t kMaxCount = 255;

void put16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(uint8_t(value >> 8));
  out.push_back(uint8_t(value));
}
void put32(std::vector<uint8_t>& out, uint32_t value) {
  put16(out, uint16_t(value >> 16));
  put16(out, uint16_t(value));
}

void encodeService(std::vector<uint8_t>& out, const ProgramService& service) {
  size_t nameLength = std::min(service.name.size(), kMaxName);
  out.push_back(uint8_t(nameLength));
  out.insert(out.end(), service.name.begin(), service.name.begin() + nameLength);
  put16(out, service.videoPid);
  size_t audios = std::min(service.audioPids.size(), kMaxCount);
  out.push_back(uint8_t(audios));
  for (size_t i = 0; i < audios; ++i) put16(out, service.audioPids[i]);
  put16(out, service.pcrPid);
  out.push_back(service.scrambled);
  out.push_back(0);
}
}  // namespace

std::vector<uint8_t> ProgramTableReply::encode() const {
  std::vector<uint8_t> out;
  size_t count = std::min(programs.size(), kMaxCount);
  out.push_back(uint8_t(count));
  for (size_t i = 0; i < count; ++i) {
    const ProgramEntry& program = programs[i];
    put16(out, transportStreamId);
    put16(out, program.programNumber);
    put16(out, program.pmtPid);
    out.push_back(program.service ? 1 : 0);
    if (program.service) encodeService(out, *program.service);
    size_t streams = std::min(program.streams.size(), kMaxCount);
    out.push_back(uint8_t(streams));
    for (size_t s = 0; s < streams; ++s) {
      put16(out, program.streams[s].pid);
      out.push_back(program.streams[s].type);
    }
  }
  put32(out, frequencyKHz);
  put32(out, symbolRate);
  return out;
}

ProgramTableReply ProgramTableReply::builtIn() {
  ProgramTableReply table;
  table.transportStreamId = 0x0401;
  table.frequencyKHz = 12188000;
  table.symbolRate = 27500;
  ProgramEntry data;
  data.programNumber = 101;
  data.pmtPid = 0x0100;
  data.service = ProgramService{"Corvane Data", 0xFFFF, {}, 0x0101, 0};
  data.streams = {{0x0200, 3}, {0x0201, 5}};
  ProgramEntry tv;
  tv.programNumber = 102;
  tv.pmtPid = 0x0110;
  tv.service = ProgramService{"Corvane TV", 0x0111, {0x0112}, 0x0111, 0};
  ProgramEntry bare;
  bare.programNumber = 103;
  bare.pmtPid = 0x0120;
  bare.streams = {{0x0300, 3}};
  table.programs = {data, tv, bare};
  return table;
}

}  // namespace cv7::sim
