// The network card page's widgets under the offscreen platform, found by their control ids,
// without a card (its versions and MAC address cannot be read): the check box disabling the
// address list, OK storing what the page shows, and an address that the network worker takes
// on its own thread while another page is shown, selected when the page is shown again.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <thread>

#include "DataSetupSheet.h"
#include "FakeHostAddressSource.h"
#include "IpAddressUpkeep.h"
#include "PropSheetDialog.h"
#include "RecordingSetupSheet.h"
#include "SetupSheetFixture.h"
#include "WidgetTestApplication.h"

namespace cv7::app::test {
namespace {

constexpr uint32_t kFirst = 0x0A0200C0, kSecond = 0x140200C0, kNew = 0x076433C6;  // 192.0.2.10, .20, 198.51.100.7

template <typename T>
T* control(QWidget& window, int id) {
  T* found = window.findChild<T*>(QStringLiteral("id%1").arg(id));
  EXPECT_NE(found, nullptr) << id;
  return found;
}

class NetCardWidgetsTest : public SetupSheetFixture {
 protected:
  bool startDaemon() const override { return false; }
  void SetUp() override {
    widgetApplication();
    SetupSheetFixture::SetUp();
  }
  int storedAddress() const { return store.readInteger(config::kNetCard, config::kIpAddress, -1); }

  FakeHostAddressSource source;
};

TEST_F(NetCardWidgetsTest, TheCheckBoxDisablesTheAddressListAndOkStoresWhatThePageShows) {
  store.writeInteger(config::kSatellite, config::kFlagNewIp, 0);
  RecordingSetupSheet noSheet;
  IpAddressUpkeep upkeep(store, ui, source, noSheet);
  source.set({kFirst, kSecond});
  upkeep.networkStartup({});
  CPropSheet netSheet({state, store, ui, files, reception, tv, dialogs, &upkeep});
  PropSheetDialog window(netSheet, strings);
  window.show();
  EXPECT_EQ(window.windowTitle(), "Corvane-7 Data - HOTBIRD, 10719.000 [MHz], 27.500 [MSymbol]");
  EXPECT_EQ(control<QLabel>(window, 1248)->text(), "error") << "no card to ask";
  EXPECT_EQ(control<QLabel>(window, 1249)->text(), "error");
  EXPECT_EQ(control<QLabel>(window, 1203)->text(), "Permanent Address : error ");
  EXPECT_EQ(control<QLabel>(window, 1204)->text(), "Station Address : error ");
  auto* list = control<QComboBox>(window, 1197);
  auto* box = control<QCheckBox>(window, 1048);
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->currentText(), "192.0.2.10");
  EXPECT_FALSE(box->isChecked());
  EXPECT_TRUE(list->isEnabled());

  box->click();
  EXPECT_FALSE(list->isEnabled());
  box->click();
  EXPECT_TRUE(list->isEnabled());
  list->setCurrentIndex(1);
  box->click();
  control<QPushButton>(window, 1)->click();
  EXPECT_EQ(store.readInteger(config::kSatellite, config::kFlagNewIp, -1), 1);
  EXPECT_EQ(uint32_t(storedAddress()), kSecond);
  EXPECT_EQ(upkeep.adapterAddress(), kSecond);
}

TEST_F(NetCardWidgetsTest, AnAddressTheWorkerTakesWhileAnotherPageIsShownIsSelectedWhenThePageIsShownAgain) {
  SetupSheetSlot slot;
  DataSetupSheet setupSheet(slot);  // made on the window thread, as the tray program does
  IpAddressUpkeep upkeep(store, ui, source, setupSheet);
  source.set({kFirst});
  upkeep.networkStartup({});
  setupSheet.attach(state, store, ui, files, reception, tv, &upkeep);
  QString shownBefore, shownAfter;
  QTimer::singleShot(0, [&] {
    auto* window = qobject_cast<PropSheetDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(window, nullptr);
    // Nothing is drawn: Qt's drawing hands images to threads of its own that the thread
    // sanitizer cannot follow.
    window->setUpdatesEnabled(false);
    auto* tabs = window->findChild<QTabWidget*>("pages");
    auto* list = control<QComboBox>(*window, 1197);
    tabs->setCurrentIndex(SetupSheetAccess::kDataPidPage);
    source.set({kFirst, kNew});
    std::thread worker([&] { upkeep.ipAddressCheck(); });  // as the network worker does
    worker.join();
    QCoreApplication::processEvents();
    shownBefore = list->currentText();
    tabs->setCurrentIndex(CPropSheet::kNetCardPage);
    shownAfter = list->currentText();
    control<QPushButton>(*window, 1)->click();
  });
  setupSheet.open();
  EXPECT_EQ(shownBefore, "192.0.2.10");
  EXPECT_EQ(shownAfter, "198.51.100.7");
  EXPECT_EQ(uint32_t(storedAddress()), kNew);
  EXPECT_FALSE(setupSheet.isOpen());
}

}  // namespace
}  // namespace cv7::app::test
