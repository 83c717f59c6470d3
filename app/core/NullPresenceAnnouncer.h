// A presence announcer that announces nothing.
#pragma once
#include "PresenceAnnouncer.h"

namespace cv7::app {

class NullPresenceAnnouncer : public PresenceAnnouncer {
 public:
  void announceStart() override {}
  void announceEnd() override {}
};

}  // namespace cv7::app
