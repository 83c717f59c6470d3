#include "CoordinationMessage.h"

#include <QMetaType>

#include "CoordinationNames.h"

namespace cv7::coordination {
namespace {

// Only the exact D-Bus types count: a code sent as an unsigned or a text is refused, as a
// window message parameter of another type would not be what the peer meant.
bool isInt32(const QVariant& v) { return v.metaType().id() == QMetaType::Int; }
bool isString(const QVariant& v) { return v.metaType().id() == QMetaType::QString; }

std::optional<CoordinationMessage> refuse(QString* reason, const QString& why) {
  if (reason) *reason = why;
  return std::nullopt;
}

}  // namespace

CoordinationMessage::Envelope CoordinationMessage::Envelope::of(const QDBusMessage& message) {
  return {message.type(), message.interface(), message.member(), message.service(), message.arguments()};
}

std::optional<CoordinationMessage> CoordinationMessage::decode(const Envelope& e, const char* presenceInterface,
                                                               const char* tuningInterface, QString* reason) {
  const QVariantList& args = e.arguments;
  if (e.type == QDBusMessage::SignalMessage && e.interface == QLatin1String(presenceInterface)) {
    const char* expected =
        QLatin1String(presenceInterface) == QLatin1String(kDataInterface) ? kDataNotifySignal : kTvNotifySignal;
    if (e.member != QLatin1String(expected)) return refuse(reason, "unknown signal " + e.member);
    if (args.size() != 2 || !isInt32(args[0]) || !isString(args[1]))
      return refuse(reason, "presence signal needs (int32 code, string window)");
    const QString window = args[1].toString();
    // A window is the sender's own name: a program cannot make the receiver talk to a third.
    if (!window.isEmpty() && window != e.sender) return refuse(reason, "window " + window + " is not the sender's");
    return CoordinationMessage{Kind::Presence, args[0].toInt(), 0, window};
  }
  // A call may leave its interface out; the method's name then says enough.
  if (e.type == QDBusMessage::MethodCallMessage &&
      (e.interface.isEmpty() || e.interface == QLatin1String(tuningInterface))) {
    if (e.member != QLatin1String(kTuningMethod)) return refuse(reason, "unknown method " + e.member);
    if (args.size() != 2 || !isInt32(args[0]) || !isInt32(args[1]))
      return refuse(reason, "tuning needs (int32 code, int32 value)");
    return CoordinationMessage{Kind::Tuning, args[0].toInt(), args[1].toInt(), {}};
  }
  return refuse(reason, "not a coordination message");
}

QVariantList CoordinationMessage::presenceArguments(int code, const QString& window) {
  return {QVariant::fromValue<int>(code), QVariant::fromValue(window)};
}

QVariantList CoordinationMessage::tuningArguments(int code, int value) {
  return {QVariant::fromValue<int>(code), QVariant::fromValue<int>(value)};
}

}  // namespace cv7::coordination
