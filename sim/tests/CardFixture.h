// A card on a virtual clock with the test host in front of it.
#pragma once
#include <gtest/gtest.h>

#include "SimulatedCard.h"
#include "TestHost.h"

namespace cv7::sim::test {

inline CardConfig runningConfig() {
  CardConfig config;
  config.firmwareRunning = true;
  config.firmwareVersion = {3, 7};
  return config;
}

class CardFixture : public ::testing::Test {
 protected:
  explicit CardFixture(CardConfig config = runningConfig())
      : card(config, clock, memory, line), host(card, clock) {}

  void setFaults(void (*change)(CardFaults&)) {
    CardFaults faults;
    change(faults);
    card.setFaults(faults);
  }

  VirtualClock clock;
  NullMemory memory;
  RecordingLine line;
  SimulatedCard card;
  TestHost host;
};

}  // namespace cv7::sim::test
