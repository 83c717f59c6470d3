// The notification icon's widget: its tip and pictures, menu 130 with its bold default item,
// and the mouse rules (nothing before the start is done; no menu while the setup sheet is
// open; a double click asks for the sheet), found by object names.
#include <gtest/gtest.h>

#include <QMenu>

#include "CSystemTray.h"
#include "RecordingSetupSheet.h"
#include "WidgetTestApplication.h"

namespace cv7::app::test {
namespace {

class FakeTrayOwner : public TrayOwner {
 public:
  bool started = true;
  int setupCommands = 0, exits = 0;
  RecordingSetupSheet sheet;

  bool startupDone() const override { return started; }
  SetupSheet& setupSheet() override { return sheet; }
  void OnSetupCommand() override { ++setupCommands; }
  void OnAppExit() override { ++exits; }
};

QMenu* shownMenu() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->objectName() == "menu130" && widget->isVisible()) return qobject_cast<QMenu*>(widget);
  return nullptr;
}

class CSystemTrayTest : public ::testing::Test {
 protected:
  void SetUp() override { tray.setOwner(&owner); }
  void TearDown() override {
    if (QMenu* menu = shownMenu()) menu->close();
  }
  void mouse(QSystemTrayIcon::ActivationReason reason) { Q_EMIT tray.trayIcon().activated(reason); }

  QApplication& application = widgetApplication();  // before any widget
  FakeTrayOwner owner;
  CSystemTray tray;
};

TEST_F(CSystemTrayTest, ShowsItsTipAndPictureUntilRemovedAndChangesPictureOnlyWhileShown) {
  ASSERT_TRUE(tray.create("Cv7 data", NotificationIcon::kNotLocked));
  EXPECT_TRUE(tray.trayIcon().isVisible());
  EXPECT_EQ(tray.trayIcon().toolTip(), "Cv7 data");
  const QImage notLocked = tray.trayIcon().icon().pixmap(32).toImage();
  tray.setPicture(NotificationIcon::kLocked);
  EXPECT_EQ(tray.picture(), NotificationIcon::kLocked);
  EXPECT_NE(tray.trayIcon().icon().pixmap(32).toImage(), notLocked) << "two pictures";

  tray.remove();
  EXPECT_FALSE(tray.enabled());
  EXPECT_FALSE(tray.trayIcon().isVisible());
  tray.setPicture(NotificationIcon::kNotLocked);
  EXPECT_EQ(tray.picture(), NotificationIcon::kLocked) << "no change while removed";
}

TEST_F(CSystemTrayTest, TheMouseIsIgnoredUntilTheStartIsDone) {
  tray.create("Cv7 data", NotificationIcon::kNotLocked);
  owner.started = false;
  mouse(QSystemTrayIcon::Context);
  mouse(QSystemTrayIcon::DoubleClick);
  EXPECT_EQ(shownMenu(), nullptr);
  EXPECT_EQ(owner.setupCommands, 0);
}

TEST_F(CSystemTrayTest, ARightClickShowsMenu130WithTheSetupItemBoldAndItsCommandsReachTheFrame) {
  tray.create("Cv7 data", NotificationIcon::kNotLocked);
  mouse(QSystemTrayIcon::Context);
  QMenu* menu = shownMenu();
  ASSERT_NE(menu, nullptr);
  const QList<QAction*> actions = menu->actions();
  ASSERT_EQ(actions.size(), 3);
  EXPECT_EQ(actions[0]->text(), "Corvane-7 Data Setup");
  EXPECT_EQ(actions[0]->objectName(), "command32771");
  EXPECT_EQ(menu->defaultAction(), actions[0]) << "the default item is shown bold";
  EXPECT_TRUE(actions[1]->isSeparator());
  EXPECT_EQ(actions[2]->text(), "Exit");
  EXPECT_EQ(actions[2]->objectName(), "command57665");

  actions[0]->trigger();
  EXPECT_TRUE(spinUntil([&] { return owner.setupCommands == 1; }));
  mouse(QSystemTrayIcon::Context);
  shownMenu()->findChild<QAction*>("command57665")->trigger();
  EXPECT_TRUE(spinUntil([&] { return owner.exits == 1; }));
}

TEST_F(CSystemTrayTest, WhileTheSheetIsOpenARightClickBringsItForwardInsteadOfAMenu) {
  tray.create("Cv7 data", NotificationIcon::kNotLocked);
  owner.sheet.openNow = true;
  mouse(QSystemTrayIcon::Context);
  EXPECT_EQ(shownMenu(), nullptr);
  EXPECT_EQ(owner.sheet.broughtToFront.load(), 1);

  mouse(QSystemTrayIcon::DoubleClick);
  EXPECT_EQ(owner.sheet.broughtToFront.load(), 2);
  EXPECT_EQ(owner.setupCommands, 2) << "the command goes out too; the frame refuses it while the sheet is open";
  owner.sheet.openNow = false;
  mouse(QSystemTrayIcon::DoubleClick);
  EXPECT_EQ(owner.setupCommands, 3);
  EXPECT_EQ(owner.sheet.broughtToFront.load(), 2);
  mouse(QSystemTrayIcon::Trigger);
  EXPECT_EQ(owner.setupCommands, 3) << "a single click does nothing";
}

}  // namespace
}  // namespace cv7::app::test
