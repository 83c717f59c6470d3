// The adapter's IP address: at the network start-up the card's adapter takes the stored
// address when it is one of the computer's, else the computer's first; afterwards each check
// looks for an address that has appeared (given to the adapter, at once or after asking,
// and stored) or for the list having become shorter after such an address (the adapter
// goes back to the computer's first address when its own has gone).
//
// Runs on the network worker; the adapter address and the known list may be read from any
// thread. The network card page looks the computer's addresses up and chooses the adapter's
// address from the window thread; look-ups never run at the same time.
#pragma once
#include <corvane.h>

#include <QString>
#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

#include "ConfigurationStore.h"
#include "HostAddressSource.h"
#include "SetupSheet.h"
#include "UserInterface.h"

namespace cv7::app {

class IpAddressUpkeep {
 public:
  IpAddressUpkeep(const ConfigurationStore& store, UserInterface& ui, HostAddressSource& source, SetupSheet& sheet);

  // Fills the known list, gives the adapter its address (not stored) and sets the network
  // PIDs of the selected data services, which the window thread read before the worker
  // started. Returns 1 (the sockets need no start on this platform).
  int networkStartup(const std::vector<NetPid>& selectedPids);
  // One check after a status tick.
  void ipAddressCheck();

  // The address given to the adapter; 0 = none.
  uint32_t adapterAddress() const { return adapter_.load(); }
  // The computer's addresses as the upkeep knows them.
  std::vector<uint32_t> knownAddresses() const;
  // A look-up of the computer's addresses from the source the checks use; nothing when they
  // cannot be read. Any thread.
  std::optional<std::vector<uint32_t>> lookUpHostAddresses();
  // The user's choice: the adapter takes `address`, which is stored. Any thread.
  void useAddress(uint32_t address);

  // "192.168.1.20" for an address with the first octet in the low byte.
  static QString dottedText(uint32_t address);
  static CvnIpAddress octets(uint32_t address);

 private:
  void handleNewAddress(const std::vector<uint32_t>& found);
  void handleShorterList(const std::vector<uint32_t>& found);
  // Appends to the known list; a full list first drops what the look-up no longer reports,
  // and then, when still full, its oldest entry.
  void remember(uint32_t address, const std::vector<uint32_t>& found);
  // The adapter takes `address`; `store` writes it, `tellSheet` gives it to the network card page.
  void giveAdapter(uint32_t address, bool store, bool tellSheet);
  bool askBeforeChanging() const;

  const ConfigurationStore& store_;
  UserInterface& ui_;
  HostAddressSource& source_;
  SetupSheet& sheet_;

  std::mutex sourceMutex_;  // one look-up at a time
  mutable std::mutex mutex_;
  std::vector<uint32_t> known_;  // the host address list, at most 20, guarded by mutex_
  std::atomic<uint32_t> adapter_{0};
  bool newAddressSeen_ = false;  // worker only
};

}  // namespace cv7::app
