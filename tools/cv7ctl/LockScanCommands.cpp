// cv7ctl lock FILE.cvd N and scan FILE.cvd N: a lock test on transponder N of a satellite
// data file, and a channel search on it, printed in the manner of common DVB scan tools.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "LibrarySession.h"
#include "SatelliteFileView.h"
#include "TunerReport.h"

namespace cv7ctl {
namespace {

constexpr uint32_t kSearchMessage = 1035;

// The transponder N (1-based, the library's numbering) of a file, with its satellite.
bool transponderOf(const Arguments& args, const char* usage, SatelliteData& file, TrInfo& tr) {
  auto n = args.size() >= 2 ? number(args[1]) : std::nullopt;
  if (!n || *n == 0) {
    usageError(usage);
    return false;
  }
  std::string error;
  if (!readSatelliteFile(args[0], file, error)) {
    std::fprintf(stderr, "cv7ctl: %s: %s\n", args[0].c_str(), error.c_str());
    return false;
  }
  if (*n > file.blocks.size()) {
    std::fprintf(stderr, "cv7ctl: %s has %zu transponders, not %u\n", args[0].c_str(), file.blocks.size(), *n);
    return false;
  }
  tr = file.blocks[*n - 1].tr;
  tr.TransponderNumber = *n;
  return true;
}

int runLock(const Arguments& args) {
  SatelliteData file;
  TrInfo tr{};
  if (!transponderOf(args, "lock FILE.cvd N", file, tr)) return 2;
  LibrarySession session;
  if (!session.ok()) return 1;
  return lockAndReport(file.lnb, tr);
}

// ---- scan ----

SiList found;
bool received = false;

intptr_t receiveSearchResult(CvnWindow*, uint32_t message, uintptr_t, intptr_t lParam) {
  if (message == kSearchMessage && lParam != 0) {
    std::memcpy(&found, reinterpret_cast<const SiList*>(lParam), sizeof found);
    received = true;
  }
  return 0;
}

const char* encapsulationName(uint16_t encapsulation) {
  switch (encapsulation) {
    case 1:
      return "Data Piping";
    case 2:
      return "Data Streaming";
    case 3:
      return "Multiprotocol Encapsulation";
    case 5:
      return "Data Streaming PES";
    default:
      return "unknown";
  }
}

void printSearchResult(const SiList& list) {
  std::printf("transponder %" PRIu32 ": %" PRIu32 " kHz, %" PRIu32 " ksym/s, transport stream id 0x%04X\n",
              list.Tr.TransponderNumber, list.Tr.Frequency, list.Tr.SymbolRate, list.Tr.TransportID);
  for (uint32_t i = 0; i < list.ProgramCount && i < 80; ++i) {
    const ProgramInfo& p = list.Program[i];
    std::printf("0x%04X 0x%04X: pmt_pid 0x%04X -- %s (%s%s)\n", list.Tr.TransportID, p.pgnumber, p.PmtPID,
                p.ProgramName, p.TVorRadio ? "TV" : "radio", p.Scrambled ? ", scrambled" : "");
    if (p.TVorRadio) std::printf("\tVIDEO     : PID 0x%04X\n", p.VideoPID);
    for (uint32_t a = 0; a < p.AudioPIDCount && a < 6; ++a) std::printf("\tAUDIO     : PID 0x%04X\n", p.AudioPID[a]);
    std::printf("\tPCR       : PID 0x%04X\n", p.PcrPID);
  }
  for (uint32_t i = 0; i < list.DataCount && i < 80; ++i) {
    const DataInfo& d = list.Data[i];
    std::printf("0x%04X 0x%04X: pmt_pid 0x%04X -- data\n\tDATA      : PID 0x%04X  %s\n", list.Tr.TransportID,
                d.pgnumber, d.PmtPID, d.DataPID, encapsulationName(d.Encapsulation));
  }
  std::printf("%" PRIu32 " programs, %" PRIu32 " data services\n", list.ProgramCount, list.DataCount);
}

int runScan(const Arguments& args) {
  SatelliteData file;
  TrInfo tr{};
  if (!transponderOf(args, "scan FILE.cvd N", file, tr)) return 2;
  CvnWindow window{receiveSearchResult};
  LibrarySession session(2, &window, kSearchMessage);
  if (!session.ok()) return 1;
  if (lockAndReport(file.lnb, tr) != 0) return 1;
  std::printf(">>> searching ...\n");
  if (!Cvn_SearchChannel(0) || !received) {
    std::fprintf(stderr, "cv7ctl: the search found nothing\n");
    return 1;
  }
  printSearchResult(found);
  return 0;
}

CommandRegistration lock("lock", "lock FILE.cvd N", runLock);
CommandRegistration scan("scan", "scan FILE.cvd N", runScan);

}  // namespace
}  // namespace cv7ctl
