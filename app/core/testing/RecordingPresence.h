// A presence announcer for tests: records "start" and "end", each with whether the library's
// connection to the driver was open at that moment.
#pragma once
#include <corvane.h>

#include <mutex>
#include <string>
#include <vector>

#include "PresenceAnnouncer.h"

namespace cv7::app {

class RecordingPresence : public PresenceAnnouncer {
 public:
  struct Announcement {
    std::string what;
    bool libraryOpen;
  };
  void announceStart() override { record("start"); }
  void announceEnd() override { record("end"); }
  std::vector<Announcement> announcements() const {
    std::lock_guard lock(mutex_);
    return announcements_;
  }

 private:
  void record(const char* what) {
    uint8_t version[2];
    const bool open = Cvn_GetDriverVersion(version) == 1;
    std::lock_guard lock(mutex_);
    announcements_.push_back({what, open});
  }
  mutable std::mutex mutex_;
  std::vector<Announcement> announcements_;
};

}  // namespace cv7::app
