#include "SatelliteFileReport.h"

#include <cinttypes>
#include <cstdio>
#include <cstdarg>
#include <cstring>

#include "Vocabulary.h"

namespace cv7ctl {
namespace {

constexpr uint32_t kLowOscillator = 9'750'000, kHighOscillator = 10'600'000;
constexpr uint32_t kIfMin = 950'000, kIfMax = 2'150'000, kIfMiddle = 1'550'000;

std::string text(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* pattern, ...) {
  char line[512];
  va_list args;
  va_start(args, pattern);
  std::vsnprintf(line, sizeof line, pattern, args);
  va_end(args);
  return line;
}

bool insideIf(uint32_t frequency, uint32_t oscillator) {
  return frequency > oscillator && frequency - oscillator > kIfMin && frequency - oscillator < kIfMax;
}

uint32_t fromMiddle(uint32_t frequency, uint32_t oscillator) {
  uint32_t intermediate = frequency - oscillator;
  return intermediate > kIfMiddle ? intermediate - kIfMiddle : kIfMiddle - intermediate;
}

const char* portName(uint8_t diseqc) {
  static const char* names[] = {"none", "A", "B", "C", "D"};
  return diseqc < 5 ? names[diseqc] : "other";
}

std::string lnbText(const LnbInfo& lnb) {
  std::string out = "  LNB: " + lnbDescription(lnb.LocalOscillator);
  if (lnb.LocalOscillator == 0)
    out += "\n  22 kHz tone: chosen per transponder (off: low band, 9750 MHz; on: high band, 10600 MHz); "
           "the file's tone setting is not used";
  else
    out += format("\n  22 kHz tone %s", lnb.Tone22k == 0 ? "on" : "off");
  out += format("\n  LNB power %s, tone burst %s (%u), DiSEqC port %s (%u)\n", lnb.LnbPower == 0 ? "on" : "off",
                lnb.ToneBurst == 0 ? "none" : lnb.ToneBurst == 1 ? "A" : lnb.ToneBurst == 2 ? "B" : "other",
                lnb.ToneBurst, portName(lnb.DiSEqC), lnb.DiSEqC);
  return out;
}

std::string programText(const ProgramInfo& p, uint32_t number) {
  std::string audio;
  for (size_t i = 0; i < std::min<size_t>(p.AudioPIDCount, 6); ++i) audio += format("%s0x%04x", i ? "," : " ", p.AudioPID[i]);
  return format("    %" PRIu32 " \"%s\" %s, video 0x%04x, audio%s, PCR 0x%04x, teletext 0x%04x, program %u, PMT 0x%04x%s\n",
                number, text(p.ProgramName, sizeof p.ProgramName).c_str(), p.TVorRadio ? "TV" : "radio", p.VideoPID,
                audio.empty() ? " none" : audio.c_str(), p.PcrPID, p.TTxtPID, p.pgnumber, p.PmtPID,
                p.Scrambled ? ", scrambled" : "");
}

std::string dataText(const DataInfo& d, uint32_t number) {
  return format("    %" PRIu32 " data PID 0x%04x, %s (%u), program %u, PMT 0x%04x, %s, reserved %" PRIu32 "\n", number,
                d.DataPID, nameOf(encapsulations(), d.Encapsulation).c_str(), d.Encapsulation, d.pgnumber, d.PmtPID,
                d.SetFlag ? "selected" : "not selected", d.Reserved);
}

std::string bandText(const LnbInfo& lnb, const TrInfo& tr) {
  if (lnb.LocalOscillator != 0) return "";
  return SatelliteFileReport::universalHighBand(tr.Frequency) ? ", high band (22 kHz on)" : ", low band (22 kHz off)";
}

nlohmann::json lnbJson(const LnbInfo& lnb) {
  return {{"name", text(lnb.SatelliteName, sizeof lnb.SatelliteName)},
          {"lnb", lnb.LocalOscillator == 0 ? std::string("universal") : std::string("fixed")},
          {"localOscillatorKHz", lnb.LocalOscillator},
          {"tone22k", lnb.LocalOscillator == 0 ? "per transponder" : lnb.Tone22k == 0 ? "on" : "off"},
          {"lnbPower", lnb.LnbPower == 0},
          {"toneBurst", lnb.ToneBurst},
          {"diseqc", lnb.DiSEqC}};
}

nlohmann::json programJson(const ProgramInfo& p, uint32_t number) {
  nlohmann::json audio = nlohmann::json::array();
  for (size_t i = 0; i < std::min<size_t>(p.AudioPIDCount, 6); ++i) audio.push_back(p.AudioPID[i]);
  return {{"number", number},        {"name", text(p.ProgramName, sizeof p.ProgramName)},
          {"tv", p.TVorRadio != 0},  {"videoPid", p.VideoPID},
          {"audioPids", audio},      {"pcrPid", p.PcrPID},
          {"teletextPid", p.TTxtPID}, {"program", p.pgnumber},
          {"pmtPid", p.PmtPID},      {"scrambled", p.Scrambled != 0}};
}

nlohmann::json dataJson(const DataInfo& d, uint32_t number) {
  return {{"number", number},
          {"pid", d.DataPID},
          {"encapsulation", nameOf(encapsulations(), d.Encapsulation)},
          {"program", d.pgnumber},
          {"pmtPid", d.PmtPID},
          {"selected", d.SetFlag != 0},
          {"reserved", d.Reserved}};
}

}  // namespace

bool SatelliteFileReport::universalHighBand(uint32_t frequency) {
  if (!insideIf(frequency, kLowOscillator)) return true;
  if (!insideIf(frequency, kHighOscillator)) return false;
  return fromMiddle(frequency, kLowOscillator) > fromMiddle(frequency, kHighOscillator);
}

std::string SatelliteFileReport::text(const std::string& path, const SatelliteData& file) {
  std::string out = "Satellite data file " + path + "\n";
  out += file.stamp == 0 ? "Owner stamp: 0 (not held)\n"
                         : format("Owner stamp: %" PRIu32 " (held by a client of mode %" PRIu32 ")\n", file.stamp, file.stamp);
  out += "Satellite \"" + cv7ctl::text(file.lnb.SatelliteName, sizeof file.lnb.SatelliteName) + "\"\n";
  out += lnbText(file.lnb);
  out += format("Transponders: %zu\n", file.blocks.size());
  for (size_t t = 0; t < file.blocks.size(); ++t) {
    const Block& block = file.blocks[t];
    uint32_t number = uint32_t(t + 1);
    out += format("Transponder %" PRIu32 ": %" PRIu32 " kHz, symbol rate %" PRIu32 ", polarity %s, TSID %u%s\n", number,
                  block.tr.Frequency, block.tr.SymbolRate, block.tr.Polarity ? "horizontal" : "vertical",
                  block.tr.TransportID, bandText(file.lnb, block.tr).c_str());
    out += format("  Programs: %zu\n", block.programs.size());
    for (size_t j = 0; j < block.programs.size(); ++j) out += programText(block.programs[j], number * 100 + uint32_t(j + 1));
    out += format("  Data services: %zu\n", block.data.size());
    for (size_t j = 0; j < block.data.size(); ++j) out += dataText(block.data[j], number * 100 + uint32_t(j + 1));
  }
  return out;
}

nlohmann::json SatelliteFileReport::json(const std::string& path, const SatelliteData& file) {
  nlohmann::json out = {{"file", path}, {"ownerStamp", file.stamp}, {"satellite", lnbJson(file.lnb)}};
  out["transponders"] = nlohmann::json::array();
  for (size_t t = 0; t < file.blocks.size(); ++t) {
    const Block& block = file.blocks[t];
    uint32_t number = uint32_t(t + 1);
    nlohmann::json tr = {{"number", number},
                         {"frequencyKHz", block.tr.Frequency},
                         {"symbolRateKsps", block.tr.SymbolRate},
                         {"polarity", block.tr.Polarity ? "horizontal" : "vertical"},
                         {"transportStreamId", block.tr.TransportID},
                         {"programs", nlohmann::json::array()},
                         {"data", nlohmann::json::array()}};
    if (file.lnb.LocalOscillator == 0) tr["band"] = universalHighBand(block.tr.Frequency) ? "high" : "low";
    for (size_t j = 0; j < block.programs.size(); ++j)
      tr["programs"].push_back(programJson(block.programs[j], number * 100 + uint32_t(j + 1)));
    for (size_t j = 0; j < block.data.size(); ++j) tr["data"].push_back(dataJson(block.data[j], number * 100 + uint32_t(j + 1)));
    out["transponders"].push_back(tr);
  }
  return out;
}

}  // namespace cv7ctl
