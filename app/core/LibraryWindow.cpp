#include "LibraryWindow.h"

namespace cv7::app {

LibraryWindow::LibraryWindow(WindowThreadInvoker& invoker, Handler handler)
    : invoker_(invoker), handler_(std::move(handler)), bridge_{{&LibraryWindow::send}, this} {}

intptr_t LibraryWindow::send(CvnWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  LibraryWindow* self = reinterpret_cast<Bridge*>(window)->owner;
  intptr_t result = 0;
  self->invoker_.call([&] { result = self->handler_(message, wParam, lParam); });
  return result;
}

}  // namespace cv7::app
