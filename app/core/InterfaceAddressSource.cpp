#include "InterfaceAddressSource.h"

#include <corvane.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netpacket/packet.h>

#include <algorithm>
#include <cstring>
#include <set>

namespace cv7::app {

namespace {

bool contains(const std::vector<uint32_t>& list, uint32_t value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

// The interfaces whose hardware address is `station`.
std::set<std::string> interfacesWithAddress(const ifaddrs* list, const std::array<uint8_t, 6>& station) {
  std::set<std::string> names;
  for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
    if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_PACKET) continue;
    const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
    if (link->sll_halen == station.size() && std::memcmp(link->sll_addr, station.data(), station.size()) == 0)
      names.insert(entry->ifa_name);
  }
  return names;
}

}  // namespace

InterfaceAddressSource::InterfaceAddressSource(std::string cardInterface) : cardInterface_(std::move(cardInterface)) {}

void InterfaceAddressSource::setCardStationAddress(const std::array<uint8_t, 6>& address) { station_ = address; }

void InterfaceAddressSource::learnStationAddress() {
  if (station_) return;
  std::array<uint8_t, 6> mac{};
  if (Cvn_GetMacAddress(mac.data())) station_ = mac;
}

std::optional<std::vector<uint32_t>> InterfaceAddressSource::readInterfaces() {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return std::nullopt;
  std::set<std::string> card = {cardInterface_};
  if (station_) card.merge(interfacesWithAddress(list, *station_));

  std::vector<uint32_t> found;
  for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
    if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET) continue;
    if (!(entry->ifa_flags & IFF_UP) || (entry->ifa_flags & IFF_LOOPBACK)) continue;
    if (card.count(entry->ifa_name)) continue;
    // s_addr holds the octets in network order, so the first octet is the lowest byte.
    const uint32_t address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr;
    if (!contains(found, address)) found.push_back(address);
  }
  ::freeifaddrs(list);
  return found;
}

std::optional<std::vector<uint32_t>> InterfaceAddressSource::lookUp() {
  learnStationAddress();
  std::optional<std::vector<uint32_t>> found = readInterfaces();
  if (!found) return std::nullopt;
  std::erase_if(known_, [&](uint32_t address) { return !contains(*found, address); });
  for (uint32_t address : *found)
    if (!contains(known_, address)) known_.push_back(address);
  const size_t count = std::min(known_.size(), kMaxAddresses);
  return std::vector<uint32_t>(known_.begin(), known_.begin() + long(count));
}

}  // namespace cv7::app
