// A daemon whose one transponder repeats its program tables only every 1.5 s, so that a
// channel search takes seconds (long enough to cancel or restart it), and carries data
// PID 0x500 at 200 datagrams a second; the library of this process is pointed at it.
#pragma once
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "DaemonHarness.h"

namespace cv7::itest {

inline constexpr uint32_t kThreadEventMessage = 0x8201;
inline constexpr uint32_t kThreadSearchMessage = 1035;
inline constexpr uint32_t kThreadStatusMessage = 0x8203;
inline constexpr uint16_t kDataPid = 0x500;

// A window whose send runs the handler on the sending thread (a library thread).
class DirectWindow {
 public:
  using Handler = std::function<intptr_t(uint32_t message, uintptr_t wParam, intptr_t lParam)>;
  explicit DirectWindow(Handler handler) : handler_(std::move(handler)) {
    bridge_.window.send = &DirectWindow::send;
    bridge_.owner = this;
  }
  CvnWindow* window() { return &bridge_.window; }

 private:
  struct Bridge {
    CvnWindow window;
    DirectWindow* owner;
  };
  static intptr_t send(CvnWindow* self, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return reinterpret_cast<Bridge*>(self)->owner->handler_(message, wParam, lParam);
  }
  Handler handler_;
  Bridge bridge_{};
};

class ThreadModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(daemon.dir() + "/sky.json") << sky();
    ASSERT_TRUE(daemon.start({"--sky", daemon.dir() + "/sky.json"})) << daemon.log();
    ::setenv("CV7_DEVICE", daemon.socketPath().c_str(), 1);
  }
  void TearDown() override {
    daemon.admin("fault status-zero off");
    Cvn_TermDataPath();
    Cvn_CloseSystem();
    daemon.stop();
  }

  static LnbInfo lnb() {
    LnbInfo l{};
    l.DiSEqC = 1;
    l.Tone22k = 1;
    return l;
  }
  static TrInfo tr() { return TrInfo{1, 11778000, 27500, 0, 7, {}}; }
  static bool lock() { return Cvn_TunerLockTest(lnb(), tr()) == CVN_OK; }
  static NetPid dataPid(uint16_t kind, uint16_t pid = kDataPid) { return NetPid{pid, kind, 7, 1, 0x100}; }
  bool fault(bool on) { return daemon.admin(std::string("fault status-zero ") + (on ? "on" : "off")) == "ok"; }

  Daemon daemon;

 private:
  static std::string sky() {
    return R"({"satellites": [{
      "name": "THREADS", "orbitalPosition": "2.0E", "originalNetworkId": 3,
      "dish": {"diseqcPort": 1, "toneBurst": 0, "lnb": {"type": "universal"}},
      "transponders": [{
        "frequencyKHz": 11778000, "polarisation": "V", "symbolRateKsps": 27500, "transportStreamId": 7,
        "psiRepetitionMs": 1500,
        "services": [{"programNumber": 1, "pmtPid": "0x0100", "name": "Slow tables",
                      "streams": [{"type": "dsmcc-d", "pid": "0x0500"}]}],
        "sources": [{"kind": "generator", "pid": "0x0500", "encapsulation": "mpe", "datagramsPerSecond": 200,
                     "payloadSize": 100, "destination": "239.1.2.3:5000", "source": "10.9.9.9:4000"}]
      }]}]})";
  }
};

}  // namespace cv7::itest
