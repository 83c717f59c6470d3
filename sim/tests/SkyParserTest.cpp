#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "sky/SkyParser.h"

namespace cv7::sim {
namespace {

// A one-satellite sky with one transponder; `extra` goes into the transponder object.
std::string skyWith(const std::string& extra = "", const std::string& dish = R"({"diseqcPort": 1, "lnb": {"type": "universal"}})") {
  return R"({"satellites": [{"name": "TEST", "dish": )" + dish +
         R"(, "transponders": [{"frequencyKHz": 11778000, "polarisation": "V", "symbolRateKsps": 27500,
             "transportStreamId": 7)" + extra + "}]}]}";
}

std::string errorOf(const std::string& text) {
  try {
    parseSky(text, "test.json");
  } catch (const SkyError& e) {
    return e.what();
  }
  return "";
}

TEST(SkyParserTest, ParsesASatelliteWithDefaultsFilledIn) {
  Sky sky = parseSky(skyWith(), "test.json");
  ASSERT_EQ(sky.satellites().size(), 1u);
  const Satellite& s = sky.satellites()[0];
  EXPECT_EQ(s.name, "TEST");
  EXPECT_EQ(s.dish.diseqcPort, 1);
  EXPECT_EQ(s.dish.toneBurst, 0);
  EXPECT_EQ(s.dish.lnb.kind(), Lnb::Kind::Universal);
  ASSERT_EQ(s.transponders.size(), 1u);
  const Transponder& t = s.transponders[0];
  EXPECT_EQ(t.frequencyKHz, 11'778'000u);
  EXPECT_EQ(t.polarisation, Polarisation::Vertical);
  EXPECT_EQ(t.stream.transportStreamId, 7);
  EXPECT_EQ(t.stream.muxRateBitsPerSecond, usefulBitRate(27'500, CodeRate::R3_4));
  EXPECT_EQ(sky.satelliteBehind(1, 0), &s);
  EXPECT_EQ(sky.satelliteBehind(2, 0), nullptr);
  EXPECT_EQ(sky.satelliteBehind(1, 1), nullptr);
}

TEST(SkyParserTest, ReadsServicesSourcesAndHexPids) {
  Sky sky = parseSky(skyWith(R"(, "link": {"levelDbuV": 50, "cnDb": 5.5},
      "services": [{"programNumber": 9, "pmtPid": "0x0400", "name": "Beacon",
                    "streams": [{"type": "dsmcc-d", "pid": "0x0500"}, {"type": 6, "pid": 1281}]}],
      "sources": [{"kind": "generator", "pid": "0x0500", "destination": "239.255.7.1:5000",
                   "datagramsPerSecond": 1, "selected": true},
                  {"kind": "uplink", "pid": 1281, "encapsulation": "stuffed-pes", "uplinkPort": 6000}])"),
                     "test.json");
  const Transponder& t = sky.satellites()[0].transponders[0];
  EXPECT_DOUBLE_EQ(t.link.levelPercent, 20.0);
  EXPECT_DOUBLE_EQ(t.link.cnDb, 5.5);
  ASSERT_EQ(t.stream.services.size(), 1u);
  EXPECT_EQ(t.stream.services[0].pmtPid, 0x400);
  EXPECT_EQ(t.stream.services[0].streams[0].streamType, kStreamDsmccTypeD);
  EXPECT_EQ(t.stream.services[0].streams[1].pid, 1281);
  ASSERT_EQ(t.stream.sources.size(), 2u);
  EXPECT_EQ(t.stream.sources[0].destinationAddress, 0xEFFF0701u);
  EXPECT_EQ(t.stream.sources[0].destinationPort, 5000);
  EXPECT_EQ(t.stream.sources[1].kind, DataSourceConfig::Kind::Uplink);
  EXPECT_EQ(t.stream.sources[1].encapsulation, Encapsulation::StuffedPes);
  EXPECT_EQ(t.selectedDataPids, std::vector<uint16_t>{0x500});
}

TEST(SkyParserTest, RefusesUnknownKeysWithTheirPath) {
  EXPECT_EQ(errorOf(skyWith(R"(, "polarization": "H")")),
            "test.json: satellites[0].transponders[0].polarization: unknown key");
}

TEST(SkyParserTest, RefusesValuesOutOfRangeWithTheirPath) {
  std::string text = skyWith();
  text.replace(text.find("27500"), 5, "27500000");  // symbol/s instead of ksymbol/s
  EXPECT_EQ(errorOf(text), "test.json: satellites[0].transponders[0].symbolRateKsps: 27500000 is outside 1000..45000");
  EXPECT_NE(errorOf(skyWith("", R"({"diseqcPort": 5, "lnb": {"type": "universal"}})")).find("dish.diseqcPort: 5 is outside 0..4"),
            std::string::npos);
  EXPECT_NE(errorOf(skyWith(R"(, "link": {"levelPercent": 120})")).find("link.levelPercent: 120 is outside"),
            std::string::npos);
}

TEST(SkyParserTest, RefusesWrongTypesMissingKeysAndBadWords) {
  EXPECT_NE(errorOf(skyWith(R"(, "fec": "4/5")")).find("fec: expected one of"), std::string::npos);
  EXPECT_NE(errorOf(R"({"satellites": [{"name": "X", "transponders": []}]})").find("satellites[0]: missing key \"dish\""),
            std::string::npos);
  EXPECT_NE(errorOf(R"({"satellites": {}})").find("satellites: expected an array"), std::string::npos);
  EXPECT_NE(errorOf(skyWith(R"(, "transportStreamId": -1)")).find("expected a non-negative integer"), std::string::npos);
  EXPECT_NE(errorOf(skyWith("", R"({"lnb": {"type": "universal", "localOscillatorKHz": 9750000}})"))
                .find("only a fixed LNB takes a local oscillator"),
            std::string::npos);
  EXPECT_NE(errorOf(skyWith(R"(, "sources": [{"kind": "generator", "pid": 600, "destination": "239.1.2:5000"}])"))
                .find("sources[0].destination: expected \"a.b.c.d:port\""),
            std::string::npos);
}

TEST(SkyParserTest, ReportsSyntaxErrorsWithLineAndColumn) {
  std::string error = errorOf("{\n  \"satellites\": [\n    }\n");
  EXPECT_EQ(error.rfind("test.json:3:5: syntax error", 0), 0u) << error;
}

TEST(SkyParserTest, RefusesCollisionsBetweenDishesTranspondersAndPids) {
  std::string two = R"({"satellites": [
      {"name": "A", "dish": {"diseqcPort": 1, "lnb": {"type": "universal"}}, "transponders": []},
      {"name": "B", "dish": {"diseqcPort": 1, "lnb": {"type": "c-band"}}, "transponders": []}]})";
  EXPECT_NE(errorOf(two).find("satellites[1].dish: same DiSEqC port and tone burst"), std::string::npos);
  std::string twice = R"({"satellites": [{"name": "A", "dish": {"lnb": {"type": "universal"}}, "transponders": [
      {"frequencyKHz": 11000000, "polarisation": "H", "symbolRateKsps": 27500, "transportStreamId": 1},
      {"frequencyKHz": 11000000, "polarisation": "R", "symbolRateKsps": 22000, "transportStreamId": 2}]}]})";
  EXPECT_NE(errorOf(twice).find("two transponders at 11000000 kHz"), std::string::npos);
  EXPECT_NE(errorOf(skyWith(R"(, "services": [{"programNumber": 1, "pmtPid": 256, "streams": [{"type": 2, "pid": 256}]}])"))
                .find("PID 256 is used by both"),
            std::string::npos);
}

// 27500 ksymbol/s at 3/4 carry about 38 Mbit/s; the generators together must fit.
TEST(SkyParserTest, RefusesGeneratorsThatTogetherExceedTheTransponder) {
  auto source = [](int pid, int rate, const char* encapsulation) {
    return R"({"kind": "generator", "pid": )" + std::to_string(pid) + R"(, "datagramsPerSecond": )" +
           std::to_string(rate) + R"(, "payloadSize": 1000, "encapsulation": ")" + encapsulation + R"("})";
  };
  // Each of these alone fits (about 17 Mbit/s); three of them do not.
  std::string one = source(0x500, 2000, "mpe");
  EXPECT_NO_THROW(parseSky(skyWith(R"(, "sources": [)" + one + "]"), "test.json"));
  std::string three = one + ", " + source(0x501, 2000, "mpe-llc-snap") + ", " + source(0x502, 2000, "stuffed-pes");
  std::string error = errorOf(skyWith(R"(, "sources": [)" + three + "]"));
  EXPECT_EQ(error.rfind("test.json: satellites[0].transponders[0].sources: the generators need", 0), 0u) << error;
  EXPECT_NE(error.find("38.0 Mbit/s"), std::string::npos) << error;
  // A faster code rate carries them.
  std::string faster = skyWith(R"(, "fec": "7/8", "sources": [)" + three + "]");
  faster.replace(faster.find("27500"), 5, "45000");
  EXPECT_NO_THROW(parseSky(faster, "test.json"));
}

TEST(SkyParserTest, KeepsTranspondersInFrequencyOrder) {
  Sky sky = parseSky(R"({"satellites": [{"name": "A", "dish": {"lnb": {"type": "c-band"}}, "transponders": [
      {"frequencyKHz": 4000000, "polarisation": "H", "symbolRateKsps": 27500, "transportStreamId": 1},
      {"frequencyKHz": 3660000, "polarisation": "V", "symbolRateKsps": 27500, "transportStreamId": 2}]}]})",
                     "t");
  EXPECT_EQ(sky.satellites()[0].transponders[0].frequencyKHz, 3'660'000u);
  EXPECT_EQ(sky.satellites()[0].dish.lnb.fixedOscillatorKHz(), Lnb::kCBandKHz);
}

TEST(SkyParserTest, DefaultFileSettingsFollowTheDishUnlessGiven) {
  Sky sky = parseSky(skyWith(R"(, "originalNetworkId": 5)",
                             R"({"diseqcPort": 3, "toneBurst": 2, "lnb": {"type": "fixed", "localOscillatorKHz": 10750000}})")
                         .insert(std::string(R"({"satellites": [{"name": "TEST", )").size(),
                                 R"("defaultFile": {"file": "Test.cvd", "lnbPower": 1}, )"),
                     "t");
  const DefaultFileSettings& f = sky.satellites()[0].defaultFile;
  EXPECT_EQ(f.fileName, "Test.cvd");
  EXPECT_EQ(f.localOscillatorKHz, 10'750'000u);
  EXPECT_EQ(f.tone22k, 1u);
  EXPECT_EQ(f.lnbPower, 1u);
  EXPECT_EQ(f.diseqc, 3);
  EXPECT_EQ(f.toneBurst, 2);
  EXPECT_EQ(sky.satellites()[0].transponders[0].stream.originalNetworkId, 5);
}

TEST(SkyParserTest, LoadsFilesAndResolvesRecordedStreamsBesideThem) {
  auto dir = std::filesystem::temp_directory_path() / ("cv7sky-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "sky.json") << skyWith(R"(, "sources": [{"kind": "ts-file", "pid": 700, "file": "rec.ts"}])");
  std::string packets(2 * 188, '\xFF');
  packets[0] = packets[188] = 0x47;
  std::ofstream(dir / "rec.ts", std::ios::binary) << packets;
  Sky sky = loadSky((dir / "sky.json").string());
  EXPECT_EQ(sky.satellites()[0].transponders[0].stream.sources[0].tsFile, (dir / "rec.ts").string());
  std::filesystem::remove_all(dir);
  try {
    loadSky((dir / "missing.json").string());
    FAIL() << "a missing file loaded";
  } catch (const SkyError& e) {
    EXPECT_NE(std::string(e.what()).find("missing.json: cannot be opened"), std::string::npos);
  }
}

// A sky file whose recording is missing or is no transport stream is refused, naming the
// recording once and the JSON path of its "file".
TEST(SkyParserTest, RefusesRecordingsThatCannotBePlayed) {
  auto dir = std::filesystem::temp_directory_path() / ("cv7sky-bad-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "sky.json") << skyWith(R"(, "sources": [{"kind": "ts-file", "pid": 700, "file": "rec.ts"}])");
  auto refusal = [&] {
    try {
      loadSky((dir / "sky.json").string());
    } catch (const SkyError& e) {
      return std::string(e.what());
    }
    return std::string("accepted");
  };
  std::string recording = (dir / "rec.ts").string();
  std::string missing = refusal();
  EXPECT_NE(missing.find("sources[0].file: " + recording + ": cannot be opened"), std::string::npos) << missing;
  EXPECT_EQ(missing.find(recording), missing.rfind(recording)) << missing;
  std::ofstream(dir / "rec.ts", std::ios::binary) << "not a transport stream";
  EXPECT_NE(refusal().find(recording + ": holds no transport stream"), std::string::npos) << refusal();
  std::ofstream(dir / "rec.ts", std::ios::binary | std::ios::trunc).close();
  EXPECT_NE(refusal().find("holds no transport stream (the file is empty)"), std::string::npos) << refusal();
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace cv7::sim
