// The satellite page's "Lock Test...", "Scan..." and "Auto Scan..." buttons: each tunes the
// card (the selected transponder, or every transponder in turn), runs its dialog, and
// leaves the sheet's caption naming what the card is tuned to. Scan and Auto Scan are
// refused while another program shows a scan window.
//
// Window thread only.
#pragma once

namespace cv7::app {

class CPage2;
class CPropSheet;
struct SetupServices;

class ScanFlows {
 public:
  ScanFlows(CPropSheet& sheet, CPage2& page);

  void lockTest();
  void scan();
  void autoScan();

 private:
  // True (and the user told) while a scan window of another program exists.
  bool refusedByOtherScan();
  // Tunes the selected transponder; false when the list has no selected row (nothing done).
  bool tuneSelected(int* result);
  // The caption names the tuned satellite and transponder, or says that none is tuned.
  void showTunedCaption();

  CPropSheet& sheet_;
  CPage2& page_;
  SetupServices& services_;
};

}  // namespace cv7::app
