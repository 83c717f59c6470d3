// A read-only view of a satellite data file or a favourite file for cv7ctl: parsed here,
// so showing or using a file never stamps it; every item is checked against the bytes
// that are left before it is taken.
#pragma once
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "corvane.h"

namespace cv7ctl {

class ByteReader {
 public:
  explicit ByteReader(const std::vector<unsigned char>& bytes) : bytes_(bytes) {}
  template <typename T>
  bool read(T& out) {
    if (bytes_.size() - position_ < sizeof out) return false;
    std::memcpy(&out, bytes_.data() + position_, sizeof out);
    position_ += sizeof out;
    return true;
  }
  size_t position() const { return position_; }

 private:
  const std::vector<unsigned char>& bytes_;
  size_t position_ = 0;
};

struct Block {
  TrInfo tr{};
  std::vector<ProgramInfo> programs;
  std::vector<DataInfo> data;
};

struct SatelliteData {
  uint32_t stamp = 0;
  LnbInfo lnb{};
  std::vector<Block> blocks;
};

std::optional<std::vector<unsigned char>> loadFile(const std::string& path, std::string& error);
bool checkMagic(ByteReader& reader, std::string& error);
std::string truncatedAt(const std::string& item, size_t offset);
bool parseSatelliteData(const std::vector<unsigned char>& bytes, SatelliteData& out, std::string& error);
// Loads and parses a satellite data file; the blocks in the library's numbering order
// (by frequency, equal frequencies in file order).
bool readSatelliteFile(const std::string& path, SatelliteData& out, std::string& error);

}  // namespace cv7ctl
