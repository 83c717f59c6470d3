// The coordination on a private session bus: this process is the data application, cv7-tv
// processes are TV applications, and a bare connection plays a foreign, malformed or hung
// program. (The presence and tuning between Cv7d and cv7-tv: app/ui/tests.)
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVirtualObject>

#include "BusFixture.h"
#include "CoordinationNames.h"

namespace cv7::app::test {
namespace {

namespace co = cv7::coordination;

// An object that takes every call and never answers it.
class SilentObject : public QDBusVirtualObject {
 public:
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage&, const QDBusConnection&) override { return true; }
};

class DbusTvLinkTest : public BusFixture {
 protected:
  void sendTvNotify(const QVariantList& arguments, const char* member = co::kTvNotifySignal) {
    QDBusMessage signal = QDBusMessage::createSignal(co::kObjectPath, co::kTvInterface, member);
    signal.setArguments(arguments);
    observer->send(signal);
  }
  QString dataName() const { return dataBus->baseService(); }
};

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
  // Dropped messages are counted where a user can look: the diagnostics call.
  QDBusMessage diagnostics = QDBusMessage::createMethodCall(dataName(), co::kObjectPath, co::kDiagnosticsInterface,
                                                            co::kStateMethod);
  QDBusPendingCallWatcher report(observer->asyncCall(diagnostics, 5000));
  ASSERT_TRUE(spinUntil([&] { return report.isFinished(); }));
  ASSERT_FALSE(report.isError());
  EXPECT_EQ(qdbus_cast<QVariantMap>(report.reply().arguments().value(0)).value("RefusedMessages").toInt(), 5);
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

