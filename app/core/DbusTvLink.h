// The TV coordination on the D-Bus session bus (docs/coordination.md): the data
// application's endpoint, which hands the TV application's presence signals and tuning
// messages to TvCoordination and sends the data application's. It also answers the
// diagnostics call State with TvCoordination's report.
#pragma once
#include <QDBusConnection>
#include <QString>

#include "CoordinationEndpoint.h"
#include "TvCoordination.h"
#include "TvLink.h"

namespace cv7::app {

class DbusTvLink : public TvLink, private coordination::CoordinationEndpoint::Listener {
 public:
  DbusTvLink(QDBusConnection connection, TvCoordination& coordination);
  ~DbusTvLink() override { close(); }
  DbusTvLink(const DbusTvLink&) = delete;
  DbusTvLink& operator=(const DbusTvLink&) = delete;

  // The session bus when one can be reached; `why` says why not.
  static bool sessionBusAvailable(QString* why);

  // Registers on the bus and becomes the coordination's link; false with `error` when the
  // bus refuses.
  bool open(QString* error = nullptr);
  // Leaves the coordination's link (the coordination is then off).
  void close();
  int refusedMessages() const { return endpoint_.refusedMessages(); }

  QString ownWindow() const override;
  void broadcastDataNotify(int code) override;
  void postDataNotify(int code, const QString& window) override;
  void sendTuning(const QString& window, int code, int value) override;
  bool windowExists(const char* windowName) const override;
  void announceWindow(const char* windowName, bool shown) override;

 private:
  void onPresence(int code, const QString& window) override;
  int onTuning(int code, int value) override;
  bool onOtherCall(const QDBusMessage& call, const QDBusConnection& connection) override;

  TvCoordination& coordination_;
  coordination::CoordinationEndpoint endpoint_;
};

}  // namespace cv7::app
