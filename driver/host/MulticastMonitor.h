// Follows the kernel's link-layer multicast list of the TAP interface (as /proc/net/dev_mcast
// shows it) and its flags, and hands them to the adapter as the multicast list and the
// packet filter, the way the network stack sets them on a miniport.
#pragma once
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace cv7::host {

class AdapterRequests;
class TapInterface;

using MacAddress = std::array<uint8_t, 6>;

// The link-layer multicast addresses of one interface, from the text of /proc/net/dev_mcast.
std::vector<MacAddress> parseDevMcast(const std::string& text, const std::string& interface);
// The packet filter for interface flags: directed, multicast and broadcast always; all
// multicast and promiscuous from the flags.
uint32_t packetFilterFor(unsigned interfaceFlags);

class MulticastMonitor {
 public:
  MulticastMonitor(AdapterRequests& requests, TapInterface& tap, std::string devMcastPath = "/proc/net/dev_mcast")
      : requests_(requests), tap_(tap), path_(std::move(devMcastPath)) {}
  ~MulticastMonitor() { stop(); }

  void start();
  void stop();
  // Looks once (the thread does this every 100 ms).
  void poll();
  uint64_t listsSet() const { return listsSet_.load(); }

 private:
  void run();

  AdapterRequests& requests_;
  TapInterface& tap_;
  std::string path_;
  std::vector<MacAddress> lastList_;
  bool haveList_ = false;
  uint32_t lastFilter_ = 0xFFFFFFFF;
  std::atomic<uint64_t> listsSet_{0};
  std::thread thread_;
  std::mutex lock_;
  std::condition_variable wake_;
  bool stopping_ = false;
};

}  // namespace cv7::host
