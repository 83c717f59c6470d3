// The window that the library reports to (the CvnWindow of Cvn_OpenSystem): a message that a
// library thread sends runs synchronously on the window thread, in the main frame's handler,
// while the library thread waits; a message sent from the window thread itself runs at once.
// Once the invoker is closed (at exit, before the library is closed) a message is not
// delivered and its result is 0.
#pragma once
#include <corvane.h>

#include <functional>

#include "WindowThreadInvoker.h"

namespace cv7::app {

class LibraryWindow {
 public:
  using Handler = std::function<intptr_t(uint32_t message, uintptr_t wParam, intptr_t lParam)>;

  LibraryWindow(WindowThreadInvoker& invoker, Handler handler);
  LibraryWindow(const LibraryWindow&) = delete;
  LibraryWindow& operator=(const LibraryWindow&) = delete;

  CvnWindow* window() { return &bridge_.window; }

 private:
  // The CvnWindow first, so that the library's pointer leads back here.
  struct Bridge {
    CvnWindow window;
    LibraryWindow* owner;
  };
  static intptr_t send(CvnWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

  WindowThreadInvoker& invoker_;
  Handler handler_;
  Bridge bridge_;
};

}  // namespace cv7::app
