#include "NetworkWorker.h"

namespace cv7::app {

NetworkWorker::NetworkWorker(IpAddressUpkeep& upkeep, StatusTimer& timer) : upkeep_(upkeep), timer_(timer) {}

NetworkWorker::~NetworkWorker() {
  requestStop();
  join();
}

void NetworkWorker::start(std::vector<NetPid> selectedPids) {
  if (thread_.joinable()) return;
  running_ = true;
  thread_ = std::thread(&NetworkWorker::run, this, std::move(selectedPids));
}

void NetworkWorker::requestStop() {
  if (!thread_.joinable()) return;
  stop_ = 1;
  event_.signal();
}

void NetworkWorker::join() {
  if (thread_.joinable()) thread_.join();
}

void NetworkWorker::run(std::vector<NetPid> selectedPids) {
  upkeep_.networkStartup(selectedPids);
  for (;;) {
    event_.wait();
    if (stop_.load() == 1) break;
    timer_.stop();
    upkeep_.ipAddressCheck();
    timer_.start();
  }
  running_ = false;
}

}  // namespace cv7::app
