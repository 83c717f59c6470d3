// Satellite data files made, changed and converted by cv7ctl, read back with the library.
#include <gtest/gtest.h>

#include <cstring>

#include "CtlRun.h"
#include "corvane.h"

namespace cv7ctl::test {
namespace {

const std::string kScanTables = "/usr/share/dvb/dvb-s/";

// Reads a file into the library's database; false when the library refuses it.
bool readBack(const std::string& path) {
  if (Cvn_ChannelFileOpen(path.c_str()) != FILE_OPEN_OK) return false;
  bool read = Cvn_ChannelFileRead() == 1;
  Cvn_ChannelFileClose();
  return read;
}

TrInfo transponder(uint32_t n) {
  TrInfo tr{};
  Cvn_GetInfoTransponder(n, &tr);
  return tr;
}

DataInfo data(uint32_t number) {
  DataInfo d{};
  d.DataNumber = number;
  Cvn_GetInfoData(&d);
  return d;
}

TEST(SatelliteFileTest, NewTranspondersAndDataReadBackThroughTheLibrary) {
  CtlRun ctl;
  std::string file = ctl.path("dish.cvd");
  ASSERT_EQ(ctl({"cvd", "new", file, "--name", "KOREA SAT", "--lnb", "10750", "--diseqc", "D", "--tone", "on",
                 "--tone-burst", "B", "--power", "on"}).status, 0);
  ASSERT_EQ(ctl({"cvd", "add-transponder", file, "--freq", "12430", "--sr", "27489", "--pol", "h", "--tsid", "7"}).status, 0);
  ASSERT_EQ(ctl({"cvd", "add-transponder", file, "--freq", "12250000", "--sr", "27489000", "--pol", "vertical"}).status, 0);
  ASSERT_EQ(ctl({"cvd", "add-data", file, "2", "--pid", "0x600", "--program", "12", "--pmt", "0x40", "--select"}).status, 0);
  ASSERT_EQ(ctl({"cvd", "add-data", file, "1", "--pid", "1552", "--encapsulation", "stream"}).status, 0);
  ASSERT_EQ(ctl({"cvd", "select-data", file, "101"}).status, 0);

  ASSERT_TRUE(readBack(file));
  LnbInfo lnb{};
  Cvn_GetSatelliteInformation(&lnb);
  EXPECT_STREQ(lnb.SatelliteName, "KOREA SAT");
  EXPECT_EQ(lnb.LocalOscillator, 10'750'000u);
  EXPECT_EQ(lnb.Tone22k, 0u);
  EXPECT_EQ(lnb.LnbPower, 0u);
  EXPECT_EQ(lnb.ToneBurst, 2);
  EXPECT_EQ(lnb.DiSEqC, 4);
  ASSERT_EQ(Cvn_GetNumOfTransponder(), 2);
  EXPECT_EQ(transponder(1).Frequency, 12'250'000u);  // frequency order
  EXPECT_EQ(transponder(1).SymbolRate, 27'489u);
  EXPECT_EQ(transponder(1).Polarity, 0u);
  EXPECT_EQ(transponder(2).Polarity, 1u);
  EXPECT_EQ(transponder(2).TransportID, 7);
  DataInfo first = data(101), second = data(201);
  EXPECT_EQ(first.DataPID, 1552);
  EXPECT_EQ(first.Encapsulation, 5);
  EXPECT_EQ(first.SetFlag, 1u);
  EXPECT_EQ(second.DataPID, 0x600);
  EXPECT_EQ(second.Encapsulation, 3);
  EXPECT_EQ(second.pgnumber, 12);
  EXPECT_EQ(second.PmtPID, 0x40);
  EXPECT_EQ(second.SetFlag, 1u);

  ASSERT_EQ(ctl({"cvd", "select-data", file, "201", "--off"}).status, 0);
  ASSERT_EQ(ctl({"cvd", "remove-transponder", file, "1"}).status, 0);
  ASSERT_TRUE(readBack(file));
  ASSERT_EQ(Cvn_GetNumOfTransponder(), 1);
  EXPECT_EQ(data(101).DataPID, 0x600);
  EXPECT_EQ(data(101).SetFlag, 0u);
}

TEST(SatelliteFileTest, RefusalsSayWhatIsWrongAndChangeNothing) {
  CtlRun ctl;
  std::string file = ctl.path("s.cvd");
  EXPECT_EQ(ctl({"cvd", "new", file, "--lnb", "universal", "--tone", "on"}).status, 2);
  ASSERT_EQ(ctl({"cvd", "new", file, "--lnb", "universal"}).status, 0);
  std::string before = CtlRun::read(file);
  CtlResult again = ctl({"cvd", "new", file, "--lnb", "c-band"});
  EXPECT_EQ(again.status, 5);
  EXPECT_NE(again.err.find("exists already"), std::string::npos) << again.err;
  ASSERT_EQ(ctl({"cvd", "add-transponder", file, "--freq", "11778", "--sr", "27500", "--pol", "v"}).status, 0);
  CtlResult twice = ctl({"cvd", "add-transponder", file, "--freq", "11778", "--sr", "27500", "--pol", "v"});
  EXPECT_EQ(twice.status, 2);
  EXPECT_NE(twice.err.find("already in the file"), std::string::npos) << twice.err;
  EXPECT_EQ(ctl({"cvd", "select-data", file, "101"}).status, 2);
  EXPECT_EQ(ctl({"cvd", "add-data", file, "2", "--pid", "0x500"}).status, 2);
  EXPECT_EQ(ctl({"cvd", "show", ctl.path("missing.cvd")}).status, 5);
  std::ofstream(ctl.path("junk.cvd")) << "not a satellite file";
  EXPECT_EQ(ctl({"cvd", "add-transponder", ctl.path("junk.cvd"), "--freq", "11778", "--sr", "27500", "--pol", "v"}).status, 5);
  EXPECT_EQ(CtlRun::read(ctl.path("junk.cvd")), "not a satellite file");
  EXPECT_NE(before, CtlRun::read(file));
}

TEST(SatelliteFileTest, ShowExplainsTheBandOfAUniversalLnbPerTransponder) {
  CtlRun ctl;
  std::string file = ctl.path("u.cvd");
  ASSERT_EQ(ctl({"cvd", "new", file, "--lnb", "universal"}).status, 0);
  ASSERT_EQ(ctl({"cvd", "add-transponder", file, "--freq", "11778", "--sr", "27500", "--pol", "v"}).status, 0);
  ASSERT_EQ(ctl({"cvd", "add-transponder", file, "--freq", "10714", "--sr", "22000", "--pol", "h"}).status, 0);
  CtlResult shown = ctl({"cvd", "show", file});
  EXPECT_NE(shown.out.find("22 kHz tone: chosen per transponder"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("10714000 kHz, symbol rate 22000, polarity horizontal, TSID 0, low band (22 kHz off)"),
            std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("11778000 kHz, symbol rate 27500, polarity vertical, TSID 0, high band (22 kHz on)"),
            std::string::npos) << shown.out;
  EXPECT_EQ(shown.out.find("22 kHz tone off"), std::string::npos) << shown.out;
  CtlResult json = ctl({"cvd", "show", file, "--json"});
  EXPECT_NE(json.out.find(R"("tone22k":"per transponder")"), std::string::npos) << json.out;
  EXPECT_NE(json.out.find(R"("band":"high")"), std::string::npos) << json.out;
}

size_t dvbsEntries(const std::string& table) {
  std::istringstream in(CtlRun::read(table));
  std::string line;
  size_t count = 0;
  while (std::getline(in, line)) count += line.find("DELIVERY_SYSTEM = DVBS") != std::string::npos &&
                                          line.find("DVBS2") == std::string::npos;
  return count;
}

// A dtv-scan-tables scan table imports to a file that exports to a DVBv5 channel file and a
// scan table, each importing back to the same bytes.
TEST(SatelliteFileTest, ScanTableImportsAndExportsRoundTrip) {
  CtlRun ctl;
  std::string table = kScanTables + "Hotbird-13.0E";
  ASSERT_TRUE(std::filesystem::exists(table)) << "the dtv-scan-tables package (make deps) provides " << table;
  std::string imported = ctl.path("hotbird.cvd");
  CtlResult import = ctl({"cvd", "import", table, imported});
  ASSERT_EQ(import.status, 0) << import.err;
  EXPECT_NE(import.err.find("entries of other delivery systems than DVB-S"), std::string::npos) << import.err;
  ASSERT_TRUE(readBack(imported));
  EXPECT_EQ(size_t(Cvn_GetNumOfTransponder()), dvbsEntries(table));
  TrInfo first = transponder(1);
  EXPECT_EQ(first.Frequency, 10'719'000u);
  EXPECT_EQ(first.SymbolRate, 27'500u);
  EXPECT_EQ(first.Polarity, 0u);
  LnbInfo lnb{};
  Cvn_GetSatelliteInformation(&lnb);
  EXPECT_STREQ(lnb.SatelliteName, "Hotbird-13.0E");
  EXPECT_EQ(lnb.LocalOscillator, 0u);

  for (const char* format : {"channels", "scan-table"}) {
    std::string exported = ctl.path(std::string(format) + ".conf"), again = ctl.path(std::string(format) + ".cvd");
    ASSERT_EQ(ctl({"cvd", "export", imported, exported, "--format", format}).status, 0);
    ASSERT_EQ(ctl({"cvd", "import", exported, again}).status, 0);
    EXPECT_EQ(CtlRun::read(again), CtlRun::read(imported)) << format;
  }
  EXPECT_NE(CtlRun::read(ctl.path("channels.conf")).find("\tLNB = UNIVERSAL\n"), std::string::npos);
}

// Programs and data services (with their PMT, PCR and selection) survive a DVBv5 channel file.
TEST(SatelliteFileTest, ChannelFileKeepsProgramsAndDataServices) {
  CtlRun ctl;
  std::string original = std::string(CV7_DEFAULT_FILE_DIR) + "/Astra.cvd", again = ctl.path("astra.cvd");
  std::string channels = ctl.path("astra.conf");
  ASSERT_EQ(ctl({"cvd", "export", original, channels}).status, 0);
  std::string text = CtlRun::read(channels);
  EXPECT_NE(text.find("\tVIDEO_PID = "), std::string::npos) << text;
  EXPECT_NE(text.find("\tPID_0d = 1280\n"), std::string::npos) << text;
  ASSERT_EQ(ctl({"cvd", "import", channels, again}).status, 0);
  EXPECT_EQ(CtlRun::read(again), CtlRun::read(original));
}

TEST(SatelliteFileTest, ImportTakesDvbSOnlyAndAsksForABandWhenTheTableMixesThem) {
  CtlRun ctl;
  std::ofstream(ctl.path("mixed.conf")) << "# C and Ku\n[CHANNEL]\n\tFREQUENCY = 3700000\n\tPOLARIZATION = LEFT\n"
                                           "\tSYMBOL_RATE = 27500000\n[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n"
                                           "\tFREQUENCY = 11778000\n\tPOLARIZATION = RIGHT\n\tSYMBOL_RATE = 27500000\n"
                                           "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS2\n\tFREQUENCY = 11800000\n"
                                           "\tPOLARIZATION = HORIZONTAL\n\tSYMBOL_RATE = 27500000\n";
  CtlResult mixed = ctl({"cvd", "import", ctl.path("mixed.conf"), ctl.path("m.cvd")});
  EXPECT_EQ(mixed.status, 2);
  EXPECT_NE(mixed.err.find("C-band and Ku-band"), std::string::npos) << mixed.err;
  EXPECT_FALSE(std::filesystem::exists(ctl.path("m.cvd")));
  CtlResult ku = ctl({"cvd", "import", ctl.path("mixed.conf"), ctl.path("k.cvd"), "--from", "10700"});
  ASSERT_EQ(ku.status, 0) << ku.err;
  EXPECT_NE(ku.err.find("1 entries of other delivery systems"), std::string::npos) << ku.err;
  ASSERT_TRUE(readBack(ctl.path("k.cvd")));
  ASSERT_EQ(Cvn_GetNumOfTransponder(), 1);
  EXPECT_EQ(transponder(1).Polarity, 0u);  // right-hand circular is sent as 13 V
  CtlResult c = ctl({"cvd", "import", ctl.path("mixed.conf"), ctl.path("c.cvd"), "--to", "4200"});
  ASSERT_EQ(c.status, 0) << c.err;
  ASSERT_TRUE(readBack(ctl.path("c.cvd")));
  LnbInfo lnb{};
  Cvn_GetSatelliteInformation(&lnb);
  EXPECT_EQ(lnb.LocalOscillator, 5'150'000u);
  EXPECT_EQ(transponder(1).Polarity, 1u);  // left-hand circular: 18 V
  std::ofstream(ctl.path("bad.conf")) << "[CHANNEL]\n\tFREQUENCY = twelve\n";
  CtlResult bad = ctl({"cvd", "import", ctl.path("bad.conf"), ctl.path("b.cvd")});
  EXPECT_EQ(bad.status, 5);
  EXPECT_NE(bad.err.find("line 1: FREQUENCY 'twelve' is not a number"), std::string::npos) << bad.err;
}

}  // namespace
}  // namespace cv7ctl::test
