#include "CoordinationEndpoint.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QDBusVirtualObject>

#include "CoordinationMessage.h"
#include "CoordinationNames.h"

namespace cv7::coordination {

// The object on kObjectPath: every call to it goes to the endpoint, on the endpoint's thread.
class CoordinationEndpoint::BusObject : public QDBusVirtualObject {
 public:
  explicit BusObject(CoordinationEndpoint& endpoint) : endpoint_(endpoint) {}
  QString introspect(const QString& path) const override {
    (void)path;
    return QStringLiteral(
               "<interface name=\"%1\">"
               "<method name=\"%2\"><arg name=\"code\" type=\"i\" direction=\"in\"/>"
               "<arg name=\"value\" type=\"i\" direction=\"in\"/><arg type=\"i\" direction=\"out\"/></method>"
               "<signal name=\"%3\"><arg name=\"code\" type=\"i\"/><arg name=\"window\" type=\"s\"/></signal>"
               "</interface>")
        .arg(QLatin1String(endpoint_.ownInterface()), QLatin1String(kTuningMethod),
             QLatin1String(endpoint_.ownPresenceSignal()));
  }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    return endpoint_.dispatchCall(message, connection);
  }

 private:
  CoordinationEndpoint& endpoint_;
};

CoordinationEndpoint::CoordinationEndpoint(QDBusConnection connection, Role role, Listener& listener)
    : connection_(std::move(connection)), role_(role), listener_(listener) {}

CoordinationEndpoint::~CoordinationEndpoint() {
  if (!open_) return;
  connection_.disconnect(QString(), QLatin1String(kObjectPath), QLatin1String(peerInterface()),
                         QLatin1String(peerPresenceSignal()), this, SLOT(onPresenceSignal(QDBusMessage)));
  connection_.unregisterObject(QLatin1String(kObjectPath));
}

const char* CoordinationEndpoint::ownInterface() const { return role_ == Role::Data ? kDataInterface : kTvInterface; }
const char* CoordinationEndpoint::peerInterface() const { return role_ == Role::Data ? kTvInterface : kDataInterface; }
const char* CoordinationEndpoint::ownPresenceSignal() const {
  return role_ == Role::Data ? kDataNotifySignal : kTvNotifySignal;
}
const char* CoordinationEndpoint::peerPresenceSignal() const {
  return role_ == Role::Data ? kTvNotifySignal : kDataNotifySignal;
}

bool CoordinationEndpoint::open(QString* error) {
  if (open_) return true;
  if (!connection_.isConnected()) {
    if (error) *error = "no bus connection: " + connection_.lastError().message();
    return false;
  }
  object_ = std::make_unique<BusObject>(*this);
  object_->moveToThread(thread());
  if (!connection_.registerVirtualObject(QLatin1String(kObjectPath), object_.get())) {
    if (error) *error = QStringLiteral("the object path %1 is taken on this connection").arg(kObjectPath);
    object_.reset();
    return false;
  }
  // Every sender: the other side is known by its presence, not by a name it owns.
  if (!connection_.connect(QString(), QLatin1String(kObjectPath), QLatin1String(peerInterface()),
                           QLatin1String(peerPresenceSignal()), this, SLOT(onPresenceSignal(QDBusMessage)))) {
    if (error) *error = "cannot listen for presence signals: " + connection_.lastError().message();
    connection_.unregisterObject(QLatin1String(kObjectPath));
    object_.reset();
    return false;
  }
  open_ = true;
  return true;
}

QString CoordinationEndpoint::ownName() const { return connection_.baseService(); }

void CoordinationEndpoint::onPresenceSignal(const QDBusMessage& message) {
  QString reason;
  auto decoded = CoordinationMessage::decode(CoordinationMessage::Envelope::of(message), peerInterface(),
                                             ownInterface(), &reason);
  if (!decoded) {
    ++refused_;
    return;
  }
  listener_.onPresence(decoded->code, decoded->window);
}

bool CoordinationEndpoint::dispatchCall(const QDBusMessage& message, const QDBusConnection& connection) {
  if (message.type() != QDBusMessage::MethodCallMessage) return false;
  // Calls of the bus's standard interfaces (introspection, properties) are not ours.
  if (message.interface().startsWith(QLatin1String("org.freedesktop.DBus"))) return false;
  if (message.interface() != QLatin1String(ownInterface()) &&
      !(message.interface().isEmpty() && message.member() == QLatin1String(kTuningMethod)))
    return listener_.onOtherCall(message, connection);
  QString reason;
  auto decoded = CoordinationMessage::decode(CoordinationMessage::Envelope::of(message), peerInterface(),
                                             ownInterface(), &reason);
  if (!decoded) {
    ++refused_;
    connection.send(message.createErrorReply(QDBusError::InvalidArgs, reason));
    return true;
  }
  const int result = listener_.onTuning(decoded->code, decoded->value);
  connection.send(message.createReply(QVariant::fromValue<int>(result)));
  return true;
}

void CoordinationEndpoint::broadcastPresence(int code) {
  QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(kObjectPath), QLatin1String(ownInterface()),
                                                   QLatin1String(ownPresenceSignal()));
  signal.setArguments(CoordinationMessage::presenceArguments(code, ownName()));
  connection_.send(signal);
}

void CoordinationEndpoint::postPresence(int code, const QString& target) {
  if (target.isEmpty()) return;
  QDBusMessage signal = QDBusMessage::createTargetedSignal(target, QLatin1String(kObjectPath),
                                                           QLatin1String(ownInterface()),
                                                           QLatin1String(ownPresenceSignal()));
  signal.setArguments(CoordinationMessage::presenceArguments(code, ownName()));
  connection_.send(signal);
}

QDBusMessage CoordinationEndpoint::tuningCall(const QString& target, int code, int value) const {
  QDBusMessage call = QDBusMessage::createMethodCall(target, QLatin1String(kObjectPath),
                                                     QLatin1String(peerInterface()), QLatin1String(kTuningMethod));
  call.setArguments(CoordinationMessage::tuningArguments(code, value));
  return call;
}

std::optional<int> CoordinationEndpoint::answerOf(const QDBusMessage& reply, QString* error) {
  if (reply.type() != QDBusMessage::ReplyMessage) {
    if (error) *error = reply.errorName() + ": " + reply.errorMessage();
    return std::nullopt;
  }
  const QVariantList args = reply.arguments();
  if (args.size() != 1 || args[0].metaType().id() != QMetaType::Int) {
    if (error) *error = QStringLiteral("the answer is not one int32");
    return std::nullopt;
  }
  return args[0].toInt();
}

std::optional<int> CoordinationEndpoint::sendTuning(const QString& target, int code, int value, int timeoutMs,
                                                    QString* error) {
  // Blocks this thread only: no other message of this program is handled meanwhile, as
  // with a window message sent to another program.
  return answerOf(connection_.call(tuningCall(target, code, value), QDBus::Block, timeoutMs), error);
}

std::optional<int> CoordinationEndpoint::sendTuningServing(const QString& target, int code, int value,
                                                           int timeoutMs, QString* error) {
  return answerOf(callServing(tuningCall(target, code, value), timeoutMs), error);
}

QDBusMessage CoordinationEndpoint::callServing(const QDBusMessage& call, int timeoutMs) {
  QDBusPendingCallWatcher watcher(connection_.asyncCall(call, timeoutMs));
  if (!watcher.isFinished()) {
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return watcher.reply();
}

bool CoordinationEndpoint::showWindow(const char* windowName) {
  auto reply = connection_.interface()->registerService(QLatin1String(windowName),
                                                        QDBusConnectionInterface::QueueService,
                                                        QDBusConnectionInterface::DontAllowReplacement);
  return reply.isValid() && reply.value() != QDBusConnectionInterface::ServiceNotRegistered;
}

void CoordinationEndpoint::hideWindow(const char* windowName) {
  connection_.interface()->unregisterService(QLatin1String(windowName));
}

bool CoordinationEndpoint::windowExists(const char* windowName) const {
  auto reply = connection_.interface()->isServiceRegistered(QLatin1String(windowName));
  return reply.isValid() && reply.value();
}

}  // namespace cv7::coordination
