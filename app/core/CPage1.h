// The network card page (149) of the setup sheet without its widgets: the card's firmware and
// driver versions and its MAC address, the computer's IPv4 addresses of which the card's
// adapter uses one, and the option to take every newly detected address without a question.
// The sheet's OK commits the choices (Commit); Cancel leaves them.
//
// Window thread only. The network worker's new adapter addresses reach the page through the
// sheet, carried over to the window thread.
#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

namespace cv7::app {

class CPropSheet;
class IpAddressUpkeep;
struct SetupServices;

class CPage1 {
 public:
  explicit CPage1(CPropSheet& sheet);

  // The page's window was created: the sheet's title, the versions and MAC address, the
  // address list around the address in use, and the check box as stored.
  void OnInitDialog();
  // The page became the active one: a refresh asked for meanwhile is made.
  void OnSetActive();
  // Check box 1048 was clicked; the address list is usable exactly while it is clear.
  void OnClickAlwaysNew(bool checked);
  // Combo 1197's selection changed to entry `index` (-1: none).
  void OnSelectAddress(int index);
  // The network worker gave the adapter `address`. `shown`: the page is the active one, which
  // shows the list again at once; otherwise it does so when it next becomes active.
  void OnNewAdapterAddress(uint32_t address, bool shown);
  // The computer's addresses changed (an address appeared or went away).
  void OnHostAddressesChanged(bool shown);

  void ShowVersionsAndAddresses();
  // Lists the computer's addresses and selects the one the adapter uses. When none of them is
  // the address in use, no entry is selected and the address in use stays the chosen one.
  void FillAddressList();
  // The sheet's OK: stores a changed check box, and gives the adapter a chosen address that
  // is not the one in use (and stores it).
  void Commit();

  // What the controls show.
  QString firmwareText;          // static 1248
  QString driverText;            // static 1249
  QString permanentAddressText;  // static 1203
  QString stationAddressText;    // static 1204
  bool alwaysNew = false;        // check box 1048
  bool addressListEnabled() const { return !alwaysNew; }
  QStringList addressTexts;      // combo 1197
  int addressIndex = -1;
  std::function<void()> changed;

  bool alwaysNewAtOpening = false;
  uint32_t chosenAddress = 0;  // what OK gives the adapter
  bool refreshPending = false;

 private:
  uint32_t addressInUse() const;
  void showTitle();
  void notifyChanged();

  CPropSheet& sheet_;
  SetupServices& services_;
  std::vector<uint32_t> addresses_;  // the entries of combo 1197
};

}  // namespace cv7::app
