// A daemon per test, and the library of this process pointed at it.
#pragma once
#include <gtest/gtest.h>

#include "DaemonHarness.h"

namespace cv7::itest {

inline constexpr uint32_t kEventMessage = 0x8101;
inline constexpr uint32_t kSearchMessage = 1035;
inline constexpr uint32_t kStatusMessage = 0x8103;

class SystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(daemon.start()) << daemon.log();
    ::setenv("CV7_DEVICE", daemon.socketPath().c_str(), 1);
  }
  void TearDown() override {
    Cvn_CloseSystem();
    daemon.stop();
  }
  bool raise(unsigned code) { return daemon.admin("card-event " + std::to_string(code)) == "ok"; }

  Daemon daemon;
  // Outlives the library's connection, which TearDown closes, so a failed assertion
  // cannot leave the event thread sending to a window that is gone.
  RecordingWindow window;
};

}  // namespace cv7::itest
