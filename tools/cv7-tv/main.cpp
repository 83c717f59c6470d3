// cv7-tv: a TV application stand-in for the coordination with the data application.
//
//   cv7-tv run [--no-announce] [--no-library]   the TV application itself (foreground)
//   cv7-tv COMMAND [ARGS...]                     a command for the running one
//
// The session bus is DBUS_SESSION_BUS_ADDRESS's; the shared configuration store is
// CV7_REGISTRY's (or the default); the card is reached through CV7_DEVICE (or the default).
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QSocketNotifier>
#include <cstdio>
#include <cstring>

#include "CoordinationNames.h"
#include "TvStandIn.h"

namespace {

constexpr int kCommandTimeoutMs = 60000;
int signalPipe[2] = {-1, -1};

void onSignal(int) {
  const char byte = 1;
  [[maybe_unused]] ssize_t written = ::write(signalPipe[1], &byte, 1);
}

void usage() {
  std::fprintf(stderr,
               "usage: cv7-tv run [--no-announce] [--no-library]\n"
               "       cv7-tv tune POSITION [--changing]      lock test on satellite index x 100 + transponder,\n"
               "                                             reported as code 1 or 2 (11, 12 with --changing)\n"
               "       cv7-tv report CODE [VALUE]            any tuning message to the data application\n"
               "       cv7-tv add-satellite NAME FILE | delete-satellite INDEX   (reports code 3)\n"
               "       cv7-tv add-transponder SAT FREQ SR POL | delete-transponder SAT N   (reports code 4)\n"
               "       cv7-tv reopen-favourites              (code 9)\n"
               "       cv7-tv scan [--auto] [--hold]         search the tuned transponder with a scan window (code 21)\n"
               "       cv7-tv scan-window open|close [--auto]\n"
               "       cv7-tv notify CODE                    any presence code, broadcast (the TV goes on running)\n"
               "       cv7-tv start | living | stop | status | data-state\n");
}

int runTv(QCoreApplication& app, const QStringList& args) {
  cv7tv::TvStandIn::Options options;
  options.announce = !args.contains("--no-announce");
  options.library = !args.contains("--no-library");
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    std::fprintf(stderr, "cv7-tv: no session bus: %s\n", qPrintable(bus.lastError().message()));
    return 1;
  }
  cv7::registry::Registry registry;
  cv7tv::TvStandIn tv(bus, registry, options);
  QString error;
  if (!tv.start(&error)) {
    std::fprintf(stderr, "cv7-tv: %s\n", qPrintable(error));
    return 1;
  }
  // SIGTERM and SIGINT end the TV application as its own stop command does.
  if (::pipe(signalPipe) == 0) {
    ::signal(SIGTERM, onSignal);
    ::signal(SIGINT, onSignal);
  }
  QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
  QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
    notifier.setEnabled(false);
    tv.stop();
  });
  return app.exec();
}

int sendCommand(const QStringList& args) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    std::fprintf(stderr, "cv7-tv: no session bus: %s\n", qPrintable(bus.lastError().message()));
    return 1;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(cv7tv::kControlName, cv7::coordination::kObjectPath,
                                                     cv7tv::kControlInterface, cv7tv::kCommandMethod);
  call << args;
  const QDBusMessage reply = bus.call(call, QDBus::Block, kCommandTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2) {
    std::fprintf(stderr, "cv7-tv: no running cv7-tv answered (start one with 'cv7-tv run'): %s\n",
                 qPrintable(reply.errorMessage()));
    return 1;
  }
  const int status = reply.arguments()[0].toInt();
  std::fprintf(status == 0 ? stdout : stderr, "%s\n", qPrintable(reply.arguments()[1].toString()));
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    usage();
    return argc < 2 ? 2 : 0;
  }
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  if (args.first() == "run") return runTv(app, args.mid(1));
  return sendCommand(args);
}
