#include "CPage1.h"

#include <corvane.h>

#include <algorithm>
#include <array>
#include <optional>

#include "CPropSheet.h"
#include "ConfigurationKeys.h"
#include "HostAddressSource.h"
#include "IpAddressUpkeep.h"
#include "NetCardText.h"
#include "StringId.h"

namespace cv7::app {

namespace {

std::optional<std::array<uint8_t, 2>> readVersion(int32_t (*read)(uint8_t*)) {
  std::array<uint8_t, 2> version{};
  if (!read(version.data())) return std::nullopt;
  return version;
}

}  // namespace

CPage1::CPage1(CPropSheet& sheet) : sheet_(sheet), services_(sheet.services()) {}

void CPage1::OnInitDialog() {
  showTitle();
  ShowVersionsAndAddresses();
  FillAddressList();
  alwaysNew = services_.store.readInteger(config::kSatellite, config::kFlagNewIp, 1) == 1;
  alwaysNewAtOpening = alwaysNew;
  notifyChanged();
}

void CPage1::OnSetActive() {
  if (!refreshPending) return;
  refreshPending = false;
  FillAddressList();
  notifyChanged();
}

void CPage1::OnClickAlwaysNew(bool checked) {
  alwaysNew = checked;
  notifyChanged();
}

void CPage1::OnSelectAddress(int index) {
  if (index < 0 || size_t(index) >= addresses_.size()) return;
  addressIndex = index;
  chosenAddress = addresses_[size_t(index)];
}

void CPage1::OnNewAdapterAddress(uint32_t address, bool shown) {
  chosenAddress = address;
  OnHostAddressesChanged(shown);
}

void CPage1::OnHostAddressesChanged(bool shown) {
  if (!shown) {
    refreshPending = true;
    return;
  }
  FillAddressList();
  notifyChanged();
}

void CPage1::ShowVersionsAndAddresses() {
  firmwareText = versionText(readVersion(Cvn_GetFirmwareVersion));
  driverText = versionText(readVersion(Cvn_GetDriverVersion));
  std::array<uint8_t, 6> mac{};
  const QString text = macText(Cvn_GetMacAddress(mac.data()) ? std::optional(mac) : std::nullopt);
  // The card has one address: the permanent and the station address are the same.
  const StringTable& strings = services_.ui.strings();
  permanentAddressText = strings.text(StringId::PermanentAddress) + text + QLatin1Char(' ');
  stationAddressText = strings.text(StringId::StationAddress) + text + QLatin1Char(' ');
}

void CPage1::FillAddressList() {
  addresses_ = services_.addresses ? services_.addresses->lookUpHostAddresses().value_or(std::vector<uint32_t>{})
                                   : std::vector<uint32_t>{};
  if (addresses_.size() > HostAddressSource::kMaxAddresses) addresses_.resize(HostAddressSource::kMaxAddresses);
  addressTexts.clear();
  for (uint32_t address : addresses_) addressTexts << IpAddressUpkeep::dottedText(address);
  const uint32_t inUse = addressInUse();
  const auto selected = std::find(addresses_.begin(), addresses_.end(), inUse);
  addressIndex = selected == addresses_.end() ? -1 : int(selected - addresses_.begin());
  chosenAddress = inUse;
}

void CPage1::Commit() {
  if (alwaysNew != alwaysNewAtOpening)
    services_.store.writeInteger(config::kSatellite, config::kFlagNewIp, alwaysNew ? 1 : 0);
  if (services_.addresses && chosenAddress != addressInUse()) services_.addresses->useAddress(chosenAddress);
}

uint32_t CPage1::addressInUse() const { return services_.addresses ? services_.addresses->adapterAddress() : 0; }

void CPage1::showTitle() { sheet_.showTunedCaption(); }

void CPage1::notifyChanged() {
  if (changed) changed();
}

}  // namespace cv7::app
