#include "SearchResult.h"

#include <algorithm>
#include <cstring>

#include "ControlCodes.h"
#include "Database.h"

namespace corvane::search {

namespace {

constexpr uint32_t kMaxEntries = 80;
constexpr uint32_t kRecordOffset = 4;
// Offsets inside a program record.
constexpr uint32_t kStreamCount = 0;
constexpr uint32_t kStreams = 2;
constexpr uint32_t kProgramNumber = 398;
constexpr uint32_t kPcrPid = 400;
constexpr uint32_t kPmtPid = 404;
constexpr uint32_t kScrambled = 406;
constexpr uint32_t kName = 409;
constexpr uint32_t kNameArea = 35;

// ISO/IEC 13818-1 stream types as the table reports them.
constexpr uint16_t kVideo = 2;
constexpr uint16_t kAudio1 = 3;
constexpr uint16_t kAudio2 = 4;
constexpr uint16_t kPrivateSections = 5;
constexpr uint16_t kPesPrivateData = 6;
constexpr uint16_t kDsmccTypeD = 13;

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

TrInfo searchedTransponder(const uint8_t* table, const TrInfo& lastTr) {
  uint32_t frequency = le32(table + cv7::ctl::kTableTrailer1);
  uint32_t symbolRate = le32(table + cv7::ctl::kTableTrailer2);
  TrInfo tr{};
  if (frequency == lastTr.Frequency && symbolRate == lastTr.SymbolRate) {
    tr = lastTr;
  } else if (!db::findTransponder(frequency, symbolRate, tr)) {
    tr = TrInfo{};
    tr.Frequency = frequency;
    tr.SymbolRate = symbolRate;
  }
  tr.TransportID = le16(table + cv7::ctl::kTableFirstValue);
  return tr;
}

void addData(SiList& list, const uint8_t* record, uint16_t pid, uint16_t encapsulation) {
  if (list.DataCount >= kMaxEntries) return;
  DataInfo& d = list.Data[list.DataCount++];
  d = DataInfo{};
  d.pgnumber = le16(record + kProgramNumber);
  d.PmtPID = le16(record + kPmtPid);
  d.DataPID = pid;
  d.Encapsulation = encapsulation;
}

void classifyProgram(SiList& list, const uint8_t* record) {
  ProgramInfo p{};
  bool video = false, audio = false;
  uint32_t streams = std::min<uint32_t>(record[kStreamCount], cv7::ctl::kMaxComponents);
  for (uint32_t j = 0; j < streams; ++j) {
    uint16_t type = le16(record + kStreams + 4 * j);
    uint16_t pid = le16(record + kStreams + 4 * j + 2);
    if (type == kVideo) {
      p.VideoPID = pid;
      video = true;
    } else if (type == kAudio1 || type == kAudio2) {
      if (p.AudioPIDCount < 6) p.AudioPID[p.AudioPIDCount++] = pid;
      audio = true;
    } else if (!video && !audio) {
      // Data streams count only before the program's first video or audio stream.
      if (type == kPesPrivateData) addData(list, record, pid, 5);
      if (type == kPrivateSections || type == kDsmccTypeD) addData(list, record, pid, 3);
    }
  }
  if (!video && p.AudioPIDCount == 0) return;
  if (list.ProgramCount >= kMaxEntries) return;
  p.TVorRadio = video ? 1 : 0;
  if (!video) p.VideoPID = 0;
  p.PcrPID = le16(record + kPcrPid);
  p.PmtPID = le16(record + kPmtPid);
  p.pgnumber = le16(record + kProgramNumber);
  p.Scrambled = le16(record + kScrambled);
  const char* name = reinterpret_cast<const char*>(record + kName);
  size_t length = strnlen(name, kNameArea);
  std::memcpy(p.ProgramName, name, std::min<size_t>(length, sizeof p.ProgramName - 1));
  list.Program[list.ProgramCount++] = p;
}

}  // namespace

void buildSiList(const uint8_t* table, const LnbInfo& lnb, const TrInfo& lastTr, SiList& list) {
  std::memset(&list, 0, sizeof list);
  list.Lnb = lnb;
  list.Tr = searchedTransponder(table, lastTr);
  uint32_t programs = std::min<uint32_t>(table[cv7::ctl::kTableProgramCount], cv7::ctl::kProgramEntries);
  for (uint32_t i = 0; i < programs; ++i) {
    classifyProgram(list, table + kRecordOffset + cv7::ctl::kProgramEntrySize * i);
  }
}

}  // namespace corvane::search
