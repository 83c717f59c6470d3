// The coordination fixture on a private session bus: the data application's side joined
// to it in this process, TV applications as cv7-tv processes and a bare bus connection
// ("observer") that plays a foreign or misbehaving program. Everything runs on this
// thread's event loop, which the helpers keep turning while they wait.
#pragma once
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <memory>

#include "CoordinationFixture.h"
#include "DbusTvLink.h"
#include "FakeSetupSheet.h"
#include "PrivateBus.h"
#include "QtTestApplication.h"
#include "TvCoordination.h"

namespace cv7::app::test {

class BusFixture : public CoordinationFixture {
 protected:
  void SetUp() override {
    qtApplication();
    CoordinationFixture::SetUp();
    ASSERT_TRUE(bus.start());
    address = QString::fromStdString(bus.address());
    dataBus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, connectionName("data")));
    observer = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, connectionName("observer")));
    ASSERT_TRUE(dataBus->isConnected() && observer->isConnected());
    link = std::make_unique<DbusTvLink>(*dataBus, coordination);
  }
  void TearDown() override {
    for (auto& tv : tvs) stopProcess(*tv);
    link.reset();
    dataBus.reset();
    observer.reset();
    QDBusConnection::disconnectFromBus(connectionName("data"));
    QDBusConnection::disconnectFromBus(connectionName("observer"));
    bus.stop();
    CoordinationFixture::TearDown();
  }

  static QString connectionName(const char* role) {
    return QStringLiteral("%1-%2").arg(QLatin1String(role)).arg(::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  QProcessEnvironment tvEnvironment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DBUS_SESSION_BUS_ADDRESS", address);
    environment.insert("CV7_REGISTRY", QString::fromStdString(registry.path()));
    return environment;
  }

  // A TV application (cv7-tv run) that has joined the bus; its bus name is tvName().
  QProcess& startTv(const QStringList& extra = {"--no-library"}) {
    auto tv = std::make_unique<QProcess>();
    tv->setProcessEnvironment(tvEnvironment());
    tv->setProcessChannelMode(QProcess::MergedChannels);
    tv->start(CV7_TV_BINARY, QStringList{"run"} + extra);
    QProcess& started = *tv;
    tvs.push_back(std::move(tv));
    spinUntil([&] { return tvLog(started).contains("window :"); }, std::chrono::milliseconds(15000));
    return started;
  }
  QString tvLog(QProcess& tv) {
    logs[&tv] += QString::fromUtf8(tv.readAll());
    return logs[&tv];
  }
  QString tvName(QProcess& tv) {
    const QString log = tvLog(tv);
    const int at = log.indexOf("window ");
    return at < 0 ? QString() : log.mid(at + 7).section('\n', 0, 0).trimmed();
  }
  // One cv7-tv command for the running TV; the event loop turns meanwhile, so that this
  // process can answer what the command makes the TV send. Returns the exit status.
  int tvCommand(const QStringList& args, QString* output = nullptr) {
    QProcess command;
    command.setProcessEnvironment(tvEnvironment());
    command.setProcessChannelMode(QProcess::MergedChannels);
    command.start(CV7_TV_BINARY, args);
    spinUntil([&] { return command.state() == QProcess::NotRunning; }, std::chrono::milliseconds(60000));
    if (output) *output = QString::fromUtf8(command.readAll());
    return command.exitStatus() == QProcess::NormalExit ? command.exitCode() : -1;
  }
  static void stopProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning) return;
    process.terminate();
    if (!spinUntil([&] { return process.state() == QProcess::NotRunning; }, std::chrono::milliseconds(5000))) {
      process.kill();
      process.waitForFinished(5000);
    }
  }
  bool nameOnBus(const QString& name) const {
    return observer->interface()->isServiceRegistered(name).value();
  }

  itest::PrivateBus bus;
  QString address;
  std::unique_ptr<QDBusConnection> dataBus, observer;
  FakeSetupSheet sheet;
  TvCoordination coordination{state, store, files, loader, reception, sheet};
  std::unique_ptr<DbusTvLink> link;
  std::vector<std::unique_ptr<QProcess>> tvs;
  std::map<QProcess*, QString> logs;
};

}  // namespace cv7::app::test
