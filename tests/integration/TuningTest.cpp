// Tuning through the library against the daemon's simulated card and its default sky: a
// lock test locks exactly when a real receiver would.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "SystemFixture.h"

namespace cv7::itest {
namespace {

// The default satellite files the build made, copied so that reading them stamps a copy.
class TuningTest : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    ASSERT_EQ(Cvn_OpenSystem(1, nullptr, 0, 0, 0), 1);
  }
  // Loads a default file into the library's database; returns its transponder count.
  int load(const std::string& name) {
    std::string copy = daemon.dir() + "/" + name;
    std::filesystem::copy_file(binDir() + "/DefaultFile/" + name, copy,
                               std::filesystem::copy_options::overwrite_existing);
    if (Cvn_ChannelFileOpen(copy.c_str()) != FILE_OPEN_OK) return -1;
    int ok = Cvn_ChannelFileRead();
    Cvn_ChannelFileClose();
    return ok == 1 ? Cvn_GetNumOfTransponder() : -1;
  }
  LnbInfo satellite() {
    LnbInfo lnb{};
    Cvn_GetSatelliteInformation(&lnb);
    return lnb;
  }
  TrInfo transponder(uint32_t number) {
    TrInfo tr{};
    Cvn_GetInfoTransponder(number, &tr);
    return tr;
  }
};

TEST_F(TuningTest, EveryTransponderOfTheDefaultFilesLocksWithItsLnbSettings) {
  for (const char* file : {"HotBird.cvd", "Astra.cvd", "AsiaSat2.cvd", "KoreaSat.cvd"}) {
    int count = load(file);
    ASSERT_GT(count, 0) << file;
    LnbInfo lnb = satellite();
    // Every transponder of one satellite, the first three of the others (each test takes 150 ms).
    int checked = std::string(file) == "Astra.cvd" ? count : std::min(count, 3);
    for (int n = 1; n <= checked; ++n) {
      TrInfo tr = transponder(uint32_t(n));
      EXPECT_EQ(Cvn_TunerLockTest(lnb, tr), CVN_OK) << file << " transponder " << n << " at " << tr.Frequency;
    }
  }
}

TEST_F(TuningTest, WrongLnbSettingsDoNotLock) {
  ASSERT_GT(load("Astra.cvd"), 0);
  LnbInfo lnb = satellite();
  TrInfo tr = transponder(1);
  ASSERT_EQ(Cvn_TunerLockTest(lnb, tr), CVN_OK);

  LnbInfo powerOff = lnb;
  powerOff.LnbPower = 1;
  EXPECT_EQ(Cvn_TunerLockTest(powerOff, tr), CVN_LOCK_ERROR);
  LnbInfo otherDish = lnb;
  otherDish.DiSEqC = uint8_t(lnb.DiSEqC == 1 ? 3 : 1);
  EXPECT_EQ(Cvn_TunerLockTest(otherDish, tr), CVN_LOCK_ERROR);
  TrInfo otherPolarity = tr;
  otherPolarity.Polarity = tr.Polarity ? 0 : 1;
  EXPECT_EQ(Cvn_TunerLockTest(lnb, otherPolarity), CVN_LOCK_ERROR);
  TrInfo otherRate = tr;
  otherRate.SymbolRate = tr.SymbolRate / 2;
  EXPECT_EQ(Cvn_TunerLockTest(lnb, otherRate), CVN_LOCK_ERROR);
  LnbInfo fixed = lnb;
  fixed.LocalOscillator = 10600000;  // the high band's oscillator with the tone off
  fixed.Tone22k = 1;
  EXPECT_EQ(Cvn_TunerLockTest(fixed, tr), CVN_LOCK_ERROR);
}

TEST_F(TuningTest, TunerInformationAfterALockShowsTheIndicatorsAndAnErrorRate) {
  ASSERT_GT(load("Astra.cvd"), 0);
  ASSERT_EQ(Cvn_TunerLockTest(satellite(), transponder(1)), CVN_OK);
  uint8_t info[8];
  std::memset(info, 0xEE, sizeof info);
  ASSERT_EQ(Cvn_GetTunerInformation(info), 1);
  EXPECT_EQ(info[0], 1);
  EXPECT_EQ(info[1], 1);
  EXPECT_EQ(info[2], 1);
  EXPECT_EQ(info[3], 1);
  EXPECT_GT(info[4], 0);
  EXPECT_LE(info[7], 5);
}

TEST_F(TuningTest, ChannelAndAudioSelectionsReachTheCard) {
  CvnChannelRequest channel{{0, 0x101, 0x102, 0, 0, 0}};
  EXPECT_EQ(Cvn_SetChannel(channel), 1);
  EXPECT_EQ(Cvn_StopChannel(channel), 1);
  EXPECT_EQ(Cvn_SetAudioChannel(0x102), 1);
  EXPECT_EQ(Cvn_SetAudioChannel(0), 0);
  EXPECT_EQ(Cvn_SetAudioChannel(8191), 0);
  EXPECT_EQ(Cvn_SetAudioChannel(0x2000), 0);
  EXPECT_EQ(Cvn_SetAudioControl(CvnAudioControl{{0x010203, 0, 0}}), 1);
}

TEST_F(TuningTest, NetworkPidsAreEnteredOnceAndReleasedByAnyClient) {
  NetPid pid{0x500, 3, 0, 1000, 0x400};
  EXPECT_EQ(Cvn_SetNetworkPID(pid), 1);
  EXPECT_EQ(Cvn_SetNetworkPID(pid), 1);  // already in the driver's table: no second command
  EXPECT_EQ(Cvn_ReleaseNetworkPID(pid), 1);
  EXPECT_EQ(Cvn_ReleaseNetworkPID(pid), 1);  // absent: nothing to release, still 1
  for (uint16_t p = 0x600; p < 0x610; ++p) EXPECT_EQ(Cvn_SetNetworkPID(NetPid{p, 3, 0, 0, 0}), 1);
  EXPECT_EQ(Cvn_SetNetworkPID(NetPid{0x700, 3, 0, 0, 0}), 1);  // the 17th: the table is full
  EXPECT_EQ(Cvn_ReleaseAllNetworkPID(), 1);
  EXPECT_EQ(Cvn_SetNetworkPID(NetPid{0x700, 3, 0, 0, 0}), 1);
}

TEST_F(TuningTest, MacAddressIsExactlySixBytes) {
  uint8_t mac[8];
  std::memset(mac, 0xEE, sizeof mac);
  ASSERT_EQ(Cvn_GetMacAddress(mac), 1);
  EXPECT_EQ(mac[0], 0x00);
  EXPECT_EQ(mac[2], 0x5F);
  EXPECT_EQ(mac[6], 0xEE);
  EXPECT_EQ(mac[7], 0xEE);
  EXPECT_EQ(Cvn_SetIPAddress(CvnIpAddress{{192, 0, 2, 7}}), 1);
  uint8_t mode = 1;
  EXPECT_EQ(Cvn_SetIPorMACfiltering(&mode), 1);
}

}  // namespace
}  // namespace cv7::itest

namespace cv7::itest {
namespace {

// The lock test's polling rules, driven by the card's faults.
class LockPollingTest : public TuningTest {
 protected:
  bool fault(const std::string& name, bool on) {
    return daemon.admin("fault " + name + (on ? " on" : " off")) == "ok";
  }
};

TEST_F(LockPollingTest, RefusedTuneGivesErrorWithoutPolling) {
  ASSERT_GT(load("Astra.cvd"), 0);
  ASSERT_TRUE(fault("status-zero", true));
  // Commands other than the event queries (command 19) that the client's event thread sends
  // whenever the driver tells it to ask the card.
  auto commands = [&] {
    auto s = daemon.stats();
    return s["card-commands"] - s["card-event-queries"];
  };
  long before = commands();
  EXPECT_EQ(Cvn_TunerLockTest(satellite(), transponder(1)), CVN_ERROR);
  EXPECT_EQ(commands(), before + 1);  // the tune, and no tuner information polls
  ASSERT_TRUE(fault("status-zero", false));
  EXPECT_EQ(Cvn_TunerLockTest(satellite(), transponder(1)), CVN_OK);
}

TEST_F(LockPollingTest, FailingTunerInformationDuringPollingIsNoLock) {
  ASSERT_GT(load("Astra.cvd"), 0);
  LnbInfo lnb = satellite();
  TrInfo tr = transponder(1);
  // The card stops answering once it has the tune: every poll fails.
  long before = daemon.stat("card-commands");
  std::thread breaker([&] {
    eventually([&] { return daemon.stat("card-commands") > before; }, std::chrono::milliseconds(2000));
    fault("no-answer", true);
  });
  int32_t result = Cvn_TunerLockTest(lnb, tr);
  breaker.join();
  fault("no-answer", false);
  EXPECT_EQ(result, CVN_LOCK_ERROR);
}

TEST_F(LockPollingTest, AnswersOfAnotherStatusAreNotCounted) {
  ASSERT_GT(load("Astra.cvd"), 0);
  LnbInfo lnb = satellite();
  TrInfo tr = transponder(1);
  // Status 3 (a reply of another code) for a while, then good answers: the test still locks,
  // and takes longer than three polls.
  std::thread fixer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    fault("wrong-reply-code", true);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    fault("wrong-reply-code", false);
  });
  long before = daemon.stat("card-commands");
  int32_t result = Cvn_TunerLockTest(lnb, tr);
  fixer.join();
  EXPECT_EQ(result, CVN_OK);
  EXPECT_GT(daemon.stat("card-commands"), before + 4);  // the tune and more than three polls
}

}  // namespace
}  // namespace cv7::itest
