// Channel search and the raw data path through the library against the daemon's card on
// the default sky: the SiList lists what the transport stream carries, found by parsing it;
// PID data reaches registered callbacks unchanged and in order.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "SystemFixture.h"

namespace cv7::itest {
namespace {

// A window that keeps a copy of every SiList it is sent (the list lives only while its
// message is handled).
class SearchWindow {
 public:
  SearchWindow() { window_.send = &SearchWindow::deliver; }
  CvnWindow* window() { return &window_; }
  std::vector<SiList> lists() {
    std::lock_guard guard(lock());
    return lists_();
  }

 private:
  static std::mutex& lock() {
    static std::mutex m;
    return m;
  }
  static std::vector<SiList>& lists_() {
    static std::vector<SiList> l;
    return l;
  }
  static intptr_t deliver(CvnWindow*, uint32_t message, uintptr_t, intptr_t lParam) {
    if (message == kSearchMessage && lParam) {
      std::lock_guard guard(lock());
      lists_().push_back(*reinterpret_cast<const SiList*>(lParam));
    }
    return 0;
  }
  CvnWindow window_{};

 public:
  static void clear() {
    std::lock_guard guard(lock());
    lists_().clear();
  }
};

class SearchAndDataPathTest : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    SearchWindow::clear();
    ASSERT_EQ(Cvn_OpenSystem(1, search.window(), 0, kSearchMessage, 0), 1);
    std::string copy = daemon.dir() + "/Astra.cvd";
    std::filesystem::copy_file(binDir() + "/DefaultFile/Astra.cvd", copy);
    ASSERT_EQ(Cvn_ChannelFileOpen(copy.c_str()), FILE_OPEN_OK);
    ASSERT_EQ(Cvn_ChannelFileRead(), 1);
    Cvn_ChannelFileClose();
    Cvn_GetSatelliteInformation(&lnb);
    Cvn_GetInfoTransponder(1, &tr);
  }
  void TearDown() override {
    Cvn_TermDataPath();
    SystemTest::TearDown();
  }
  SearchWindow search;
  LnbInfo lnb{};
  TrInfo tr{};
};

TEST_F(SearchAndDataPathTest, AsynchronousSearchDeliversTheTransportStreamsServices) {
  ASSERT_EQ(Cvn_TunerLockTest(lnb, tr), CVN_OK);
  ASSERT_EQ(Cvn_SearchChannel(1), 1);
  ASSERT_TRUE(eventually([&] { return !search.lists().empty(); }, std::chrono::milliseconds(8000)));
  SiList list = search.lists().front();
  EXPECT_STREQ(list.Lnb.SatelliteName, "ASTRA");
  EXPECT_EQ(list.Tr.TransponderNumber, 1u);
  EXPECT_EQ(list.Tr.TransportID, 1001);
  ASSERT_EQ(list.ProgramCount, 1u);
  EXPECT_STREQ(list.Program[0].ProgramName, "Nordlicht TV");
  EXPECT_EQ(list.Program[0].TVorRadio, 1);
  EXPECT_EQ(list.Program[0].VideoPID, 0x101);
  EXPECT_EQ(list.Program[0].AudioPIDCount, 1);
  ASSERT_EQ(list.DataCount, 1u);
  EXPECT_EQ(list.Data[0].DataPID, 0x500);
  EXPECT_EQ(list.Data[0].Encapsulation, 3);
  EXPECT_EQ(list.Data[0].pgnumber, 1000);
}

TEST_F(SearchAndDataPathTest, SynchronousSearchSendsTheMessageBeforeItReturns) {
  ASSERT_EQ(Cvn_TunerLockTest(lnb, tr), CVN_OK);
  ASSERT_EQ(Cvn_SearchChannel(0), 1);
  ASSERT_EQ(search.lists().size(), 1u);
  EXPECT_EQ(search.lists()[0].ProgramCount, 1u);
}

TEST_F(SearchAndDataPathTest, CancelledSearchSendsNoMessage) {
  ASSERT_EQ(Cvn_TunerLockTest(lnb, tr), CVN_OK);
  ASSERT_EQ(Cvn_SearchChannel(1), 1);
  ASSERT_EQ(Cvn_SearchCancel(), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(2000));
  EXPECT_TRUE(search.lists().empty());
}

TEST_F(SearchAndDataPathTest, SearchWithoutLockFindsNothing) {
  LnbInfo off = lnb;
  off.LnbPower = 1;
  ASSERT_EQ(Cvn_TunerLockTest(off, tr), CVN_LOCK_ERROR);
  ASSERT_EQ(Cvn_SearchChannel(0), 1);
  ASSERT_EQ(search.lists().size(), 1u);
  EXPECT_EQ(search.lists()[0].ProgramCount, 0u);
  EXPECT_EQ(search.lists()[0].DataCount, 0u);
}

// ---- Data path ----

std::mutex packetLock;
std::vector<uint8_t> packets;
std::vector<uint8_t> tsBuffer(940);
std::vector<uint8_t> sectionBuffer(4096);
std::vector<std::vector<uint8_t>> sections;
std::atomic<int> calls{0};

void onPackets(uint32_t, NetPid, uint32_t, uint32_t piece, int32_t) {
  std::lock_guard guard(packetLock);
  packets.insert(packets.end(), tsBuffer.begin(), tsBuffer.begin() + piece);
  ++calls;
}
void onSection(uint32_t more, NetPid, uint32_t unit, uint32_t piece, int32_t remaining) {
  std::lock_guard guard(packetLock);
  EXPECT_EQ(more, 0u);
  EXPECT_EQ(remaining, 0);
  EXPECT_EQ(unit, piece);
  sections.emplace_back(sectionBuffer.begin(), sectionBuffer.begin() + piece);
}
void ignore(uint32_t, NetPid, uint32_t, uint32_t, int32_t) {}

CvnDataPathRegistration registration(uint16_t pid, uint16_t kind, std::vector<uint8_t>& buffer, uint32_t size,
                                     CvnDataCallback callback) {
  return CvnDataPathRegistration{{pid, kind, 0, 0, 0}, 0, buffer.data(), size, callback};
}

TEST_F(SearchAndDataPathTest, DataPathExportsNeedInitialisationAndCheckTheirArguments) {
  EXPECT_EQ(Cvn_RegisterDataPath(registration(0x101, 10, tsBuffer, 1000, ignore)), CVN_DATAPATH_INVALID);
  EXPECT_EQ(Cvn_RegisterDataPath(registration(0x101, 10, tsBuffer, 940, nullptr)), CVN_DATAPATH_INVALID);
  EXPECT_EQ(Cvn_RegisterDataPath(registration(0x101, 10, tsBuffer, 940, ignore)), CVN_DATAPATH_NOT_INITIALISED);
  EXPECT_EQ(Cvn_UnRegisterDataPath(NetPid{0x101, 10, 0, 0, 0}), CVN_DATAPATH_NOT_INITIALISED);
  EXPECT_EQ(Cvn_TermDataPath(), CVN_DATAPATH_NOT_INITIALISED);

  ASSERT_EQ(Cvn_InitDataPath(), CVN_DATAPATH_OK);
  // Another process finds the data capture switched on.
  ProcessResult other = runProgram({ctlBinary(), "dump", "0x101", "--kind", "ts", "--seconds", "1"},
                                   daemon.dir() + "/dump.out");
  EXPECT_EQ(other.status, 1);
  EXPECT_NE(other.output.find("(6: another client holds it)"), std::string::npos) << other.output;

  EXPECT_EQ(Cvn_RegisterDataPath(registration(0x101, 10, tsBuffer, 1000, ignore)), CVN_DATAPATH_INVALID);
  ASSERT_EQ(Cvn_RegisterDataPath(registration(0x101, 10, tsBuffer, 940, ignore)), CVN_DATAPATH_OK);
  EXPECT_EQ(Cvn_RegisterDataPath(registration(0x101, 10, tsBuffer, 940, ignore)), CVN_DATAPATH_PID_REFUSED);
  for (uint16_t pid = 0x200; pid < 0x209; ++pid) {
    EXPECT_EQ(Cvn_RegisterDataPath(registration(pid, 10, tsBuffer, 188, ignore)), CVN_DATAPATH_OK);
  }
  EXPECT_EQ(Cvn_RegisterDataPath(registration(0x300, 10, tsBuffer, 188, ignore)), CVN_DATAPATH_PID_REFUSED);  // 11th
  EXPECT_EQ(Cvn_TermDataPath(), CVN_DATAPATH_BUSY);
  for (uint16_t pid = 0x200; pid < 0x209; ++pid) EXPECT_EQ(Cvn_UnRegisterDataPath(NetPid{pid, 10, 0, 0, 0}), 1);
  EXPECT_EQ(Cvn_UnRegisterDataPath(NetPid{0x101, 10, 0, 0, 0}), 1);
  EXPECT_EQ(Cvn_UnRegisterDataPath(NetPid{0x101, 10, 0, 0, 0}), CVN_DATAPATH_PID_REFUSED);
  EXPECT_EQ(Cvn_TermDataPath(), CVN_DATAPATH_OK);
}

TEST_F(SearchAndDataPathTest, TransportPacketsOfAPidArriveWholeAndInOrder) {
  ASSERT_EQ(Cvn_TunerLockTest(lnb, tr), CVN_OK);
  ASSERT_EQ(Cvn_InitDataPath(), CVN_DATAPATH_OK);
  {
    std::lock_guard guard(packetLock);
    packets.clear();
  }
  ASSERT_EQ(Cvn_RegisterDataPath(registration(0x101, 10, tsBuffer, 940, onPackets)), CVN_DATAPATH_OK);
  ASSERT_TRUE(eventually([] {
    std::lock_guard guard(packetLock);
    return packets.size() >= 188 * 40;
  }, std::chrono::milliseconds(10000)));
  ASSERT_EQ(Cvn_UnRegisterDataPath(NetPid{0x101, 10, 0, 0, 0}), 1);
  std::lock_guard guard(packetLock);
  ASSERT_EQ(packets.size() % 188, 0u);
  int last = -1;
  for (size_t p = 0; p < packets.size(); p += 188) {
    ASSERT_EQ(packets[p], 0x47);
    ASSERT_EQ(((packets[p + 1] & 0x1F) << 8) | packets[p + 2], 0x101);
    int counter = packets[p + 3] & 0x0F;
    if (last >= 0 && (packets[p + 3] & 0x10)) {
      ASSERT_EQ(counter, (last + 1) & 0x0F) << "at packet " << p / 188;
    }
    last = counter;
  }
}

TEST_F(SearchAndDataPathTest, SectionsOfAPidArriveAsWholeSections) {
  ASSERT_EQ(Cvn_TunerLockTest(lnb, tr), CVN_OK);
  ASSERT_EQ(Cvn_InitDataPath(), CVN_DATAPATH_OK);
  {
    std::lock_guard guard(packetLock);
    sections.clear();
  }
  ASSERT_EQ(Cvn_RegisterDataPath(registration(0x11, 12, sectionBuffer, uint32_t(sectionBuffer.size()), onSection)),
            CVN_DATAPATH_OK);
  ASSERT_TRUE(eventually([] {
    std::lock_guard guard(packetLock);
    return sections.size() >= 3;
  }, std::chrono::milliseconds(10000)));
  ASSERT_EQ(Cvn_UnRegisterDataPath(NetPid{0x11, 12, 0, 0, 0}), 1);
  std::lock_guard guard(packetLock);
  for (const auto& s : sections) {
    ASSERT_GE(s.size(), 3u);
    EXPECT_EQ(s[0], 0x42);  // the SDT of the actual transport stream
    EXPECT_EQ(s.size(), size_t((((s[1] & 0x0F) << 8) | s[2]) + 3));
  }
}

}  // namespace
}  // namespace cv7::itest
