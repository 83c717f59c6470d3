// cv7ctl fch show FILE: print a favourite file readably. The file is parsed here,
// read-only, so showing never stamps it; every item is checked against the bytes that are
// left before it is taken.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "Command.h"
#include "Failure.h"
#include "SatelliteFileView.h"

namespace cv7ctl {
namespace {

std::string text(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

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

int showFavorites(const std::string& path) {
  std::string error;
  auto bytes = loadFile(path, error);
  if (!bytes) throw Failure::file(path, error);
  std::vector<FavoriteInfo> favorites;
  if (!parseFavorites(*bytes, favorites, error)) throw Failure::file(path, "not a favourite file (" + error + ")");
  std::printf("Favourite file %s\nFavourites: %zu\n", path.c_str(), favorites.size());
  for (size_t i = 0; i < favorites.size(); ++i) {
    const FavoriteInfo& f = favorites[i];
    const ProgramInfo& p = f.Program;
    std::printf("%zu. satellite \"%s\", transponder %" PRIu32 ": %" PRIu32 " kHz, symbol rate %" PRIu32
                ", polarity %" PRIu32 ", TSID %u\n",
                i + 1, text(f.Lnb.SatelliteName, sizeof f.Lnb.SatelliteName).c_str(), f.Tr.TransponderNumber,
                f.Tr.Frequency, f.Tr.SymbolRate, f.Tr.Polarity, f.Tr.TransportID);
    std::printf("   %" PRIu32 " \"%s\" %s, video 0x%04x, program %u, PMT 0x%04x\n", p.ChNumber,
                text(p.ProgramName, sizeof p.ProgramName).c_str(), p.TVorRadio ? "TV" : "radio", p.VideoPID,
                p.pgnumber, p.PmtPID);
  }
  return kExitOk;
}

CommandRegistration fch{"fch", "Favourite files (.fch): show", kGroupFiles, [](CLI::App& command) {
                          command.require_subcommand(1);
                          auto path = std::make_shared<std::string>();
                          CLI::App* show = command.add_subcommand("show", "Print a favourite file");
                          show->add_option("FILE", *path, "Favourite file (.fch)")->required();
                          setRun(*show, [path] { return showFavorites(*path); });
                        }};

}  // namespace
}  // namespace cv7ctl
