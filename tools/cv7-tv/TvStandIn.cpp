#include "TvStandIn.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>

#include "CoordinationNames.h"
#include "TuningPosition.h"

namespace cv7tv {

namespace co = cv7::coordination;

namespace {

constexpr int kDataAnswerTimeoutMs = 30000;  // the data application may retry its files meanwhile
constexpr int kSearchTimeoutMs = 15000;

TvStandIn::Outcome done(const QString& text) { return {0, text}; }
TvStandIn::Outcome failed(const QString& text) { return {1, text}; }
TvStandIn::Outcome usage(const QString& text) { return {2, "usage: cv7-tv " + text}; }

std::optional<int> integer(const QString& text) {
  bool ok = false;
  const int value = text.toInt(&ok, 0);
  return ok ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

TvStandIn::TvStandIn(QDBusConnection bus, const cv7::registry::Registry& registry, Options options)
    : bus_(bus), satellites_(registry), options_(options), endpoint_(bus, co::CoordinationEndpoint::Role::Tv, *this) {
  connect(&library_, &TvLibrary::cardEvent, this, [this](int value) { say(QStringLiteral("card-event %1").arg(value)); });
}

void TvStandIn::say(const QString& line) const {
  std::printf("%s\n", qPrintable(line));
  std::fflush(stdout);
}

bool TvStandIn::start(QString* error) {
  if (!endpoint_.open(error)) return false;
  auto claimed = bus_.interface()->registerService(QLatin1String(kControlName), QDBusConnectionInterface::DontQueueService,
                                                   QDBusConnectionInterface::DontAllowReplacement);
  if (!claimed.isValid() || claimed.value() != QDBusConnectionInterface::ServiceRegistered) {
    if (error) *error = QStringLiteral("another cv7-tv runs on this bus (%1 is taken)").arg(kControlName);
    return false;
  }
  if (options_.library && !library_.open()) say("warning: the library cannot reach the cv7 daemon; no tuning or scanning");
  say("window " + endpoint_.ownName());
  if (options_.announce) {
    endpoint_.broadcastPresence(co::kTvStart);
    say("sent tv-notify 1 to all");
  }
  return true;
}

void TvStandIn::stop() {
  endpoint_.broadcastPresence(co::kTvStop);
  say("sent tv-notify 2 to all");
  for (const QString& window : shownWindows_) endpoint_.hideWindow(qPrintable(window));
  QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void TvStandIn::onPresence(int code, const QString& window) {
  say(QStringLiteral("received data-notify %1 from %2").arg(code).arg(window));
  switch (code) {
    case co::kDataStarted:
      // A data application started after this one: make this window known to it.
      dataWindow_ = window;
      endpoint_.postPresence(co::kTvLiving, dataWindow_);
      say("sent tv-notify 3 to " + dataWindow_);
      break;
    case co::kDataEnds:
      if (window == dataWindow_) dataWindow_.clear();
      break;
    case co::kDataAnswer: dataWindow_ = window; break;
    default: break;
  }
}

int TvStandIn::onTuning(int code, int value) {
  say(QStringLiteral("received tuning %1 %2").arg(code).arg(value));
  return 0;
}

bool TvStandIn::onOtherCall(const QDBusMessage& call, const QDBusConnection& connection) {
  if (call.interface() != QLatin1String(kControlInterface) || call.member() != QLatin1String(kCommandMethod))
    return false;
  const QVariantList args = call.arguments();
  if (args.size() != 1 || args[0].metaType().id() != QMetaType::QStringList) {
    connection.send(call.createErrorReply(QDBusError::InvalidArgs, "Command takes (as)"));
    return true;
  }
  Outcome outcome;
  if (busy_) {
    outcome = failed("busy with another command");
  } else {
    busy_ = true;
    outcome = run(args[0].toStringList());
    busy_ = false;
  }
  say(QStringLiteral("command %1 -> %2 %3").arg(args[0].toStringList().join(' ')).arg(outcome.status).arg(outcome.text));
  connection.send(call.createReply({QVariant::fromValue<int>(outcome.status), QVariant::fromValue(outcome.text)}));
  return true;
}

TvStandIn::Outcome TvStandIn::run(const QStringList& args) {
  const QString command = args.value(0);
  const QStringList rest = args.mid(1);
  if (command == "tune") return tune(rest);
  if (command == "report") return report(rest);
  if (command == "delete-satellite" || command == "add-satellite") return changeSatelliteList(args);
  if (command == "add-transponder" || command == "delete-transponder") return changeTransponders(args);
  if (command == "reopen-favourites") return sendToData(co::kReopenFavorites, 0);
  if (command == "scan") return scan(rest);
  if (command == "scan-window") return scanWindow(rest);
  if (command == "start") {
    endpoint_.broadcastPresence(co::kTvStart);
    return done("sent tv-notify 1 to all");
  }
  if (command == "notify") {
    // Any presence code without its consequences here (TV STOP without ending, say).
    auto code = integer(rest.value(0));
    if (!code) return usage("notify CODE");
    endpoint_.broadcastPresence(*code);
    return done(QStringLiteral("sent tv-notify %1 to all").arg(*code));
  }
  if (command == "living") {
    if (dataWindow_.isEmpty()) return failed("no data application known");
    endpoint_.postPresence(co::kTvLiving, dataWindow_);
    return done("sent tv-notify 3 to " + dataWindow_);
  }
  if (command == "status") return status();
  if (command == "data-state") return dataState();
  if (command == "stop") {
    stop();
    return done("stopped");
  }
  return usage("run | tune | report | add-satellite | delete-satellite | add-transponder | delete-transponder | "
               "reopen-favourites | scan | scan-window | start | notify | living | status | data-state | stop");
}

TvStandIn::Outcome TvStandIn::sendToData(int code, int value) {
  if (dataWindow_.isEmpty()) return failed("no data application known");
  QString error;
  auto answer = endpoint_.sendTuningServing(dataWindow_, code, value, kDataAnswerTimeoutMs, &error);
  say(QStringLiteral("sent tuning %1 %2 to %3: %4")
          .arg(code)
          .arg(value)
          .arg(dataWindow_, answer ? QStringLiteral("answer %1").arg(*answer) : "no answer (" + error + ")"));
  if (!answer) return failed("the data application did not answer: " + error);
  return done(QStringLiteral("sent tuning %1 %2").arg(code).arg(value));
}

TvStandIn::Outcome TvStandIn::tune(const QStringList& args) {
  const bool changing = args.contains("--changing");
  auto value = integer(args.value(0));
  auto position = value ? co::TuningPosition::decode(*value) : std::nullopt;
  if (!position) return usage("tune POSITION [--changing]   (POSITION = satellite index x 100 + transponder)");
  if (!library_.isOpen()) return failed("no library");
  auto satellite = satellites_.at(position->satellite);
  if (!satellite) return failed(QStringLiteral("no satellite %1 in the shared list").arg(position->satellite));
  std::string error;
  if (!library_.loadFile(satellite->file, error))
    return failed(QString::fromStdString(satellite->file + ": " + error));
  LnbInfo lnb{};
  TrInfo tr{};
  Cvn_GetSatelliteInformation(&lnb);
  if (position->transponder == 0 || !Cvn_GetInfoTransponder(uint32_t(position->transponder), &tr))
    return failed(QStringLiteral("%1 has no transponder %2").arg(QString::fromStdString(satellite->name)).arg(position->transponder));
  // The data application lets go of its PIDs before the tuner moves.
  if (!dataWindow_.isEmpty()) sendToData(co::kAboutToTune, co::kAboutToTune);
  const int result = Cvn_TunerLockTest(lnb, tr);
  satellite_ = satellite->name;
  transponder_ = position->transponder;
  satellites_.rememberTuning(satellite->name, tr.Frequency, tr.SymbolRate);
  int code = result == CVN_OK ? co::kLocked : co::kLockFailed;
  if (changing) code += co::kPendingChanges;
  const QString verdict = result == CVN_OK ? "locked" : QStringLiteral("not locked (%1)").arg(result);
  if (!dataWindow_.isEmpty()) sendToData(code, *value);
  return done(verdict);
}

TvStandIn::Outcome TvStandIn::report(const QStringList& args) {
  auto code = integer(args.value(0));
  auto value = args.size() > 1 ? integer(args[1]) : std::optional<int>(0);
  if (!code || !value) return usage("report CODE [VALUE]");
  return sendToData(*code, *value);
}

int TvStandIn::currentPosition() const {
  const int index = satellite_.empty() ? 0 : satellites_.indexOf(satellite_);
  return index * 100 + (index ? transponder_ : 0);
}

TvStandIn::Outcome TvStandIn::changeSatelliteList(const QStringList& args) {
  std::vector<Satellite> list = satellites_.list();
  if (args[0] == "delete-satellite") {
    auto index = integer(args.value(1));
    if (!index) return usage("delete-satellite INDEX");
    if (*index < 1 || size_t(*index) > list.size())
      return failed(QStringLiteral("no satellite %1 in a list of %2").arg(*index).arg(list.size()));
    list.erase(list.begin() + (*index - 1));
  } else {
    if (args.size() != 3) return usage("add-satellite NAME FILE");
    list.push_back({args[1].toStdString(), args[2].toStdString()});
  }
  if (!satellites_.write(list)) return failed("cannot write the shared store");
  return sendToData(co::kSatelliteListChanged, currentPosition());
}

TvStandIn::Outcome TvStandIn::changeTransponders(const QStringList& args) {
  const bool add = args[0] == "add-transponder";
  auto index = integer(args.value(1));
  std::optional<int> frequency = integer(args.value(2)), symbolRate = integer(args.value(3)),
                     polarity = integer(args.value(4));
  if (!index || !frequency || (add && (!symbolRate || !polarity)))
    return usage("add-transponder SATELLITE FREQUENCY_KHZ SYMBOL_RATE POLARITY | delete-transponder SATELLITE NUMBER");
  if (!library_.isOpen()) return failed("no library");
  auto satellite = satellites_.at(*index);
  if (!satellite) return failed(QStringLiteral("no satellite %1 in the shared list").arg(*index));
  std::string error;
  if (!library_.loadFile(satellite->file, error)) return failed(QString::fromStdString(error));
  if (add) {
    TrInfo tr{0, uint32_t(*frequency), uint32_t(*symbolRate), uint32_t(*polarity), 0, {}};
    if (!Cvn_AddTransponder(&tr)) return failed("the library refused the transponder");
  } else if (!Cvn_DeleteTransponder(uint32_t(*frequency))) {
    return failed(QStringLiteral("no transponder %1").arg(*frequency));
  }
  if (!library_.saveFile(satellite->file, error)) return failed(QString::fromStdString(error));
  return sendToData(co::kDataFileChanged, *index * 100);
}

TvStandIn::Outcome TvStandIn::scanWindow(const QStringList& args) {
  const char* name = args.contains("--auto") ? co::kAutoScanWindowName : co::kScanWindowName;
  if (args.value(0) == "open") {
    if (!endpoint_.showWindow(name)) return failed("the bus refused the window's name");
    shownWindows_.append(name);
    return done(QStringLiteral("shown %1").arg(name));
  }
  if (args.value(0) == "close") {
    endpoint_.hideWindow(name);
    shownWindows_.removeAll(name);
    return done(QStringLiteral("hidden %1").arg(name));
  }
  return usage("scan-window open|close [--auto]");
}

TvStandIn::Outcome TvStandIn::scan(const QStringList& args) {
  if (!library_.isOpen()) return failed("no library");
  if (endpoint_.windowExists(co::kAutoScanWindowName) || endpoint_.windowExists(co::kScanWindowName))
    return failed("a scan window is open already");
  const bool autoScan = args.contains("--auto");
  const char* name = autoScan ? co::kAutoScanWindowName : co::kScanWindowName;
  endpoint_.showWindow(name);
  if (!dataWindow_.isEmpty()) sendToData(co::kScanning, 0);

  std::optional<SiList> found;
  QEventLoop loop;
  auto connection = connect(&library_, &TvLibrary::searchResult, &loop, [&](const SiList& list) {
    found = list;
    loop.quit();
  });
  QTimer::singleShot(kSearchTimeoutMs, &loop, &QEventLoop::quit);
  const bool started = Cvn_SearchChannel(1) == 1;
  if (started) loop.exec();
  disconnect(connection);
  if (!args.contains("--hold"))
    endpoint_.hideWindow(name);
  else
    shownWindows_.append(name);
  if (!started) return failed("the card refused the search");
  if (!found) return failed("no search result");
  return done(QStringLiteral("transponder %1: %2 programs, %3 data services")
                  .arg(found->Tr.TransponderNumber)
                  .arg(found->ProgramCount)
                  .arg(found->DataCount));
}

TvStandIn::Outcome TvStandIn::status() const {
  return done(QStringLiteral("window %1; data %2; satellite %3; position %4")
                  .arg(endpoint_.ownName(), dataWindow_.isEmpty() ? "none" : dataWindow_,
                       satellite_.empty() ? "none" : QString::fromStdString(satellite_))
                  .arg(currentPosition()));
}

TvStandIn::Outcome TvStandIn::dataState() {
  if (dataWindow_.isEmpty()) return failed("no data application known");
  QDBusMessage call = QDBusMessage::createMethodCall(dataWindow_, co::kObjectPath, co::kDiagnosticsInterface,
                                                     co::kStateMethod);
  const QDBusMessage reply = endpoint_.callServing(call, 5000);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
    return failed("no state: " + reply.errorMessage());
  const QVariantMap state = qdbus_cast<QVariantMap>(reply.arguments().first());
  QStringList lines;
  for (auto it = state.begin(); it != state.end(); ++it) lines.append(it.key() + "=" + it.value().toString());
  return done(lines.join('\n'));
}

}  // namespace cv7tv
