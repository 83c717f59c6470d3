// The scan windows that the data application and a TV application show to each other: a
// program that shows "Auto Scan - all transponder" or "Scan - selected transponder" makes it
// known for as long as the window exists, and neither application starts a scan while
// another program shows one. The TV coordination implements it on the session bus; without
// it (no bus) no window is ever seen.
#pragma once

namespace cv7::app {

class ScanWindows {
 public:
  virtual ~ScanWindows() = default;
  // True while some program shows a scan window.
  virtual bool scanWindowExists() = 0;
  // Shows (or hides) the data application's own scan window of that kind to the others.
  virtual void announceScanWindow(bool autoScan, bool shown) = 0;
};

}  // namespace cv7::app
