#include "DbusTvLink.h"

#include "CoordinationNames.h"
#include "Trace.h"

namespace cv7::app {

namespace co = cv7::coordination;

DbusTvLink::DbusTvLink(QDBusConnection connection, TvCoordination& coordination)
    : coordination_(coordination), endpoint_(std::move(connection), co::CoordinationEndpoint::Role::Data, *this) {}

bool DbusTvLink::sessionBusAvailable(QString* why) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) return true;
  if (why) *why = bus.lastError().message();
  return false;
}

bool DbusTvLink::open(QString* error) {
  if (!endpoint_.open(error)) return false;
  coordination_.setLink(this);
  return true;
}

void DbusTvLink::close() {
  if (coordination_.link() == this) coordination_.setLink(nullptr);
}

QString DbusTvLink::ownWindow() const { return endpoint_.ownName(); }

void DbusTvLink::broadcastDataNotify(int code) { endpoint_.broadcastPresence(code); }

void DbusTvLink::postDataNotify(int code, const QString& window) { endpoint_.postPresence(code, window); }

void DbusTvLink::sendTuning(const QString& window, int code, int value) {
  QString error;
  if (!endpoint_.sendTuning(window, code, value, co::kTuningTimeoutMs, &error))
    trace(QStringLiteral("tuning message %1 %2 to %3 not answered: %4").arg(code).arg(value).arg(window, error));
}

bool DbusTvLink::windowExists(const char* windowName) const { return endpoint_.windowExists(windowName); }

void DbusTvLink::announceWindow(const char* windowName, bool shown) {
  if (shown)
    endpoint_.showWindow(windowName);
  else
    endpoint_.hideWindow(windowName);
}

void DbusTvLink::onPresence(int code, const QString& window) { coordination_.onTvNotify(code, window); }

int DbusTvLink::onTuning(int code, int value) { return coordination_.OnReceiveFromVideo(code, value); }

bool DbusTvLink::onOtherCall(const QDBusMessage& call, const QDBusConnection& connection) {
  if (call.interface() != QLatin1String(co::kDiagnosticsInterface) || call.member() != QLatin1String(co::kStateMethod))
    return false;
  QVariantMap report = coordination_.stateReport();
  report.insert(QStringLiteral("RefusedMessages"), endpoint_.refusedMessages());  // dropped, so counted
  connection.send(call.createReply(QVariant::fromValue(report)));
  return true;
}

}  // namespace cv7::app
