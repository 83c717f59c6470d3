// The sending half of the TV coordination: how the data application reaches TV
// applications (on Linux: the D-Bus session bus, DbusTvLink). A "window" is a peer's
// unique bus name.
#pragma once
#include <QString>

namespace cv7::app {

class TvLink {
 public:
  virtual ~TvLink() = default;
  // The data application's own window.
  virtual QString ownWindow() const = 0;
  // Data notify to every program (codes 1 and 2).
  virtual void broadcastDataNotify(int code) = 0;
  // Data notify to one window only (code 3); a window that has gone away gets nothing.
  virtual void postDataNotify(int code, const QString& window) = 0;
  // Message 1046 to the TV window, waiting a short, bounded time for its answer (unused).
  virtual void sendTuning(const QString& window, int code, int value) = 0;
  // Whether some program shows the window with this bus name (CoordinationNames.h).
  virtual bool windowExists(const char* windowName) const = 0;
  // Shows or hides one of the data application's own scan windows to the other programs.
  virtual void announceWindow(const char* windowName, bool shown) = 0;
};

}  // namespace cv7::app
