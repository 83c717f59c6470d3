// Search results into the channel database: the library's database and favourites are real,
// and so is the daemon with the simulated card, whose PID table shows what the handling
// released and set.
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "CoordinationFixture.h"
#include "DaemonHarness.h"
#include "PidTable.h"
#include "FakeSetupSheet.h"
#include "RecordingTvNotifier.h"
#include "SatelliteName.h"
#include "SearchResultProcessor.h"
#include "StringId.h"

namespace cv7::app::test {
namespace {

constexpr uint16_t kBeaconPid = 0x0500;
const std::vector<RecordingTvNotifier::Notice> kLockedOnTheDataTransponder{{1, 101}};

ProgramInfo program(const char* name, uint16_t video, uint16_t audio, uint16_t pmt, uint16_t number) {
  ProgramInfo p{};
  p.VideoPID = video;
  p.AudioPIDCount = 1;
  p.AudioPID[0] = audio;
  p.PcrPID = video ? video : audio;
  p.pgnumber = number;
  p.PmtPID = pmt;
  p.TVorRadio = video ? 1 : 0;
  std::strncpy(p.ProgramName, name, sizeof p.ProgramName - 1);
  return p;
}

class SearchResultProcessorTest : public CoordinationFixture {
 protected:
  // One daemon for the suite (it takes a while to start); each test opens the library anew
  // and starts with an empty PID table.
  static void SetUpTestSuite() { shared = new itest::Daemon; }
  static void TearDownTestSuite() {
    delete shared;
    shared = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(daemon.pid() > 0 || daemon.start()) << daemon.log();
    ::setenv("CV7_DEVICE", daemon.socketPath().c_str(), 1);
    ASSERT_EQ(Cvn_OpenSystem(3, &window, 0, kSearchMessage, 0), 1);
    Cvn_ReleaseAllNetworkPID();
    CoordinationFixture::SetUp();
    sheet.autoScanDialog = sheet.scanDialog = true;
  }
  void TearDown() override {
    Cvn_CloseSystem();
    CoordinationFixture::TearDown();
  }

  // A result of the tuned transponder (HOTBIRD 1) that lists what the database holds: the
  // TV program, the radio program and the data beacon.
  SiList storedResult() const {
    SiList list{};
    list.Lnb = state.g_LnbInfo;
    list.Tr = state.g_TrInfo;
    for (uint32_t n : {101u, 102u}) {
      ProgramInfo& p = list.Program[list.ProgramCount++];
      p.ChNumber = n;
      Cvn_GetInfoProgram(&p);
      p.ChNumber = 0;
    }
    list.Data[list.DataCount++] = DataInfo{0, 1000, 0x0400, kBeaconPid, 3, 0, 0};
    return list;
  }
  static std::vector<std::string> programNames(uint32_t transponder = 1) {
    std::vector<std::string> names;
    for (int i = 1; i <= Cvn_GetNumOfProgram(transponder); ++i) {
      ProgramInfo p{};
      p.ChNumber = transponder * 100 + uint32_t(i);
      Cvn_GetInfoProgram(&p);
      names.emplace_back(p.ProgramName, strnlen(p.ProgramName, sizeof p.ProgramName));
    }
    return names;
  }
  static std::vector<std::string> favorites() {
    std::vector<std::string> list;
    for (int i = 1; i <= Cvn_GetNumOfFavorite(); ++i) {
      FavoriteInfo f{};
      Cvn_GetFavoriteInfo(uint32_t(i), &f);
      list.push_back(std::string(f.Lnb.SatelliteName) + " " + std::to_string(f.Program.ChNumber) + " " +
                     std::string(f.Program.ProgramName, strnlen(f.Program.ProgramName, 32)));
    }
    return list;
  }
  static void addFavorite(const char* satellite, uint32_t channel, const char* name = "") {
    FavoriteInfo f = favoriteOf(satellite, channel);
    f.Tr.TransponderNumber = channel / 100;
    std::strncpy(f.Program.ProgramName, name, 31);
    Cvn_AddFavorite(&f);
  }
  static DataInfo storedData(uint32_t number) {
    DataInfo d{};
    d.DataNumber = number;
    Cvn_GetInfoData(&d);
    return d;
  }
  bool pidInTable(uint16_t pid, int kind = -1) const { return itest::pidInTable(daemon, pid, kind); }
  void handle(const SiList& list) { processor.onSearchResult(&list); }
  bool temporaryCopyWritten() const { return QFile::exists(state.m_strDataDir + "/DataTemp.cvt"); }

  static constexpr uint32_t kSearchMessage = 1035;
  static intptr_t deliver(CvnWindow* self, uint32_t message, uintptr_t, intptr_t lParam);

  struct Window {
    CvnWindow window{&SearchResultProcessorTest::deliver};
    SearchResultProcessorTest* test = nullptr;
  } windowBridge{{&SearchResultProcessorTest::deliver}, this};
  CvnWindow& window = windowBridge.window;
  std::mutex mutex;
  std::condition_variable handled;
  int results = 0;

  static inline itest::Daemon* shared = nullptr;
  itest::Daemon& daemon = *shared;
  FakeSetupSheet sheet;
  RecordingTvNotifier tv;
  SearchResultProcessor processor{state, files, tv, sheet, ui};
};

// The library's search thread hands the result over and waits, as it does to the window.
intptr_t SearchResultProcessorTest::deliver(CvnWindow* self, uint32_t message, uintptr_t, intptr_t lParam) {
  auto* test = reinterpret_cast<Window*>(self)->test;
  if (message != kSearchMessage) return 0;
  std::lock_guard lock(test->mutex);
  test->processor.onSearchResult(reinterpret_cast<const SiList*>(lParam));
  ++test->results;
  test->handled.notify_all();
  return 0;
}

TEST_F(SearchResultProcessorTest, MoreProgramsAreAddedAsFavouritesAndTheTransponderRecordFollowsTheResult) {
  addFavorite("HOTBIRD", 101, "Meridian TV");
  addFavorite("HOTBIRD", 501, "Adriatic News");
  SiList list = storedResult();
  list.Tr.TransportID = 4242;  // a new transport stream id
  list.Program[list.ProgramCount++] = program("Meridian Zwei", 0x0121, 0x0122, 0x0120, 3);
  list.Program[list.ProgramCount++] = program("Radio Beta", 0, 0x0131, 0x0130, 4);
  handle(list);
  EXPECT_EQ(programNames(), (std::vector<std::string>{"Meridian TV", "Radio Alpina", "Meridian Zwei", "Radio Beta"}));
  EXPECT_EQ(favorites(), (std::vector<std::string>{"HOTBIRD 101 Meridian TV", "HOTBIRD 501 Adriatic News",
                                                   "HOTBIRD 103 Meridian Zwei", "HOTBIRD 104 Radio Beta"}));
  TrInfo stored{};
  Cvn_GetInfoTransponder(1, &stored);
  EXPECT_EQ(stored.TransportID, 4242);
  EXPECT_EQ(state.g_TrInfo.TransportID, 4242);
  std::vector<TrInfo> records;
  for (uint32_t i = 1; i <= 4; ++i) {
    FavoriteInfo f{};
    Cvn_GetFavoriteInfo(i, &f);
    records.push_back(f.Tr);
  }
  EXPECT_EQ(records[0].TransportID, 4242) << "the favourites of the transponder follow its record";
  EXPECT_EQ(records[0].Frequency, 10719000u);
  EXPECT_EQ(records[1].TransportID, 0) << "a favourite of another transponder keeps its record";
  EXPECT_EQ(records[2].TransportID, 4242);
  EXPECT_EQ(tv.notices(), kLockedOnTheDataTransponder);
  EXPECT_TRUE(temporaryCopyWritten());
  EXPECT_EQ(sheet.actions, (QStringList{"auto-scan 1036 1", "scan 1125 1"}));
}

TEST_F(SearchResultProcessorTest, FewerProgramsRemoveTheSurplusWithTheirFavouritesAndRenumberLaterOnes) {
  ProgramInfo extra = program("Old One", 0x0301, 0x0302, 0x0300, 7), other = program("Old Two", 0, 0x0311, 0x0310, 8);
  Cvn_AddProgram(1, &extra);
  Cvn_AddProgram(1, &other);
  addFavorite("HOTBIRD", 102, "Radio Alpina");
  addFavorite("HOTBIRD", 104, "Old Two");
  addFavorite("HOTBIRD", 106, "stale");  // behind every stored program: moves down with each deletion
  addFavorite("HOTBIRD", 501, "Adriatic News");
  addFavorite("ASTRA", 102, "elsewhere");
  SiList list = storedResult();
  list.ProgramCount = 1;
  handle(list);
  EXPECT_EQ(programNames(), std::vector<std::string>{"Meridian TV"});
  EXPECT_EQ(favorites(),
            (std::vector<std::string>{"HOTBIRD 103 stale", "HOTBIRD 501 Adriatic News", "ASTRA 102 elsewhere"}));
  EXPECT_EQ(tv.notices(), kLockedOnTheDataTransponder);
}

TEST_F(SearchResultProcessorTest, HandEnteredProgramsEndUpBehindTheFoundOnesWithNewNumbers) {
  // Stored: Meridian TV, My Channel (typed in), Radio Alpina; found: Meridian TV, Radio Alpina.
  ProgramInfo mine = program("My Channel", 0x0701, 0x0702, 0x0700, 70);
  mine.ProgramName[31] = 1;
  Cvn_DeleteProgram(102);
  Cvn_AddProgram(1, &mine);
  ProgramInfo radio = program("Radio Alpina", 0, 0x0111, 0x0110, 2);
  radio.PcrPID = 0x0111;
  Cvn_AddProgram(1, &radio);
  SiList list = storedResult();
  list.Program[1] = radio;
  handle(list);
  EXPECT_EQ(programNames(), (std::vector<std::string>{"Meridian TV", "Radio Alpina", "My Channel"}));
  ProgramInfo moved{};
  moved.ChNumber = 103;
  Cvn_GetInfoProgram(&moved);
  EXPECT_EQ(moved.ProgramName[31], 1) << "still marked as typed in";
  EXPECT_EQ(moved.VideoPID, 0x0701);

  // A second search finds the same: the typed-in program behind them stays as it is.
  handle(list);
  EXPECT_EQ(programNames(), (std::vector<std::string>{"Meridian TV", "Radio Alpina", "My Channel"}));
}

TEST_F(SearchResultProcessorTest, ANameChangeUpdatesTheProgramAndItsFavourite) {
  addFavorite("HOTBIRD", 102, "Radio Alpina");
  addFavorite("ASTRA", 102, "Astra Radio");
  SiList list = storedResult();
  std::strcpy(list.Program[1].ProgramName, "Radio Alpina Due");
  handle(list);
  EXPECT_EQ(programNames(), (std::vector<std::string>{"Meridian TV", "Radio Alpina Due"}));
  EXPECT_EQ(favorites(), (std::vector<std::string>{"HOTBIRD 102 Radio Alpina Due", "ASTRA 102 Astra Radio"}));
}

TEST_F(SearchResultProcessorTest, ASelectedServiceWithANewEncapsulationIsReleasedAndSetAgain) {
  ASSERT_EQ(Cvn_SetNetworkPID(NetPid{kBeaconPid, 3, 1101, 1000, 0x0400}), 1);
  ASSERT_TRUE(pidInTable(kBeaconPid, 3));
  SiList list = storedResult();
  list.Data[0].Encapsulation = 5;
  const long commands = daemon.stat("card-commands");
  handle(list);
  EXPECT_EQ(daemon.stat("card-commands") - commands, 2) << "the card is told to drop the PID and to take it again";
  EXPECT_TRUE(pidInTable(kBeaconPid, 5)) << itest::pidTable(daemon);
  DataInfo d = storedData(101);
  EXPECT_EQ(d.Encapsulation, 5);
  EXPECT_EQ(d.SetFlag, 1u) << "still selected";
  EXPECT_EQ(tv.notices(), kLockedOnTheDataTransponder);

  const long before = daemon.stat("card-commands");
  handle(list);
  EXPECT_EQ(daemon.stat("card-commands"), before) << "nothing to release or set for an unchanged service";
}

TEST_F(SearchResultProcessorTest, AVanishedSelectedServiceLosesItsPidButStaysListed) {
  ASSERT_EQ(Cvn_SetNetworkPID(NetPid{kBeaconPid, 3, 1101, 1000, 0x0400}), 1);
  DataInfo typed{0, 77, 0x0770, 0x0777, 3, 1, 1};  // selected, typed in: never released for vanishing
  Cvn_AddData(1, &typed);
  ASSERT_EQ(Cvn_SetNetworkPID(NetPid{0x0777, 3, 1101, 77, 0x0770}), 1);
  SiList list = storedResult();
  list.DataCount = 0;
  list.Data[list.DataCount++] = DataInfo{0, 1001, 0x0410, 0x0510, 5, 1, 0};
  handle(list);
  EXPECT_FALSE(pidInTable(kBeaconPid));
  EXPECT_TRUE(pidInTable(0x0777));
  EXPECT_EQ(Cvn_GetNumOfData(1), 3) << "the vanished service stays, the new one is added";
  EXPECT_EQ(storedData(101).SetFlag, 1u);
  EXPECT_EQ(storedData(103).DataPID, 0x0510);
  EXPECT_FALSE(pidInTable(0x0510)) << "a new service is not selected";
}

TEST_F(SearchResultProcessorTest, ResultsThatAreNotForTheTunedTransponderChangeNothing) {
  const std::vector<std::string> before = programNames();
  SiList unknown = storedResult();
  unknown.Tr.TransponderNumber = 0;
  unknown.ProgramCount = 0;
  SiList otherTransponder = storedResult();
  otherTransponder.Tr.TransponderNumber = 5;
  otherTransponder.ProgramCount = 0;
  SiList otherSatellite = storedResult();
  std::strcpy(otherSatellite.Lnb.SatelliteName, "ASTRA");
  otherSatellite.ProgramCount = 0;
  SiList discarded = storedResult();
  discarded.ProgramCount = SearchResultProcessor::kDiscarded;
  for (const SiList& list : {unknown, otherTransponder, otherSatellite, discarded}) handle(list);
  // The user selected another satellite in the sheet meanwhile: the result is dropped.
  state.m_strSateName = "ASTRA";
  SiList late = storedResult();
  late.ProgramCount = 0;
  handle(late);
  EXPECT_EQ(programNames(), before);
  EXPECT_EQ(Cvn_GetNumOfData(1), 1);
  EXPECT_TRUE(tv.notices().empty());
  EXPECT_FALSE(temporaryCopyWritten());
  EXPECT_EQ(sheet.actions, (QStringList{"auto-scan 1036 0", "scan 1125 0", "auto-scan 1036 5", "scan 1125 5",
                                        "auto-scan 1036 1", "scan 1125 1", "auto-scan 1036 1", "scan 1125 1",
                                        "auto-scan 1036 1", "scan 1125 1"}));
}

TEST_F(SearchResultProcessorTest, CountsBeyondTheListAreCutToItsEightyEntries) {
  SiList list = storedResult();
  for (uint16_t i = 2; i < 80; ++i) list.Program[i] = program("Filler", 0x1000 + i, 0x1100 + i, 0x1200 + i, i);
  for (uint16_t i = 1; i < 80; ++i) list.Data[i] = DataInfo{0, i, 0x1300, uint16_t(0x1400 + i), 3, 0, 0};
  list.ProgramCount = 5000;
  list.DataCount = 0x7FFFFFFF;
  handle(list);
  EXPECT_EQ(Cvn_GetNumOfProgram(1), 80);
  EXPECT_EQ(Cvn_GetNumOfData(1), 80);
}

TEST_F(SearchResultProcessorTest, WithoutMemoryForTheTypedInProgramsOnlyTheDataServicesAreUpdated) {
  SearchResultProcessor starved{state, files, tv, sheet, ui, [](std::vector<ProgramInfo>&, size_t) { return false; }};
  SiList list = storedResult();
  list.ProgramCount = 0;
  list.Data[0].Encapsulation = 5;
  starved.onSearchResult(&list);
  EXPECT_EQ(ui.texts(), QStringList{strings.text(StringId::NotEnoughMemory)});
  EXPECT_EQ(ui.messages().front().style, MessageStyle::exclamation());
  EXPECT_EQ(programNames().size(), 2u) << "the programs stay as they were";
  EXPECT_EQ(storedData(101).Encapsulation, 5);
}

TEST_F(SearchResultProcessorTest, ARealSearchOfTheTunedTransponderArrivesAndRestoresADeletedProgram) {
  Cvn_DeleteProgram(102);
  ASSERT_EQ(Cvn_TunerLockTest(state.g_LnbInfo, state.g_TrInfo), CVN_OK);
  ASSERT_EQ(Cvn_SearchChannel(1), 1);
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(handled.wait_for(lock, std::chrono::seconds(10), [&] { return results > 0; }));
  }
  EXPECT_EQ(programNames(), (std::vector<std::string>{"Meridian TV", "Radio Alpina"}));
  EXPECT_EQ(favorites(), std::vector<std::string>{"HOTBIRD 102 Radio Alpina"});
  EXPECT_EQ(tv.notices(), kLockedOnTheDataTransponder);
}

}  // namespace
}  // namespace cv7::app::test
