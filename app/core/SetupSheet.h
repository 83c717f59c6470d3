// The "Data Setup" property sheet as the main frame and the address upkeep see it. The sheet
// itself (its pages and dialogs) implements this; until it exists ClosedSetupSheet stands in
// for a sheet that is never open.
//
// The first group is called on the window thread. The address calls come from the network
// worker: an implementation carries them over to the window thread and must not block the
// worker on the window thread's answer.
#pragma once
#include <array>
#include <cstdint>

namespace cv7::app {

// The tuner information record: four lock indicators, two status bytes, the error rate's
// mantissa and exponent.
using TunerInformation = std::array<uint8_t, 8>;

class SetupSheet {
 public:
  virtual ~SetupSheet() = default;

  virtual bool isOpen() const = 0;
  // Opens the sheet modally with the caption "Data Setup"; returns when it is closed.
  virtual void open() = 0;
  virtual void bringToFront() = 0;
  // The status check's record, for the tuner information window while the satellite page
  // is the active page and has that window open.
  virtual void showTunerInformation(const TunerInformation& info) = 0;

  // A new adapter address for the network card page, when that page exists.
  virtual void setNetworkCardAddress(uint32_t address) = 0;
  // The computer's addresses changed: the network card page shows them again when it is the
  // active page. After a new address (`newAddress`) an inactive page takes the adapter
  // address and refreshes when it next becomes active.
  virtual void hostAddressesChanged(bool newAddress) = 0;
};

}  // namespace cv7::app
