// "Exit" from the notification icon's menu while the library keeps delivering search
// results (as during an auto scan, where each result starts the next search): the program
// ends in order and soon, the icon is gone and the library is closed.
#include <QMenu>

#include "CCv7dApp.h"
#include "CSystemTray.h"
#include "FakeHostAddressSource.h"
#include "HangGuard.h"
#include "ReceptionFixture.h"
#include "RecordingPresence.h"
#include "RecordingSetupSheet.h"
#include "WidgetTestApplication.h"

namespace cv7::app::test {
namespace {

// Each result is handled for a while and starts the next search.
class ScanningResults : public SearchResultHandler {
 public:
  std::atomic<int> results{0};
  void onSearchResult(const SiList*) override {
    ++results;
    spinFor(std::chrono::milliseconds(50));
    Cvn_SearchChannel(1);
  }
};

class TrayExitTest : public ReceptionFixture {
 protected:
  QApplication& application = widgetApplication();
};

TEST_F(TrayExitTest, ExitFromTheMenuDuringAScanEndsInOrder) {
  CSystemTray tray;
  RecordingSetupSheet sheet;
  RecordingPresence presence;
  ScanningResults results;
  FakeHostAddressSource addresses;
  WindowThreadInvoker invoker;
  CCv7dApp app(registry, ui, clock, {tray, sheet, tv, presence, results, addresses, invoker});
  ASSERT_TRUE(app.InitInstance()) << ui.texts().join("|").toStdString();
  CMainFrame& frame = *app.mainFrame();
  tray.setOwner(&frame);
  bool closed = false;
  QObject::connect(&frame, &CMainFrame::closed, [&] { closed = true; });
  ASSERT_TRUE(tray.trayIcon().isVisible());

  ASSERT_EQ(Cvn_SearchChannel(1), 1);
  ASSERT_TRUE(spinUntil([&] { return results.results.load() >= 2; }, std::chrono::seconds(10)));
  Q_EMIT tray.trayIcon().activated(QSystemTrayIcon::Context);
  QMenu* menu = nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->objectName() == "menu130" && widget->isVisible()) menu = qobject_cast<QMenu*>(widget);
  ASSERT_NE(menu, nullptr);
  menu->findChild<QAction*>("command57665")->trigger();
  ASSERT_TRUE(spinUntil([&] { return closed; }));

  {
    HangGuard guard("the exit from the tray menu during a scan");
    EXPECT_EQ(app.ExitInstance(), 0);
  }
  EXPECT_FALSE(tray.trayIcon().isVisible());
  uint8_t version[2];
  EXPECT_EQ(Cvn_GetDriverVersion(version), 0) << "the library is closed";
  EXPECT_EQ(presence.announcements().back().what, "end");
  EXPECT_TRUE(presence.announcements().back().libraryOpen);
}

}  // namespace
}  // namespace cv7::app::test
