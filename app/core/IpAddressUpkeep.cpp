#include "IpAddressUpkeep.h"

#include <algorithm>

#include "ConfigurationKeys.h"
#include "NetworkPids.h"
#include "StringId.h"
#include "Trace.h"

namespace cv7::app {

namespace {

bool contains(const std::vector<uint32_t>& list, uint32_t value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

std::vector<uint32_t> firstAddresses(std::vector<uint32_t> list) {
  if (list.size() > HostAddressSource::kMaxAddresses) list.resize(HostAddressSource::kMaxAddresses);
  return list;
}

}  // namespace

IpAddressUpkeep::IpAddressUpkeep(const ConfigurationStore& store, UserInterface& ui, HostAddressSource& source,
                                 SetupSheet& sheet)
    : store_(store), ui_(ui), source_(source), sheet_(sheet) {}

int IpAddressUpkeep::networkStartup(const std::vector<NetPid>& selectedPids) {
  std::vector<uint32_t> found = firstAddresses(lookUpHostAddresses().value_or(std::vector<uint32_t>{}));
  {
    std::lock_guard lock(mutex_);
    known_ = found;
  }
  const uint32_t stored = uint32_t(store_.readInteger(config::kNetCard, config::kIpAddress, 0));
  giveAdapter(contains(found, stored) ? stored : (found.empty() ? 0 : found.front()), false, false);
  setNetworkPids(selectedPids);
  return 1;
}

void IpAddressUpkeep::ipAddressCheck() {
  const std::optional<std::vector<uint32_t>> found = lookUpHostAddresses();
  if (!found) return;
  size_t known;
  {
    std::lock_guard lock(mutex_);
    known = known_.size();
  }
  if (found->size() > known) {
    handleNewAddress(*found);
  } else if (found->size() < known && newAddressSeen_) {
    handleShorterList(*found);
  }
}

void IpAddressUpkeep::handleNewAddress(const std::vector<uint32_t>& found) {
  uint32_t address = 0;
  {
    std::lock_guard lock(mutex_);
    auto fresh = std::find_if(found.begin(), found.end(), [&](uint32_t a) { return !contains(known_, a); });
    if (fresh == found.end()) return;
    address = *fresh;
  }
  if (address == 0) return;  // 0.0.0.0 is no address
  remember(address, found);
  newAddressSeen_ = true;
  if (askBeforeChanging()) {
    const QString question = dottedText(address) + QLatin1Char('\n') + ui_.strings().text(StringId::NewIpAddress);
    if (ui_.messageBox(question, StringId::AppTitle, MessageStyle::question()) == MessageButton::Cancel) return;
  }
  giveAdapter(address, true, true);
  sheet_.hostAddressesChanged(true);
}

void IpAddressUpkeep::handleShorterList(const std::vector<uint32_t>& found) {
  newAddressSeen_ = false;
  {
    std::lock_guard lock(mutex_);
    known_ = firstAddresses(found);
  }
  const uint32_t old = adapter_.load();
  if (old == 0 || contains(found, old)) return;
  if (askBeforeChanging()) {
    const QString notice = dottedText(old) + QLatin1Char('\n') + ui_.strings().text(StringId::IpAddressDisabled);
    ui_.messageBox(notice, StringId::AppTitle, MessageStyle::exclamation());
  }
  giveAdapter(found.empty() ? 0 : found.front(), true, true);
  sheet_.hostAddressesChanged(false);
}

void IpAddressUpkeep::remember(uint32_t address, const std::vector<uint32_t>& found) {
  std::lock_guard lock(mutex_);
  if (known_.size() >= HostAddressSource::kMaxAddresses)
    std::erase_if(known_, [&](uint32_t a) { return !contains(found, a); });
  if (known_.size() >= HostAddressSource::kMaxAddresses) known_.erase(known_.begin());
  known_.push_back(address);
}

void IpAddressUpkeep::giveAdapter(uint32_t address, bool store, bool tellSheet) {
  adapter_ = address;
  if (tellSheet) sheet_.setNetworkCardAddress(address);
  if (!Cvn_SetIPAddress(octets(address))) trace(QStringLiteral("Cvn_SetIPAddress %1 failed").arg(dottedText(address)));
  if (store) store_.writeInteger(config::kNetCard, config::kIpAddress, int(address));
}

std::optional<std::vector<uint32_t>> IpAddressUpkeep::lookUpHostAddresses() {
  std::lock_guard lock(sourceMutex_);
  return source_.lookUp();
}

void IpAddressUpkeep::useAddress(uint32_t address) { giveAdapter(address, true, false); }

bool IpAddressUpkeep::askBeforeChanging() const {
  return store_.readInteger(config::kSatellite, config::kFlagNewIp, 1) == 0;
}

std::vector<uint32_t> IpAddressUpkeep::knownAddresses() const {
  std::lock_guard lock(mutex_);
  return known_;
}

QString IpAddressUpkeep::dottedText(uint32_t address) {
  const CvnIpAddress o = octets(address);
  return QStringLiteral("%1.%2.%3.%4").arg(o.Octet[0]).arg(o.Octet[1]).arg(o.Octet[2]).arg(o.Octet[3]);
}

CvnIpAddress IpAddressUpkeep::octets(uint32_t address) {
  return CvnIpAddress{{uint8_t(address), uint8_t(address >> 8), uint8_t(address >> 16), uint8_t(address >> 24)}};
}

}  // namespace cv7::app
