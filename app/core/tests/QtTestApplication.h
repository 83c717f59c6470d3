// The one QCoreApplication of a test process (created on first use, on the main thread, and
// kept to the end), and a way to run its event loop until something has happened.
#pragma once
#include <QCoreApplication>
#include <chrono>
#include <functional>
#include <thread>

namespace cv7::app::test {

inline QCoreApplication& qtApplication() {
  static int argc = 1;
  static char name[] = "cv7app_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app =
      QCoreApplication::instance() ? QCoreApplication::instance() : new QCoreApplication(argc, argv);
  return *app;
}

// Runs the event loop until `done` or until `limit` has passed; returns `done()`.
inline bool spinUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!done() && std::chrono::steady_clock::now() < until) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return done();
}

// Runs the event loop for `time`.
inline void spinFor(std::chrono::milliseconds time) {
  spinUntil([] { return false; }, time);
}

}  // namespace cv7::app::test
