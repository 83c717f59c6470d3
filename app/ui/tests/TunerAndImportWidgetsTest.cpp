// The tuner information window and the import dialog under the offscreen platform: the
// window's drawn OK button closes only when pressed and released on it, keys never close
// it, its animation follows the state, and it moves when dragged; the import dialog shows
// the file by control id, swallows Escape and restores on Cancel.
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>

#include "ImportDialog.h"
#include "SetupSheetFixture.h"
#include "TunerInformationWindow.h"
#include "WidgetTestApplication.h"

namespace cv7::app::test {
namespace {

void mouse(QWidget& window, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, QPointF(at), QPointF(window.mapToGlobal(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(&window, &event);
}

void press(QWidget& target, int key) {
  QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(&target, &down);
}

class TunerWindowWidgetTest : public ::testing::Test {
 protected:
  TunerWindowWidgetTest() : window((widgetApplication(), Cvn_CloseSystem(), nullptr)) {}  // no card: not locked
  void SetUp() override { window.show(); }
  TunerInformationWindow window;
};

TEST_F(TunerWindowWidgetTest, OpensNotLockedAndTheAnimationFollowsTheLockedState) {
  EXPECT_EQ(window.windowTitle(), "Tuner Information");
  EXPECT_EQ(window.size(), QSize(395, 191));
  EXPECT_TRUE(window.ready());
  EXPECT_EQ(window.display().state(), TunerInformationDisplay::kNotLocked);
  EXPECT_EQ(window.animationInterval(), 0);
  window.Update({1, 1, 1, 1, 2, 100, 9, 7});
  EXPECT_EQ(window.animationInterval(), 500);
  window.Update({1, 1, 1, 1, 2, 105, 9, 3});
  EXPECT_EQ(window.animationInterval(), 300);
  window.Update({0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(window.animationInterval(), 0);
}

TEST_F(TunerWindowWidgetTest, PressingLeavingAndReleasingTheOkAreaOrAnyKeyDoesNotClose) {
  const QPoint ok = TunerInformationWindow::kOkArea.center(), outside(300, 20);
  mouse(window, QEvent::MouseButtonPress, ok, Qt::LeftButton);
  EXPECT_EQ(window.button(), TunerInformationWindow::Button::Pressed);
  mouse(window, QEvent::MouseMove, outside, Qt::LeftButton);
  EXPECT_EQ(window.button(), TunerInformationWindow::Button::Left);
  mouse(window, QEvent::MouseButtonRelease, outside, Qt::NoButton);
  EXPECT_TRUE(window.isVisible());
  mouse(window, QEvent::MouseMove, ok, Qt::NoButton);
  EXPECT_EQ(window.button(), TunerInformationWindow::Button::Released) << "hovered";
  mouse(window, QEvent::MouseButtonRelease, ok, Qt::NoButton);
  EXPECT_TRUE(window.isVisible()) << "a release without a press on the button";

  for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_Escape}) press(window, key);
  EXPECT_TRUE(window.isVisible());

  mouse(window, QEvent::MouseButtonPress, ok, Qt::LeftButton);
  mouse(window, QEvent::MouseButtonRelease, ok, Qt::NoButton);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST_F(TunerWindowWidgetTest, DraggingAnywhereButTheButtonMovesTheWindow) {
  const QPoint start = window.pos();
  mouse(window, QEvent::MouseButtonPress, {20, 20}, Qt::LeftButton);
  QMouseEvent move(QEvent::MouseMove, QPointF(20, 20), QPointF(window.mapToGlobal(QPoint(20, 20)) + QPoint(30, 15)),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &move);
  mouse(window, QEvent::MouseButtonRelease, {50, 35}, Qt::NoButton);
  EXPECT_EQ(window.pos(), start + QPoint(30, 15));
  EXPECT_TRUE(window.isVisible());
}

class ImportDialogWidgetTest : public SetupSheetFixture {
 protected:
  bool startDaemon() const override { return false; }
  void SetUp() override {
    widgetApplication();
    SetupSheetFixture::SetUp();
    openOnSatellitePage();
  }
};

TEST_F(ImportDialogWidgetTest, ShowsTheFileByControlIdSwallowsEscapeAndCancelRestores) {
  const QString astra = base + "/Datafile/Astra.cvd";
  ImportForm form(sheet);
  ASSERT_TRUE(form.open(astra));
  ImportDialog dialog(form);
  dialog.show();
  EXPECT_EQ(dialog.findChild<QLabel*>("id1270")->text(), "ASTRA");
  EXPECT_EQ(dialog.findChild<QLineEdit*>("id1285")->text(), astra);
  auto* transponders = dialog.findChild<QTreeWidget*>("id1257");
  auto* channels = dialog.findChild<QTreeWidget*>("id1267");
  ASSERT_EQ(transponders->topLevelItemCount(), Cvn_GetNumOfTransponder());
  EXPECT_EQ(channels->topLevelItemCount(), Cvn_GetNumOfProgram(1));
  EXPECT_EQ(channels->headerItem()->text(3), "Scrambled");
  transponders->setCurrentItem(transponders->topLevelItem(1));
  EXPECT_EQ(channels->topLevelItemCount(), Cvn_GetNumOfProgram(2));

  press(*transponders, Qt::Key_Escape);
  EXPECT_TRUE(dialog.isVisible());
  dialog.findChild<QPushButton*>("id2")->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(form.result(), ImportForm::kNothingAdopted);
  LnbInfo lnb{};
  Cvn_GetSatelliteInformation(&lnb);
  EXPECT_STREQ(lnb.SatelliteName, "HOTBIRD");
}

}  // namespace
}  // namespace cv7::app::test
