#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "SatelliteFileImage.h"
#include "sky/Sky.h"

namespace cv7::data {
namespace {

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Reads the file back by offsets, independently of the record structs.
class FileCursor {
 public:
  explicit FileCursor(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  uint32_t u32(size_t at) const { return u16(at) | uint32_t(u16(at + 2)) << 16; }
  uint16_t u16(size_t at) const {
    EXPECT_LE(at + 2, bytes_.size());
    return at + 2 <= bytes_.size() ? uint16_t(bytes_[at] | bytes_[at + 1] << 8) : 0;
  }
  uint8_t u8(size_t at) const { return at < bytes_.size() ? bytes_[at] : 0; }
  std::string text(size_t at, size_t max) const {
    std::string s;
    for (size_t i = at; i < at + max && i < bytes_.size() && bytes_[i]; ++i) s += char(bytes_[i]);
    return s;
  }

 private:
  const std::vector<uint8_t>& bytes_;
};

void expectLnbInfo(const FileCursor& c, const sim::Satellite& s) {
  EXPECT_EQ(c.text(10, 30), s.name);
  EXPECT_EQ(c.u32(42), s.defaultFile.localOscillatorKHz);
  EXPECT_EQ(c.u32(46), 1u) << "Tone22k off";
  EXPECT_EQ(c.u32(50), 0u) << "LNB power on";
  EXPECT_EQ(c.u8(54), s.dish.toneBurst);
  EXPECT_EQ(c.u8(55), s.dish.diseqcPort);
}

// Walks one transponder block from `at`; returns the offset after it.
size_t expectBlock(const FileCursor& c, size_t at, const sim::Transponder& t, uint32_t number) {
  EXPECT_EQ(c.u32(at), number);
  EXPECT_EQ(c.u32(at + 4), t.frequencyKHz);
  EXPECT_EQ(c.u32(at + 8), t.symbolRateKsps);
  EXPECT_EQ(c.u32(at + 12), sim::needsHighVoltage(t.polarisation) ? 1u : 0u);
  EXPECT_EQ(c.u16(at + 16), t.stream.transportStreamId);
  size_t p = at + 20;
  const uint32_t programs = c.u32(p);
  p += 4;
  for (uint32_t j = 1; j <= programs; ++j, p += 64) {
    EXPECT_EQ(c.u32(p), number * 100 + j);
    EXPECT_LE(c.u16(p + 6), 6);  // AudioPIDCount
    EXPECT_EQ(c.u16(p + 30), c.u16(p + 4) != 0 ? 1 : 0);  // TVorRadio follows VideoPID
    EXPECT_FALSE(c.text(p + 32, 32).empty());
  }
  const uint32_t data = c.u32(p);
  EXPECT_EQ(data, t.stream.sources.size());
  p += 4;
  for (uint32_t j = 1; j <= data; ++j, p += 20) {
    EXPECT_EQ(c.u32(p), number * 100 + j);
    EXPECT_EQ(c.u16(p + 8), t.stream.sources[j - 1].pid);
  }
  return p;
}

TEST(SatelliteFileImageTest, GeneratedDefaultFilesHaveTheExactLayout) {
  for (const sim::Satellite& s : sim::defaultSky().satellites()) {
    std::vector<uint8_t> bytes = readFile(std::string(CV7_DEFAULT_FILE_DIR) + "/" + s.defaultFile.fileName);
    ASSERT_GE(bytes.size(), 62u) << s.defaultFile.fileName;
    FileCursor c(bytes);
    EXPECT_EQ(std::memcmp(bytes.data(), "CV9DAT", 6), 0);
    EXPECT_EQ(c.u32(6), 0u) << "owner stamp";
    expectLnbInfo(c, s);
    ASSERT_EQ(c.u32(58), s.transponders.size());
    size_t at = 62;
    uint32_t number = 0, lastFrequency = 0;
    for (const sim::Transponder& t : s.transponders) {
      EXPECT_GT(t.frequencyKHz, lastFrequency);
      lastFrequency = t.frequencyKHz;
      at = expectBlock(c, at, t, ++number);
    }
    EXPECT_EQ(at, bytes.size()) << "nothing after the last block";
    EXPECT_EQ(bytes, SatelliteFileImage::bytes(s));
  }
}

TEST(SatelliteFileImageTest, FirstTransponderListsTheSelectedMpeBeacon) {
  for (const sim::Satellite& s : sim::defaultSky().satellites()) {
    std::vector<DataInfo> data = SatelliteFileImage::dataServices(s.transponders.front(), 1);
    ASSERT_FALSE(data.empty()) << s.name;
    EXPECT_EQ(data[0].DataNumber, 101u);
    EXPECT_EQ(data[0].Encapsulation, 3);
    EXPECT_EQ(data[0].SetFlag, 1u);
    EXPECT_NE(data[0].pgnumber, 0);
    EXPECT_NE(data[0].PmtPID, 0);
  }
}

TEST(SatelliteFileImageTest, ProgramsComeFromAudioVisualServicesOnly) {
  const sim::Transponder& t = sim::defaultSky().satelliteNamed("HOTBIRD")->transponders.front();
  std::vector<ProgramInfo> programs = SatelliteFileImage::programs(t, 1);
  ASSERT_EQ(programs.size(), 2u);  // the beacon service is a data service
  EXPECT_EQ(programs[0].ChNumber, 101u);
  EXPECT_EQ(programs[0].TVorRadio, 1);
  EXPECT_EQ(programs[1].TVorRadio, 0);
  EXPECT_EQ(programs[1].VideoPID, 0);
  EXPECT_EQ(programs[1].AudioPIDCount, 1);
  EXPECT_STREQ(programs[0].ProgramName, "Meridian TV");
}

TEST(SatelliteFileImageTest, LongNamesAreCutToTheRecordField) {
  sim::Transponder t;
  sim::ServiceConfig s;
  s.name = std::string(40, 'x');
  s.streams.push_back({sim::kStreamMpeg1Audio, 0x101});
  t.stream.services.push_back(s);
  std::vector<ProgramInfo> programs = SatelliteFileImage::programs(t, 3);
  ASSERT_EQ(programs.size(), 1u);
  EXPECT_EQ(std::strlen(programs[0].ProgramName), 31u);
}

}  // namespace
}  // namespace cv7::data
