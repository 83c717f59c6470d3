// The data application's presence announcements to every other program: "started" once its
// main frame exists, "ending" at the start of its shut-down (before the library is closed).
// The TV coordination implements them; until then NullPresenceAnnouncer announces nothing.
#pragma once

namespace cv7::app {

class PresenceAnnouncer {
 public:
  virtual ~PresenceAnnouncer() = default;
  virtual void announceStart() = 0;
  virtual void announceEnd() = 0;
};

}  // namespace cv7::app
