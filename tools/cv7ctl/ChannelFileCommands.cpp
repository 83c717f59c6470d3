// cv7ctl cvd show FILE, cv7ctl fch show FILE: print a satellite data file or a favourite
// file readably. The file is parsed here, read-only, so showing never stamps it; every item
// is checked against the bytes that are left before it is taken.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "CommandRegistry.h"
#include "SatelliteFileView.h"
#include "corvane.h"

using namespace cv7ctl;

namespace {

std::string text(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

void printLnb(const LnbInfo& lnb) {
  std::printf("Satellite \"%s\"\n", text(lnb.SatelliteName, sizeof lnb.SatelliteName).c_str());
  if (lnb.LocalOscillator == 0)
    std::printf("  LNB: Universal (local oscillator 9750000/10600000 kHz)\n");
  else
    std::printf("  LNB: local oscillator %" PRIu32 " kHz\n", lnb.LocalOscillator);
  std::printf("  22 kHz tone %s, LNB power %s, tone burst %u, DiSEqC %u\n", lnb.Tone22k == 0 ? "on" : "off",
              lnb.LnbPower == 0 ? "on" : "off", lnb.ToneBurst, lnb.DiSEqC);
}

void printTransponder(const TrInfo& tr, uint32_t number) {
  std::printf("Transponder %" PRIu32 ": %" PRIu32 " kHz, symbol rate %" PRIu32 ", polarity %" PRIu32
              ", TSID %u\n",
              number, tr.Frequency, tr.SymbolRate, tr.Polarity, tr.TransportID);
}

void printProgram(const ProgramInfo& p, uint32_t number, const char* indent) {
  std::printf("%s%" PRIu32 " \"%s\" %s, video 0x%04x, audio", indent, number,
              text(p.ProgramName, sizeof p.ProgramName).c_str(), p.TVorRadio ? "TV" : "radio", p.VideoPID);
  size_t audio = p.AudioPIDCount < 6 ? p.AudioPIDCount : 6;
  if (audio == 0) std::printf(" none");
  for (size_t i = 0; i < audio; ++i) std::printf("%s0x%04x", i == 0 ? " " : ",", p.AudioPID[i]);
  std::printf(", PCR 0x%04x, teletext 0x%04x, program %u, PMT 0x%04x%s\n", p.PcrPID, p.TTxtPID, p.pgnumber,
              p.PmtPID, p.Scrambled ? ", scrambled" : "");
}

void printData(const DataInfo& d, uint32_t number) {
  std::printf("    %" PRIu32 " data PID 0x%04x, encapsulation %u, program %u, PMT 0x%04x, %s, reserved %" PRIu32
              "\n",
              number, d.DataPID, d.Encapsulation, d.pgnumber, d.PmtPID, d.SetFlag ? "selected" : "not selected",
              d.Reserved);
}

void printSatelliteData(const std::string& path, const SatelliteData& file) {
  std::printf("Satellite data file %s\n", path.c_str());
  if (file.stamp == 0)
    std::printf("Owner stamp: 0 (not held)\n");
  else
    std::printf("Owner stamp: %" PRIu32 " (held by client mode %" PRIu32 ")\n", file.stamp, file.stamp);
  printLnb(file.lnb);
  std::printf("Transponders: %zu\n", file.blocks.size());
  for (size_t t = 0; t < file.blocks.size(); ++t) {
    const Block& block = file.blocks[t];
    uint32_t number = static_cast<uint32_t>(t + 1);
    printTransponder(block.tr, number);
    std::printf("  Programs: %zu\n", block.programs.size());
    for (size_t j = 0; j < block.programs.size(); ++j)
      printProgram(block.programs[j], number * 100 + static_cast<uint32_t>(j + 1), "    ");
    std::printf("  Data services: %zu\n", block.data.size());
    for (size_t j = 0; j < block.data.size(); ++j) printData(block.data[j], number * 100 + static_cast<uint32_t>(j + 1));
  }
}

bool parseFavorites(const std::vector<unsigned char>& bytes, std::vector<FavoriteInfo>& out, std::string& error) {
  ByteReader reader(bytes);
  if (!checkMagic(reader, error)) return false;
  uint32_t count = 0;
  if (!reader.read(count)) {
    error = truncatedAt("favourite count", reader.position());
    return false;
  }
  for (uint32_t i = 0; i < count; ++i) {
    FavoriteInfo f{};
    if (!reader.read(f)) {
      error = truncatedAt("favourite " + std::to_string(i + 1), reader.position());
      return false;
    }
    out.push_back(f);
  }
  return true;
}

void printFavorites(const std::string& path, const std::vector<FavoriteInfo>& favorites) {
  std::printf("Favourite file %s\nFavourites: %zu\n", path.c_str(), favorites.size());
  for (size_t i = 0; i < favorites.size(); ++i) {
    const FavoriteInfo& f = favorites[i];
    std::printf("%zu. satellite \"%s\", transponder %" PRIu32 ": %" PRIu32 " kHz, symbol rate %" PRIu32
                ", polarity %" PRIu32 ", TSID %u\n",
                i + 1, text(f.Lnb.SatelliteName, sizeof f.Lnb.SatelliteName).c_str(), f.Tr.TransponderNumber,
                f.Tr.Frequency, f.Tr.SymbolRate, f.Tr.Polarity, f.Tr.TransportID);
    printProgram(f.Program, f.Program.ChNumber, "   ");
  }
}

// Loads FILE for "GROUP show FILE"; prints the one-line refusal and returns nullopt on error.
std::optional<std::vector<unsigned char>> loadForShow(const char* group, const cv7ctl::Arguments& args) {
  if (args.size() != 2 || args[0] != "show") {
    std::fprintf(stderr, "usage: cv7ctl %s show FILE\n", group);
    return std::nullopt;
  }
  std::string error;
  auto bytes = loadFile(args[1], error);
  if (!bytes) std::fprintf(stderr, "cv7ctl %s: %s: %s\n", group, args[1].c_str(), error.c_str());
  return bytes;
}

int runCvd(const cv7ctl::Arguments& args) {
  auto bytes = loadForShow("cvd", args);
  if (!bytes) return args.size() == 2 && args[0] == "show" ? 1 : 2;
  SatelliteData file;
  std::string error;
  if (!parseSatelliteData(*bytes, file, error)) {
    std::fprintf(stderr, "cv7ctl cvd: %s: not a satellite data file (%s)\n", args[1].c_str(), error.c_str());
    return 1;
  }
  printSatelliteData(args[1], file);
  return 0;
}

int runFch(const cv7ctl::Arguments& args) {
  auto bytes = loadForShow("fch", args);
  if (!bytes) return args.size() == 2 && args[0] == "show" ? 1 : 2;
  std::vector<FavoriteInfo> favorites;
  std::string error;
  if (!parseFavorites(*bytes, favorites, error)) {
    std::fprintf(stderr, "cv7ctl fch: %s: not a favourite file (%s)\n", args[1].c_str(), error.c_str());
    return 1;
  }
  printFavorites(args[1], favorites);
  return 0;
}

cv7ctl::CommandRegistration cvdRegistration("cvd", "cvd show FILE    print a satellite data file (.cvd)", runCvd);
cv7ctl::CommandRegistration fchRegistration("fch", "fch show FILE    print a favourite file (.fch)", runFch);

}  // namespace
