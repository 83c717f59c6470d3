// The coordination on a private session bus: this process is the data application, cv7-tv
// processes are TV applications, and a bare connection plays a foreign, malformed or hung
// program.
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVirtualObject>

#include "BusFixture.h"
#include "CoordinationNames.h"

namespace cv7::app::test {
namespace {

namespace co = cv7::coordination;

// Records the data application's presence signals that reach one connection.
class PresenceRecorder : public QObject {
  Q_OBJECT
 public:
  QStringList seen;
 public Q_SLOTS:
  void onSignal(const QDBusMessage& message) {
    seen << QStringLiteral("%1 %2").arg(message.arguments().value(0).toInt()).arg(message.service());
  }
};

// An object that takes every call and never answers it.
class SilentObject : public QDBusVirtualObject {
 public:
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage&, const QDBusConnection&) override { return true; }
};

class DbusTvLinkTest : public BusFixture {
 protected:
  void listenToDataPresence() {
    observer->connect(QString(), co::kObjectPath, co::kDataInterface, co::kDataNotifySignal, &recorder,
                      SLOT(onSignal(QDBusMessage)));
  }
  void sendTvNotify(const QVariantList& arguments, const char* member = co::kTvNotifySignal) {
    QDBusMessage signal = QDBusMessage::createSignal(co::kObjectPath, co::kTvInterface, member);
    signal.setArguments(arguments);
    observer->send(signal);
  }
  QString dataName() const { return dataBus->baseService(); }

  PresenceRecorder recorder;
};

TEST_F(DbusTvLinkTest, ATvStartedSecondIsAnsweredByDataNotifyThreeToItsWindowOnly) {
  listenToDataPresence();
  ASSERT_TRUE(link->open());
  coordination.announceStart();
  QProcess& tv = startTv();
  const QString tvWindow = tvName(tv);
  ASSERT_FALSE(tvWindow.isEmpty()) << tvLog(tv).toStdString();
  ASSERT_TRUE(spinUntil([&] { return tvLog(tv).contains("received data-notify 3 from " + dataName()); }))
      << tvLog(tv).toStdString();
  EXPECT_EQ(coordination.tvWindow(), tvWindow);
  spinFor(std::chrono::milliseconds(200));
  EXPECT_EQ(recorder.seen, QStringList{"1 " + dataName()}) << "other programs see the start, not the answer";

  coordination.notifyTv(1, 101);
  EXPECT_TRUE(spinUntil([&] { return tvLog(tv).contains("received tuning 1 101"); }));
}

TEST_F(DbusTvLinkTest, ADataApplicationStartedSecondLearnsTheTvFromItsLivingAnswer) {
  QProcess& tv = startTv();
  ASSERT_TRUE(link->open());
  coordination.announceStart();
  ASSERT_TRUE(spinUntil([&] { return coordination.tvWindow() == tvName(tv); })) << tvLog(tv).toStdString();

  EXPECT_EQ(tvCommand({"report", "12", "101"}), 0);
  EXPECT_EQ(state.m_TunerOwnerState, kTunerOwnerTv);
  EXPECT_EQ(tvCommand({"report", "1", "101"}), 0);
  EXPECT_EQ(state.m_TunerOwnerState, kTunerOwnerData);
  EXPECT_EQ(state.m_LockIndicator, 1);
  EXPECT_EQ(reception.pidLists, 1);
  QString stateText;
  EXPECT_EQ(tvCommand({"data-state"}, &stateText), 0);
  EXPECT_TRUE(stateText.contains("TunerOwnerState=2")) << stateText.toStdString();
  EXPECT_TRUE(stateText.contains("TvSatelliteName=HOTBIRD")) << stateText.toStdString();

  EXPECT_EQ(tvCommand({"stop"}), 0);
  ASSERT_TRUE(spinUntil([&] { return coordination.tvWindow().isEmpty(); }));
  EXPECT_EQ(reception.lockSequences, 1);
}

TEST_F(DbusTvLinkTest, MalformedPresenceAndTuningMessagesAreRefusedAndChangeNothing) {
  ASSERT_TRUE(link->open());
  const QString me = observer->baseService();
  sendTvNotify({QVariant::fromValue(1u), me});              // unsigned code
  sendTvNotify({QVariant::fromValue(1)});                    // no window
  sendTvNotify({QVariant::fromValue(1), me, QVariant(3)});   // one argument too many
  sendTvNotify({QVariant::fromValue(1), QString(":1.999")}); // another program's window
  sendTvNotify({QVariant::fromValue(1), me}, "TvNotified");  // no such signal
  QDBusMessage call = QDBusMessage::createMethodCall(dataName(), co::kObjectPath, co::kDataInterface, co::kTuningMethod);
  call.setArguments({QString("12"), QVariant::fromValue(101)});
  QDBusPendingCallWatcher refused(observer->asyncCall(call, 5000));
  ASSERT_TRUE(spinUntil([&] { return refused.isFinished(); }));
  EXPECT_EQ(refused.error().type(), QDBusError::InvalidArgs);
  sendTvNotify({QVariant::fromValue(3), me});  // at last a good one
  ASSERT_TRUE(spinUntil([&] { return coordination.tvWindow() == me; }));
  EXPECT_EQ(link->refusedMessages(), 5);
  EXPECT_EQ(state.m_TunerOwnerState, kTunerOwnerUnknown);

  // The same call with two int32 arguments is taken.
  call.setArguments({QVariant::fromValue(12), QVariant::fromValue(101)});
  QDBusPendingCallWatcher accepted(observer->asyncCall(call, 5000));
  ASSERT_TRUE(spinUntil([&] { return accepted.isFinished(); }));
  EXPECT_FALSE(accepted.isError());
  EXPECT_EQ(state.m_TunerOwnerState, kTunerOwnerTv);
}

TEST_F(DbusTvLinkTest, AHungOrVanishedTvDoesNotHoldTheDataApplication) {
  ASSERT_TRUE(link->open());
  SilentObject silent;
  observer->registerVirtualObject(co::kObjectPath, &silent);
  sendTvNotify({QVariant::fromValue(1), observer->baseService()});
  ASSERT_TRUE(spinUntil([&] { return !coordination.tvWindow().isEmpty(); }));
  coordination.notifyTv(1, 101);  // never answered: the wait ends on its own
  observer->unregisterObject(co::kObjectPath);

  QProcess& tv = startTv();
  coordination.onTvNotify(3, tvName(tv));
  const QString gone = tvName(tv);
  tv.kill();  // no TV STOP
  ASSERT_TRUE(spinUntil([&] { return !nameOnBus(gone); }));
  coordination.notifyTv(2, 101);
  EXPECT_EQ(coordination.tvWindow(), gone) << "a window that has gone away is still the TV window";

  QProcess& next = startTv();
  ASSERT_TRUE(spinUntil([&] { return coordination.tvWindow() == tvName(next); }));
  coordination.notifyTv(2, 101);
  EXPECT_TRUE(spinUntil([&] { return tvLog(next).contains("received tuning 2 101"); }));
}

TEST_F(DbusTvLinkTest, ScanWindowsShownByAnyProgramAreSeenUntilClosedOrTheirProgramEnds) {
  ASSERT_TRUE(link->open());
  QProcess& tv = startTv();
  EXPECT_FALSE(coordination.scanWindowExists());
  EXPECT_EQ(tvCommand({"scan-window", "open"}), 0);
  EXPECT_TRUE(coordination.scanWindowExists());
  EXPECT_EQ(tvCommand({"scan-window", "open", "--auto"}), 0);
  EXPECT_EQ(tvCommand({"scan-window", "close"}), 0);
  EXPECT_TRUE(coordination.scanWindowExists()) << "the auto-scan window is still shown";
  tv.kill();
  ASSERT_TRUE(spinUntil([&] { return !coordination.scanWindowExists(); }));

  coordination.announceScanWindow(true, true);
  EXPECT_TRUE(nameOnBus(co::kAutoScanWindowName)) << "the data application's own window is seen by others";
  coordination.announceScanWindow(true, false);
  EXPECT_FALSE(nameOnBus(co::kAutoScanWindowName));
}

}  // namespace
}  // namespace cv7::app::test

#include "DbusTvLinkTest.moc"
