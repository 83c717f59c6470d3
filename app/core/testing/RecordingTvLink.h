// A link to TV applications for tests: records what the data application sends, one line
// per message ("broadcast 1", "post 3 :1.7", "tuning :1.7 1 101"), and answers window
// queries from a set the test fills.
#pragma once
#include <QSet>
#include <QStringList>

#include "TvLink.h"

namespace cv7::app {

class RecordingTvLink : public TvLink {
 public:
  QStringList sent;
  QSet<QString> windows;  // bus names of the windows that exist

  QString ownWindow() const override { return QStringLiteral(":1.1"); }
  void broadcastDataNotify(int code) override { sent << QStringLiteral("broadcast %1").arg(code); }
  void postDataNotify(int code, const QString& window) override {
    sent << QStringLiteral("post %1 %2").arg(code).arg(window);
  }
  void sendTuning(const QString& window, int code, int value) override {
    sent << QStringLiteral("tuning %1 %2 %3").arg(window).arg(code).arg(value);
  }
  bool windowExists(const char* windowName) const override { return windows.contains(windowName); }
  void announceWindow(const char* windowName, bool shown) override {
    if (shown)
      windows.insert(windowName);
    else
      windows.remove(windowName);
  }
};

}  // namespace cv7::app
