// A connection of the receiver library for one cv7ctl command: opened in a client mode
// (default 2, a client that does not own the data reception), closed at the end. When the
// library cannot open, the failure says whether the daemon is not running, refuses this
// user, or the receiver itself did not answer.
#pragma once
#include <cstdint>

#include "Failure.h"
#include "corvane.h"

namespace cv7ctl {

class LibrarySession {
 public:
  explicit LibrarySession(uint8_t clientMode = 2, CvnWindow* window = nullptr, uint32_t searchMessage = 0) {
    if (Cvn_OpenSystem(clientMode, window, 0, searchMessage, 0) != 1)
      throw Failure::diagnose("the receiver library could not open the receiver");
  }
  ~LibrarySession() { Cvn_CloseSystem(); }
  LibrarySession(const LibrarySession&) = delete;
  LibrarySession& operator=(const LibrarySession&) = delete;
};

}  // namespace cv7ctl
