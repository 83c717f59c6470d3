#include "SatelliteFileView.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace cv7ctl {

namespace {
constexpr size_t kMaxFileSize = 256u * 1024 * 1024;
}  // namespace

std::optional<std::vector<unsigned char>> loadFile(const std::string& path, std::string& error) {
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored)) {
    error = "is a directory";
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot be opened";
    return std::nullopt;
  }
  std::vector<unsigned char> bytes;
  char chunk[65536];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    if (bytes.size() > kMaxFileSize) {
      error = "too large";
      return std::nullopt;
    }
  }
  if (in.bad()) {
    error = "cannot be read";
    return std::nullopt;
  }
  return bytes;
}

bool checkMagic(ByteReader& reader, std::string& error) {
  char magic[6];
  if (!reader.read(magic) || std::memcmp(magic, "CV9DAT", 6) != 0) {
    error = "wrong magic";
    return false;
  }
  return true;
}

std::string truncatedAt(const std::string& item, size_t offset) {
  return "truncated: " + item + " at offset " + std::to_string(offset) + " does not fit";
}

bool parseBlock(ByteReader& reader, Block& block, size_t index, std::string& error) {
  std::string where = "transponder block " + std::to_string(index);
  uint32_t count = 0;
  if (!reader.read(block.tr) || !reader.read(count)) return error = truncatedAt(where, reader.position()), false;
  for (uint32_t i = 0; i < count; ++i) {
    ProgramInfo p{};
    if (!reader.read(p)) return error = truncatedAt(where + " program " + std::to_string(i + 1), reader.position()), false;
    block.programs.push_back(p);
  }
  if (!reader.read(count)) return error = truncatedAt(where + " data count", reader.position()), false;
  for (uint32_t i = 0; i < count; ++i) {
    DataInfo d{};
    if (!reader.read(d)) return error = truncatedAt(where + " data service " + std::to_string(i + 1), reader.position()), false;
    block.data.push_back(d);
  }
  return true;
}

bool parseSatelliteData(const std::vector<unsigned char>& bytes, SatelliteData& out, std::string& error) {
  ByteReader reader(bytes);
  if (!checkMagic(reader, error)) return false;
  uint32_t count = 0;
  if (!reader.read(out.stamp) || !reader.read(out.lnb) || !reader.read(count)) {
    error = truncatedAt("header", reader.position());
    return false;
  }
  for (uint32_t i = 0; i < count; ++i) {
    Block block;
    if (!parseBlock(reader, block, i + 1, error)) return false;
    out.blocks.push_back(std::move(block));
  }
  return true;
}


bool readSatelliteFile(const std::string& path, SatelliteData& out, std::string& error) {
  auto bytes = loadFile(path, error);
  if (!bytes || !parseSatelliteData(*bytes, out, error)) return false;
  std::stable_sort(out.blocks.begin(), out.blocks.end(),
                   [](const Block& a, const Block& b) { return a.tr.Frequency < b.tr.Frequency; });
  return true;
}

}  // namespace cv7ctl
