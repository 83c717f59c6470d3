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
// The groups of a kernel list that name PIDs of the adapter: without the memberships the
// kernel keeps on every interface for itself, which are link-local and name no PID
//   01:00:5E:00:00:xx  IPv4 224.0.0.0/24, the local network control block (224.0.0.1 all
//                      hosts, which the kernel joins on every multicast interface, 224.0.0.251 ...)
//   33:33:xx:xx:xx:xx  IPv6 groups (ff02::1 all nodes, ff02::1:ffxx:xxxx solicited node, MLD ...):
//                      the adapter delivers IPv4 datagrams only.
std::vector<MacAddress> adapterGroups(const std::vector<MacAddress>& kernelList);
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
  // Groups of the kernel's list that are the adapter's (after adapterGroups()).
  uint64_t groups() const { return groups_.load(); }
  // Lists the adapter refused because they held more groups than its multicast list.
  uint64_t listsRefused() const { return listsRefused_.load(); }

 private:
  void run();
  void reportFull(const std::vector<MacAddress>& list);

  AdapterRequests& requests_;
  TapInterface& tap_;
  std::string path_;
  std::vector<MacAddress> lastList_;
  bool haveList_ = false;
  uint32_t lastFilter_ = 0xFFFFFFFF;
  std::atomic<uint64_t> listsSet_{0};
  std::atomic<uint64_t> groups_{0};
  std::atomic<uint64_t> listsRefused_{0};
  std::thread thread_;
  std::mutex lock_;
  std::condition_variable wake_;
  bool stopping_ = false;
};

}  // namespace cv7::host
