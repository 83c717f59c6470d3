// One open connection: its client mode, the window and message ids given to
// Cvn_OpenSystem, the events the driver signals, the library's threads and the messages
// they are delivering. A new Cvn_OpenSystem makes a new session; each library thread
// keeps its own session alive, so a thread that outlives Cvn_CloseSystem (one that was
// left inside the application's send) touches nothing of a later connection.
#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "AutoResetEvent.h"
#include "corvane.h"

namespace corvane {

class Session : public std::enable_shared_from_this<Session> {
 public:
  struct Messages {
    uint32_t event = 0, search = 0, status = 0;
  };

  explicit Session(uint8_t clientMode) : mode_(clientMode) {}
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The card event, the status event (client mode 3) and the search event.
  bool createEvents();
  // Starts the search, event and (client mode 3) status threads; false when one cannot be
  // made (those made are stopped again).
  bool startThreads();
  // From here messages reach the window (the end of Cvn_OpenSystem).
  void setWindow(CvnWindow* window, Messages messages);

  uint8_t mode() const { return mode_; }
  Messages messages() const;
  AutoResetEvent& cardEvent() { return cardEvent_; }
  AutoResetEvent& statusEvent() { return statusEvent_; }
  AutoResetEvent& searchEvent() { return searchEvent_; }
  // Set when the session stops; the threads and their commands watch it.
  const std::atomic<bool>& stopFlag() const { return stop_; }
  bool stopping() const { return stop_.load(); }
  CvnStatusRecord& statusRecord() { return statusRecord_; }

  // Sends a message to the window synchronously on the calling thread; 0 and nothing sent
  // without a window or once the session stops.
  intptr_t deliver(uint32_t message, uintptr_t wParam, intptr_t lParam);

  // Stops the session: no message starts after this; the threads are woken. Messages in
  // flight on other threads are waited for up to `deliveryWait`; a thread whose message
  // has not returned by then, and the calling thread itself when it is one of them (close
  // from inside a handler), are left to end by themselves when their send returns. Every
  // other thread is waited for. Calling it again does nothing more.
  void stop(std::chrono::milliseconds deliveryWait);

 private:
  // Messages in flight on threads other than the caller.
  size_t deliveriesOfOthers() const;
  bool isDelivering(std::thread::id thread) const;

  const uint8_t mode_;
  std::atomic<CvnWindow*> window_{nullptr};
  std::atomic<uint32_t> eventMessage_{0}, searchMessage_{0}, statusMessage_{0};
  std::atomic<bool> stop_{false};
  AutoResetEvent cardEvent_, statusEvent_, searchEvent_;
  std::thread eventThread_, searchThread_, statusThread_;
  CvnStatusRecord statusRecord_{};  // written only by the status thread

  mutable std::mutex deliveryLock_;
  std::condition_variable deliveryDone_;
  bool gateClosed_ = false;
  std::vector<std::thread::id> delivering_;  // one entry per message in flight
};

namespace connection {
// Thread bodies; each keeps its session alive.
void eventThreadMain(std::shared_ptr<Session> session);   // ConnectionThreads.cpp
void statusThreadMain(std::shared_ptr<Session> session);  // ConnectionThreads.cpp
void searchThreadMain(std::shared_ptr<Session> session);  // Search.cpp
}  // namespace connection

}  // namespace corvane
