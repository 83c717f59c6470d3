#include "MulticastMonitor.h"

#include <linux/if.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "AdapterContext.h"
#include "AdapterRequests.h"
#include "Log.h"
#include "NetworkInformation.h"
#include "TapInterface.h"

namespace cv7::host {

namespace {

constexpr uint32_t kDirected = 0x01, kMulticast = 0x02, kAllMulticast = 0x04, kBroadcast = 0x08, kPromiscuous = 0x20;

bool parseHexAddress(const std::string& hex, MacAddress& out) {
  if (hex.size() != 12) return false;
  for (size_t i = 0; i < 6; ++i) {
    unsigned value = 0;
    for (size_t k = 0; k < 2; ++k) {
      char c = hex[2 * i + k];
      int digit = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
      if (digit < 0) return false;
      value = value * 16 + unsigned(digit);
    }
    out[i] = uint8_t(value);
  }
  return true;
}

}  // namespace

std::vector<MacAddress> parseDevMcast(const std::string& text, const std::string& interface) {
  std::vector<MacAddress> list;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string index, name, users, global, hex;
    if (!(fields >> index >> name >> users >> global >> hex) || name != interface) continue;
    MacAddress address;
    if (parseHexAddress(hex, address) && (address[0] & 1)) list.push_back(address);
  }
  return list;
}

std::vector<MacAddress> adapterGroups(const std::vector<MacAddress>& kernelList) {
  std::vector<MacAddress> groups;
  for (const MacAddress& a : kernelList) {
    bool ipv4LinkLocal = a[0] == 0x01 && a[1] == 0x00 && a[2] == 0x5E && a[3] == 0x00 && a[4] == 0x00;
    bool ipv6 = a[0] == 0x33 && a[1] == 0x33;
    if (!ipv4LinkLocal && !ipv6) groups.push_back(a);
  }
  return groups;
}

uint32_t packetFilterFor(unsigned flags) {
  uint32_t filter = kDirected | kMulticast | kBroadcast;
  if (flags & IFF_ALLMULTI) filter |= kAllMulticast;
  if (flags & IFF_PROMISC) filter |= kPromiscuous;
  return filter;
}

void MulticastMonitor::start() {
  stopping_ = false;
  thread_ = std::thread([this] { run(); });
}

void MulticastMonitor::stop() {
  {
    std::lock_guard guard(lock_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void MulticastMonitor::run() {
  std::unique_lock guard(lock_);
  while (!stopping_) {
    guard.unlock();
    poll();
    guard.lock();
    wake_.wait_for(guard, std::chrono::milliseconds(100), [&] { return stopping_; });
  }
}

void MulticastMonitor::poll() {
  uint32_t filter = packetFilterFor(tap_.flags());
  uint32_t read = 0, needed = 0;
  if (filter != lastFilter_) {
    core::Status status = requests_.set(core::oid::GEN_CURRENT_PACKET_FILTER, &filter, 4, read, needed);
    if (status == core::NDIS_STATUS_SUCCESS) lastFilter_ = filter;
  }
  std::ifstream file(path_);
  std::stringstream text;
  text << file.rdbuf();
  std::vector<MacAddress> list = adapterGroups(parseDevMcast(text.str(), tap_.name()));
  if (haveList_ && list == lastList_) return;
  groups_.store(list.size());
  std::vector<uint8_t> bytes;
  for (const auto& a : list) bytes.insert(bytes.end(), a.begin(), a.end());
  core::Status status = requests_.set(core::oid::E802_3_MULTICAST_LIST, bytes.data(), uint32_t(bytes.size()), read, needed);
  if (status == core::NDIS_STATUS_MULTICAST_FULL) {
    listsRefused_.fetch_add(1);
    reportFull(list);
  } else if (status != core::NDIS_STATUS_SUCCESS) {
    CV7_LOG_WARN("multicast list of %zu groups not taken by the adapter (status 0x%08X)", list.size(), status);
  }
  lastList_ = list;
  haveList_ = true;
  listsSet_.fetch_add(1);
}

// The adapter keeps its previous list: the groups beyond it reach neither client 3 nor the
// card, and in the card's MAC filter mode their data is dropped.
void MulticastMonitor::reportFull(const std::vector<MacAddress>& list) {
  std::string names;
  for (const MacAddress& a : list) {
    char text[20];
    std::snprintf(text, sizeof text, " %02x:%02x:%02x:%02x:%02x:%02x", a[0], a[1], a[2], a[3], a[4], a[5]);
    names += text;
  }
  CV7_LOG_ERROR("%s: %zu multicast groups, more than the adapter's %u: the list is refused and the adapter "
                "keeps its previous one; groups:%s", tap_.name().c_str(), list.size(), core::kMaxMulticastList,
                names.c_str());
}

}  // namespace cv7::host
