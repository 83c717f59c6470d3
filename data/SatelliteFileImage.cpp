#include "SatelliteFileImage.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

namespace cv7::data {
namespace {

static_assert(std::endian::native == std::endian::little, "records are written as they lie in memory");

template <typename T>
void append(std::vector<uint8_t>& out, const T& value) {
  const auto* p = reinterpret_cast<const uint8_t*>(&value);
  out.insert(out.end(), p, p + sizeof(T));
}

bool isVideo(uint8_t type) { return type == 0x01 || type == 0x02 || type == 0x10 || type == 0x1B; }
bool isAudio(uint8_t type) { return type == 0x03 || type == 0x04 || type == 0x0F || type == 0x11; }

template <size_t N>
void copyName(char (&field)[N], const std::string& name) {
  std::memset(field, 0, N);
  std::memcpy(field, name.data(), std::min(name.size(), N - 1));
}

uint16_t encapsulationCode(sim::Encapsulation e) {
  return e == sim::Encapsulation::StuffedPes ? 5 : 3;  // data streaming PES, or MPE
}

}  // namespace

LnbInfo SatelliteFileImage::lnbInfo(const sim::Satellite& s) {
  LnbInfo lnb{};
  copyName(lnb.SatelliteName, s.name);
  lnb.LocalOscillator = s.defaultFile.localOscillatorKHz;
  lnb.Tone22k = s.defaultFile.tone22k;
  lnb.LnbPower = s.defaultFile.lnbPower;
  lnb.ToneBurst = s.defaultFile.toneBurst;
  lnb.DiSEqC = s.defaultFile.diseqc;
  return lnb;
}

TrInfo SatelliteFileImage::trInfo(const sim::Transponder& t, uint32_t number) {
  TrInfo tr{};
  tr.TransponderNumber = number;
  tr.Frequency = t.frequencyKHz;
  tr.SymbolRate = t.symbolRateKsps;
  tr.Polarity = sim::needsHighVoltage(t.polarisation) ? 1 : 0;  // sent as 2 (18 V) or 1 (13 V)
  tr.TransportID = t.stream.transportStreamId;
  return tr;
}

std::vector<ProgramInfo> SatelliteFileImage::programs(const sim::Transponder& t, uint32_t number) {
  std::vector<ProgramInfo> list;
  for (const sim::ServiceConfig& s : t.stream.services) {
    ProgramInfo p{};
    for (const sim::ElementaryStream& e : s.streams) {
      if (isVideo(e.streamType) && p.VideoPID == 0) p.VideoPID = e.pid;
      if (isAudio(e.streamType) && p.AudioPIDCount < 6) p.AudioPID[p.AudioPIDCount++] = e.pid;
    }
    if (p.VideoPID == 0 && p.AudioPIDCount == 0) continue;  // a data service
    p.ChNumber = number * 100 + uint32_t(list.size() + 1);
    p.PcrPID = s.pcrPid;
    p.pgnumber = s.programNumber;
    p.PmtPID = s.pmtPid;
    p.Scrambled = s.scrambled ? 1 : 0;
    p.TVorRadio = p.VideoPID != 0 ? 1 : 0;
    copyName(p.ProgramName, s.name);
    list.push_back(p);
  }
  return list;
}

std::vector<DataInfo> SatelliteFileImage::dataServices(const sim::Transponder& t, uint32_t number) {
  std::vector<DataInfo> list;
  for (const sim::DataSourceConfig& d : t.stream.sources) {
    DataInfo info{};
    info.DataNumber = number * 100 + uint32_t(list.size() + 1);
    for (const sim::ServiceConfig& s : t.stream.services) {
      bool carries = std::any_of(s.streams.begin(), s.streams.end(),
                                 [&](const sim::ElementaryStream& e) { return e.pid == d.pid; });
      if (carries) {
        info.pgnumber = s.programNumber;
        info.PmtPID = s.pmtPid;
        break;
      }
    }
    info.DataPID = d.pid;
    info.Encapsulation = encapsulationCode(d.encapsulation);
    info.SetFlag = std::count(t.selectedDataPids.begin(), t.selectedDataPids.end(), d.pid) ? 1 : 0;
    list.push_back(info);
  }
  return list;
}

std::vector<uint8_t> SatelliteFileImage::bytes(const sim::Satellite& s) {
  std::vector<uint8_t> out{'C', 'V', '9', 'D', 'A', 'T'};
  append(out, uint32_t(0));  // owner stamp: nobody holds the file
  append(out, lnbInfo(s));
  append(out, uint32_t(s.transponders.size()));
  uint32_t number = 0;
  for (const sim::Transponder& t : s.transponders) {  // the sky keeps them in frequency order
    ++number;
    append(out, trInfo(t, number));
    std::vector<ProgramInfo> p = programs(t, number);
    append(out, uint32_t(p.size()));
    for (const ProgramInfo& r : p) append(out, r);
    std::vector<DataInfo> d = dataServices(t, number);
    append(out, uint32_t(d.size()));
    for (const DataInfo& r : d) append(out, r);
  }
  return out;
}

}  // namespace cv7::data
