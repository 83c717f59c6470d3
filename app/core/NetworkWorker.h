// The network worker thread: the network start-up once, then an address check each time the
// status timer's tick wakes it, with the timer stopped during the check. It ends when it
// finds the stop flag set after a wake-up; nothing else ends it.
#pragma once
#include <corvane.h>

#include <atomic>
#include <thread>
#include <vector>

#include "AutoResetEvent.h"
#include "IpAddressUpkeep.h"
#include "StatusTimer.h"

namespace cv7::app {

class NetworkWorker {
 public:
  NetworkWorker(IpAddressUpkeep& upkeep, StatusTimer& timer);
  ~NetworkWorker();
  NetworkWorker(const NetworkWorker&) = delete;
  NetworkWorker& operator=(const NetworkWorker&) = delete;

  // Starts the thread; `selectedPids` are the network PIDs of the selected transponder's
  // data services, read on the window thread.
  void start(std::vector<NetPid> selectedPids);
  // The tick's signal: one check runs, however many signals came before it began.
  void wake() { event_.signal(); }
  // Sets the stop flag and wakes the worker; does not wait. Harmless when repeated.
  void requestStop();
  // Waits for the thread's end (after requestStop).
  void join();
  // True from start until the thread has ended.
  bool running() const { return running_.load(); }

 private:
  void run(std::vector<NetPid> selectedPids);

  IpAddressUpkeep& upkeep_;
  StatusTimer& timer_;
  AutoResetEvent event_;
  std::atomic<int> stop_{0};
  std::atomic<bool> running_{false};
  std::thread thread_;
};

}  // namespace cv7::app
