// cv7ctl lock FILE N and scan FILE N: a lock test on transponder N of a satellite data
// file, and a channel search on it, printed in the manner of common DVB scan tools. The
// search tells "nothing found" (locked, but no programs or data services) from "no signal".
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>

#include "Command.h"
#include "Failure.h"
#include "LibrarySession.h"
#include "SatelliteDatabase.h"
#include "SatelliteFileView.h"
#include "TunerReport.h"
#include "Vocabulary.h"

namespace cv7ctl {
namespace {

constexpr uint32_t kSearchMessage = 1035;

struct TransponderOptions {
  std::string path;
  uint32_t number = 0;
  bool json = false;
  bool save = false;
};

void addTransponderArguments(CLI::App& command, TransponderOptions& o) {
  command.add_option("FILE", o.path, "Satellite data file (.cvd)")->required();
  command.add_option("N", o.number, "Transponder number, 1-based in frequency order (as 'cvd show' lists them)")
      ->required()
      ->check(CLI::Range(1u, 100000u));
  command.add_flag("--json", o.json, "Print the result as one JSON object (for scripts)");
}

// The satellite and transponder N of a file, read without stamping it.
void transponderOf(const TransponderOptions& o, SatelliteData& file, TrInfo& tr) {
  std::string error;
  if (!readSatelliteFile(o.path, file, error)) throw Failure::file(o.path, error);
  if (o.number > file.blocks.size())
    throw Failure::badArgument(o.path + " has " + std::to_string(file.blocks.size()) + " transponders, not " +
                               std::to_string(o.number));
  tr = file.blocks[o.number - 1].tr;
  tr.TransponderNumber = o.number;
}

int runLock(const TransponderOptions& o) {
  SatelliteData file;
  TrInfo tr{};
  transponderOf(o, file, tr);
  LibrarySession session;
  LockReport report = LockReport::run(file.lnb, tr);
  std::printf("%s\n", o.json ? jsonText(report.json()).c_str() : report.text().c_str());
  report.requireLock();
  return kExitOk;
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

std::string programName(const ProgramInfo& p) { return std::string(p.ProgramName, strnlen(p.ProgramName, sizeof p.ProgramName)); }

void printSearchResult(const SiList& list) {
  std::printf("transponder %" PRIu32 ": %" PRIu32 " kHz, %" PRIu32 " ksym/s, transport stream id 0x%04X\n",
              list.Tr.TransponderNumber, list.Tr.Frequency, list.Tr.SymbolRate, list.Tr.TransportID);
  for (uint32_t i = 0; i < list.ProgramCount && i < 80; ++i) {
    const ProgramInfo& p = list.Program[i];
    std::printf("0x%04X 0x%04X: pmt_pid 0x%04X -- %s (%s%s)\n", list.Tr.TransportID, p.pgnumber, p.PmtPID,
                programName(p).c_str(), p.TVorRadio ? "TV" : "radio", p.Scrambled ? ", scrambled" : "");
    if (p.TVorRadio) std::printf("\tVIDEO     : PID 0x%04X\n", p.VideoPID);
    for (uint32_t a = 0; a < p.AudioPIDCount && a < 6; ++a) std::printf("\tAUDIO     : PID 0x%04X\n", p.AudioPID[a]);
    std::printf("\tPCR       : PID 0x%04X\n", p.PcrPID);
  }
  for (uint32_t i = 0; i < list.DataCount && i < 80; ++i) {
    const DataInfo& d = list.Data[i];
    std::printf("0x%04X 0x%04X: pmt_pid 0x%04X -- data\n\tDATA      : PID 0x%04X  %s\n", list.Tr.TransportID,
                d.pgnumber, d.PmtPID, d.DataPID, nameOf(encapsulations(), d.Encapsulation).c_str());
  }
  if (list.ProgramCount == 0 && list.DataCount == 0)
    std::printf("nothing found: the transponder is locked, but its tables list no programs or data services\n");
  else
    std::printf("%" PRIu32 " programs, %" PRIu32 " data services\n", list.ProgramCount, list.DataCount);
}

nlohmann::json searchJson(const SiList& list, const LockReport& lock) {
  nlohmann::json out = lock.json();
  out["transportStreamId"] = list.Tr.TransportID;
  out["found"] = list.ProgramCount + list.DataCount > 0;
  out["programs"] = nlohmann::json::array();
  for (uint32_t i = 0; i < list.ProgramCount && i < 80; ++i) {
    const ProgramInfo& p = list.Program[i];
    nlohmann::json audio = nlohmann::json::array();
    for (uint32_t a = 0; a < p.AudioPIDCount && a < 6; ++a) audio.push_back(p.AudioPID[a]);
    out["programs"].push_back({{"name", programName(p)}, {"program", p.pgnumber}, {"pmtPid", p.PmtPID},
                               {"tv", p.TVorRadio != 0}, {"videoPid", p.VideoPID}, {"audioPids", audio},
                               {"pcrPid", p.PcrPID}, {"teletextPid", p.TTxtPID}, {"scrambled", p.Scrambled != 0}});
  }
  out["data"] = nlohmann::json::array();
  for (uint32_t i = 0; i < list.DataCount && i < 80; ++i) {
    const DataInfo& d = list.Data[i];
    out["data"].push_back({{"pid", d.DataPID}, {"program", d.pgnumber}, {"pmtPid", d.PmtPID},
                           {"encapsulation", nameOf(encapsulations(), d.Encapsulation)}});
  }
  return out;
}

// Replaces the transponder's programs and data services in the file with what the search
// found; a data PID that was selected and is found again stays selected.
void saveSearchResult(const TransponderOptions& o, const SiList& list) {
  SatelliteDatabase::load(o.path);
  TrInfo tr = SatelliteDatabase::transponder(o.number, o.path);
  std::vector<DataInfo> before = SatelliteDatabase::data(o.number);
  SatelliteDatabase::clearServices(o.number);
  tr.TransportID = list.Tr.TransportID;
  Cvn_UpdateTransponder(tr);
  for (uint32_t i = 0; i < list.ProgramCount && i < 80; ++i) SatelliteDatabase::addProgram(o.number, list.Program[i]);
  for (uint32_t i = 0; i < list.DataCount && i < 80; ++i) {
    DataInfo d = list.Data[i];
    d.SetFlag = 0;
    for (const DataInfo& old : before)
      if (old.DataPID == d.DataPID && old.SetFlag) d.SetFlag = 1;
    SatelliteDatabase::addData(o.number, d);
  }
  SatelliteDatabase::save(o.path);
}

int runScan(const TransponderOptions& o) {
  SatelliteData file;
  TrInfo tr{};
  transponderOf(o, file, tr);
  CvnWindow window{receiveSearchResult};
  LibrarySession session(2, &window, kSearchMessage);
  LockReport lock = LockReport::run(file.lnb, tr);
  if (!lock.locked()) {
    if (o.json) std::printf("%s\n", jsonText(lock.json()).c_str());
    lock.requireLock();
  }
  if (!o.json) std::printf("%s\n>>> searching ...\n", lock.text().c_str());
  if (!Cvn_SearchChannel(0)) throw Failure::diagnose("the channel search failed");
  if (!received) throw Failure::diagnose("the channel search ended without a result");
  if (o.json)
    std::printf("%s\n", jsonText(searchJson(found, lock)).c_str());
  else
    printSearchResult(found);
  if (o.save) {
    saveSearchResult(o, found);
    if (!o.json) std::printf("saved to %s, transponder %u\n", o.path.c_str(), o.number);
  }
  return kExitOk;
}

CommandRegistration lock{"lock", "Lock test on transponder N of a satellite data file", kGroupTuning,
                         [](CLI::App& command) {
                           auto o = std::make_shared<TransponderOptions>();
                           addTransponderArguments(command, *o);
                           setRun(command, [o] { return runLock(*o); });
                         }};

CommandRegistration scan{
    "scan", "Channel search on transponder N of a satellite data file", kGroupTuning, [](CLI::App& command) {
      auto o = std::make_shared<TransponderOptions>();
      addTransponderArguments(command, *o);
      command.add_flag("--save", o->save,
                       "Store the programs and data services found in the file (replacing that transponder's)");
      setRun(command, [o] { return runScan(*o); });
    }};

}  // namespace
}  // namespace cv7ctl
