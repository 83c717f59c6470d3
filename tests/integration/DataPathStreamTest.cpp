// The data path under a sustained rate: a PID of about 0.5 MB/s runs through the driver's
// 128 KiB data ring many times over; every TS packet arrives whole, in continuity order, in
// pieces that add up to their units; a callback may unregister its own PID. The card plays its
// multiplex in real time whatever the host does, so the rate is one that the sanitizer builds
// keep up with on a loaded machine, and the daemon's interrupt and card threads ask for
// real-time priority as the installed service's do.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <mutex>

#include "DaemonHarness.h"

namespace cv7::itest {
namespace {

std::string streamSky() {
  return R"({"satellites": [{
    "name": "RATE", "orbitalPosition": "2.0E", "originalNetworkId": 3,
    "dish": {"diseqcPort": 1, "toneBurst": 0, "lnb": {"type": "universal"}},
    "transponders": [{
      "frequencyKHz": 11778000, "polarisation": "V", "symbolRateKsps": 27500, "transportStreamId": 8,
      "services": [{"programNumber": 1, "pmtPid": "0x0100", "name": "Rate", "streams": [{"type": "dsmcc-d", "pid": "0x0500"}]}],
      "sources": [{"kind": "generator", "pid": "0x0500", "encapsulation": "mpe", "datagramsPerSecond": 500,
                   "payloadSize": 1000, "destination": "239.1.2.3:5000", "source": "10.9.9.9:4000"}]
    }]}]})";
}

struct Delivery {
  std::mutex lock;
  std::vector<uint8_t> bytes;
  uint32_t unit = 0, delivered = 0;  // the unit in progress
  size_t units = 0, pieces = 0;
  bool badPiece = false;
  std::atomic<size_t> stopAfter{0};
  std::atomic<bool> unregistered{false};
  std::atomic<size_t> callsAfterUnregister{0};
};
Delivery delivery;
std::vector<uint8_t> buffer(376);  // two packets: most units come in several pieces

void onPackets(uint32_t more, NetPid pid, uint32_t unitLength, uint32_t pieceLength, int32_t remaining) {
  if (delivery.unregistered) ++delivery.callsAfterUnregister;
  {
    std::lock_guard guard(delivery.lock);
    if (delivery.delivered == 0) delivery.unit = unitLength;
    delivery.delivered += pieceLength;
    bool consistent = unitLength == delivery.unit && pieceLength <= buffer.size() && pieceLength > 0 &&
                      int64_t(remaining) == int64_t(unitLength) - delivery.delivered && (more == 0) == (remaining == 0);
    if (!consistent) delivery.badPiece = true;
    delivery.bytes.insert(delivery.bytes.end(), buffer.begin(), buffer.begin() + pieceLength);
    ++delivery.pieces;
    if (more == 0) {
      delivery.delivered = 0;
      ++delivery.units;
    }
  }
  // A callback may unregister its own PID (the data path's lock is re-entrant).
  if (delivery.stopAfter && delivery.units >= delivery.stopAfter && !delivery.unregistered) {
    delivery.unregistered = true;
    Cvn_UnRegisterDataPath(pid);
  }
}

class DataPathStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(daemon.dir() + "/sky.json") << streamSky();
    ASSERT_TRUE(daemon.start({"--sky", daemon.dir() + "/sky.json", "--realtime"})) << daemon.log();
    ::setenv("CV7_DEVICE", daemon.socketPath().c_str(), 1);
    ASSERT_EQ(Cvn_OpenSystem(2, nullptr, 0, 0, 0), 1);
    LnbInfo lnb{};
    lnb.DiSEqC = 1;
    lnb.Tone22k = 1;
    ASSERT_EQ(Cvn_TunerLockTest(lnb, TrInfo{0, 11778000, 27500, 0, 0, {}}), CVN_OK);
    ASSERT_EQ(Cvn_InitDataPath(), CVN_DATAPATH_OK);
    std::lock_guard guard(delivery.lock);
    delivery.bytes.clear();
    delivery.units = delivery.pieces = 0;
    delivery.delivered = 0;
    delivery.badPiece = false;
  }
  void TearDown() override {
    Cvn_UnRegisterDataPath(NetPid{0x500, 10, 0, 0, 0});
    Cvn_TermDataPath();
    Cvn_CloseSystem();
    daemon.stop();
  }
  CvnDataPathRegistration registration() {
    return CvnDataPathRegistration{{0x500, 10, 0, 0, 0}, 0, buffer.data(), uint32_t(buffer.size()), onPackets};
  }
  Daemon daemon;
};

TEST_F(DataPathStreamTest, EveryPacketArrivesWholeAndInOrderAsTheRingWrapsManyTimes) {
  delivery.stopAfter = 0;
  ASSERT_EQ(Cvn_RegisterDataPath(registration()), CVN_DATAPATH_OK);
  // About 3 000 packets a second: the ring's size 8 times over in about 2 s.
  ASSERT_TRUE(eventually([] {
    std::lock_guard guard(delivery.lock);
    return delivery.bytes.size() >= 8 * 0x20000;
  }, std::chrono::milliseconds(30000)));
  ASSERT_EQ(Cvn_UnRegisterDataPath(NetPid{0x500, 10, 0, 0, 0}), 1);
  std::lock_guard guard(delivery.lock);
  EXPECT_FALSE(delivery.badPiece);
  EXPECT_GT(delivery.pieces, delivery.units);  // units of more than two packets came in pieces
  const auto& b = delivery.bytes;
  size_t whole = b.size() / 188 * 188;
  int last = -1;
  size_t gaps = 0;
  for (size_t p = 0; p < whole; p += 188) {
    ASSERT_EQ(b[p], 0x47) << "at packet " << p / 188;
    ASSERT_EQ(((b[p + 1] & 0x1F) << 8) | b[p + 2], 0x500);
    int counter = b[p + 3] & 0x0F;
    if (last >= 0 && counter != ((last + 1) & 0x0F)) ++gaps;
    last = counter;
  }
  EXPECT_EQ(gaps, 0u) << "packets lost or out of order";
  std::string stats = daemon.admin("stats");
  EXPECT_NE(stats.find("dropped-ring-full=0"), std::string::npos) << stats;
}

TEST_F(DataPathStreamTest, CallbackThatUnregistersItsOwnPidGetsNoMoreData) {
  delivery.stopAfter = 20;
  delivery.unregistered = false;
  delivery.callsAfterUnregister = 0;
  ASSERT_EQ(Cvn_RegisterDataPath(registration()), CVN_DATAPATH_OK);
  ASSERT_TRUE(eventually([] { return delivery.unregistered.load(); }, std::chrono::milliseconds(10000)));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(delivery.callsAfterUnregister.load(), 0u);
  EXPECT_EQ(Cvn_TermDataPath(), CVN_DATAPATH_OK);
  // The PID is free again in the driver's table.
  EXPECT_EQ(Cvn_InitDataPath(), CVN_DATAPATH_OK);
  EXPECT_EQ(Cvn_RegisterDataPath(registration()), CVN_DATAPATH_OK);
}

}  // namespace
}  // namespace cv7::itest
