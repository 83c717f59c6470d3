// Helpers shared by the database and file tests: records, a temporary directory, file
// bytes, and a reset of the library's process-global stores between tests.
#pragma once
#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "corvane.h"

namespace cvtest {

using Bytes = std::vector<uint8_t>;

inline TrInfo transponder(uint32_t frequency, uint32_t symbolRate = 27500, uint32_t polarity = 1,
                          uint16_t tsid = 0) {
  TrInfo tr{};
  tr.Frequency = frequency;
  tr.SymbolRate = symbolRate;
  tr.Polarity = polarity;
  tr.TransportID = tsid;
  return tr;
}

inline ProgramInfo program(const char* name, uint16_t videoPid = 0x100, uint16_t audioCount = 1) {
  ProgramInfo p{};
  p.VideoPID = videoPid;
  p.AudioPIDCount = audioCount;
  for (uint16_t i = 0; i < 6; ++i) p.AudioPID[i] = static_cast<uint16_t>(0x200 + i);
  p.PcrPID = videoPid;
  p.TTxtPID = 0x300;
  p.pgnumber = 7;
  p.PmtPID = 0x40;
  p.Scrambled = 0;
  p.TVorRadio = videoPid != 0;
  std::strncpy(p.ProgramName, name, sizeof p.ProgramName - 1);
  return p;
}

inline DataInfo dataService(uint16_t dataPid, uint16_t encapsulation = 3) {
  DataInfo d{};
  d.pgnumber = 9;
  d.PmtPID = 0x50;
  d.DataPID = dataPid;
  d.Encapsulation = encapsulation;
  d.SetFlag = 1;
  d.Reserved = 0xA5A5A5A5;
  return d;
}

inline LnbInfo satellite(const char* name, uint32_t localOscillator = 0) {
  LnbInfo lnb{};
  std::strncpy(lnb.SatelliteName, name, sizeof lnb.SatelliteName - 1);
  lnb.LocalOscillator = localOscillator;
  lnb.Tone22k = 1;
  lnb.LnbPower = 0;
  lnb.ToneBurst = 2;
  lnb.DiSEqC = 3;
  return lnb;
}

inline FavoriteInfo favorite(const char* satelliteName, uint32_t chNumber, const char* name = "Fav") {
  FavoriteInfo f{};
  f.Lnb = satellite(satelliteName);
  f.Tr = transponder(11778000);
  f.Tr.TransponderNumber = chNumber / 100;
  f.Program = program(name);
  f.Program.ChNumber = chNumber;
  return f;
}

// Empties the database and the favourite list and closes both files.
inline void resetLibrary() {
  Cvn_ChannelFileClose();
  Cvn_FavoriteFileClose();
  Cvn_FreeTransponderStructure();
  FavoriteInfo first{};
  while (Cvn_GetFirstProgramInFavorite(&first) == 1) Cvn_DeleteFavorite(first);
  Cvn_SetNewLNBInformation(LnbInfo{});
}

class TempDir {
 public:
  TempDir() {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/cv7-db-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) != nullptr) path_ = name.data();
  }
  ~TempDir() {
    if (DIR* dir = opendir(path_.c_str())) {
      while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") {
          std::string full = path_ + "/" + name;
          if (unlink(full.c_str()) != 0) rmdir(full.c_str());
        }
      }
      closedir(dir);
    }
    rmdir(path_.c_str());
  }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline Bytes readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Builds file contents item by item.
class FileBuilder {
 public:
  FileBuilder& magic() { return raw("CV9DAT", 6); }
  FileBuilder& u32(uint32_t value) { return raw(&value, sizeof value); }
  template <typename T>
  FileBuilder& record(const T& value) {
    return raw(&value, sizeof value);
  }
  FileBuilder& raw(const void* data, size_t n) {
    const auto* from = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), from, from + n);
    return *this;
  }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

inline uint32_t u32At(const Bytes& bytes, size_t offset) {
  uint32_t value = 0;
  if (offset + 4 <= bytes.size()) std::memcpy(&value, bytes.data() + offset, 4);
  return value;
}

}  // namespace cvtest
