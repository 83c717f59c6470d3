// Fuzzes the decoding of coordination messages as they come off the session bus: any
// message type, interface, member and sender, with any number of arguments of any D-Bus
// type. A decoded presence signal must name its sender's window (or none), a decoded tuning
// call must carry exactly the two int32 values it was given, and a tuning value decodes to
// a position only inside the valid range, encoding back to itself.
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "CoordinationMessage.h"
#include "CoordinationNames.h"
#include "TuningPosition.h"

namespace co = cv7::coordination;

namespace {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  int32_t int32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | byte();
    return int32_t(v);
  }
  QString text() {
    const size_t length = byte() % 24;
    QByteArray bytes;
    for (size_t i = 0; i < length; ++i) bytes.append(char(byte()));
    return QString::fromUtf8(bytes);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

QString pick(Input& in, const QStringList& known) {
  const uint8_t choice = in.byte();
  return choice < known.size() * 40 ? known[choice % known.size()] : in.text();
}

QVariant argument(Input& in, std::vector<int32_t>& ints) {
  switch (in.byte() % 10) {
    case 0:
    case 1: {
      const int32_t v = in.int32();
      ints.push_back(v);
      return QVariant::fromValue<int>(v);
    }
    case 2: return QVariant::fromValue(in.text());
    case 3: return QVariant::fromValue(uint32_t(in.int32()));
    case 4: return QVariant::fromValue(double(in.int32()) / 7);
    case 5: return QVariant::fromValue(bool(in.byte() & 1));
    case 6: return QVariant::fromValue(qlonglong(in.int32()));
    case 7: return QVariant::fromValue(QStringList{in.text(), in.text()});
    case 8: return QVariant::fromValue(QDBusVariant(QVariant::fromValue<int>(in.int32())));
    default: return QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/tvk/Cv7")));
  }
}

void check(const co::CoordinationMessage::Envelope& e, const std::vector<int32_t>& ints, const char* presence,
           const char* tuning) {
  QString reason;
  auto decoded = co::CoordinationMessage::decode(e, presence, tuning, &reason);
  if (!decoded) {
    if (reason.isEmpty()) std::abort();
    return;
  }
  if (e.arguments.size() != 2) std::abort();
  if (decoded->kind == co::CoordinationMessage::Kind::Presence) {
    if (e.type != QDBusMessage::SignalMessage || e.interface != QLatin1String(presence)) std::abort();
    if (!decoded->window.isEmpty() && decoded->window != e.sender) std::abort();
    if (ints.empty() || decoded->code != ints[0]) std::abort();
  } else {
    if (e.type != QDBusMessage::MethodCallMessage || e.member != QLatin1String(co::kTuningMethod)) std::abort();
    if (ints.size() != 2 || decoded->code != ints[0] || decoded->value != ints[1]) std::abort();
    if (auto position = co::TuningPosition::decode(decoded->value)) {
      if (decoded->value <= 0 || decoded->value >= 100000 || position->encode() != decoded->value) std::abort();
      if (position->transponder < 0 || position->transponder > 99) std::abort();
    } else if (co::TuningPosition::valid(decoded->value)) {
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  const QDBusMessage::MessageType types[] = {QDBusMessage::SignalMessage, QDBusMessage::MethodCallMessage,
                                             QDBusMessage::ReplyMessage, QDBusMessage::ErrorMessage,
                                             QDBusMessage::InvalidMessage};
  co::CoordinationMessage::Envelope e;
  e.type = types[in.byte() % 5];
  e.interface = pick(in, {co::kDataInterface, co::kTvInterface, QString(), co::kDiagnosticsInterface});
  e.member = pick(in, {co::kDataNotifySignal, co::kTvNotifySignal, co::kTuningMethod});
  e.sender = pick(in, {":1.7", ":1.8", QString()});
  std::vector<int32_t> ints;
  const int count = in.byte() % 5;
  for (int i = 0; i < count; ++i) {
    // A window argument is often the sender's own name.
    if (in.byte() % 3 == 0) {
      e.arguments.append(QVariant::fromValue(in.byte() & 1 ? e.sender : QString()));
    } else {
      e.arguments.append(argument(in, ints));
    }
  }
  check(e, ints, co::kTvInterface, co::kDataInterface);  // as the data application decodes
  check(e, ints, co::kDataInterface, co::kTvInterface);  // as a TV application decodes
  return 0;
}
