// One coordination message as a receiver takes it from the bus: a presence signal
// (DataNotify, TvNotify) or a tuning call, checked for its interface, member, argument count
// and argument types. Anything else, and a presence signal that names another program's
// window than its sender's, is refused with a reason; a receiver then ignores the signal or
// answers the call with an error. The values (codes, positions) are the receiver's logic to
// judge.
#pragma once
#include <QDBusMessage>
#include <QString>
#include <QVariantList>
#include <optional>

namespace cv7::coordination {

class CoordinationMessage {
 public:
  enum class Kind { Presence, Tuning };

  // The parts of a bus message that decoding looks at.
  struct Envelope {
    QDBusMessage::MessageType type = QDBusMessage::InvalidMessage;
    QString interface;
    QString member;
    QString sender;  // the sender's unique name
    QVariantList arguments;
    static Envelope of(const QDBusMessage& message);
  };

  Kind kind = Kind::Presence;
  int code = 0;
  int value = 0;   // tuning only
  QString window;  // presence only: the sender's unique name, or empty where it is not used

  // A message for a receiver that takes `presenceInterface`'s presence signal and
  // `tuningInterface`'s tuning calls (the data application: kTvInterface and kDataInterface;
  // a TV application: the reverse). `reason` names a refusal.
  static std::optional<CoordinationMessage> decode(const Envelope& envelope, const char* presenceInterface,
                                                   const char* tuningInterface, QString* reason = nullptr);

  // The arguments of a message to send.
  static QVariantList presenceArguments(int code, const QString& window);
  static QVariantList tuningArguments(int code, int value);
};

}  // namespace cv7::coordination
