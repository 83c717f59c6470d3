// The scan dialogs' widgets under the offscreen platform, found by their control ids: the
// keys they take or swallow, what they show of their logic, and how they close.
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

#include "AutoScanDialog.h"
#include "ScanDialog.h"
#include "ScanInformationDialog.h"
#include "SetupSheetFixture.h"
#include "WidgetControls.h"
#include "WidgetTestApplication.h"

namespace cv7::app::test {
namespace {

class ScanDialogsWidgetTest : public SetupSheetFixture {
 protected:
  bool startDaemon() const override { return false; }  // nothing here reaches the card
  void SetUp() override {
    widgetApplication();
    SetupSheetFixture::SetUp();
  }
};

TEST_F(ScanDialogsWidgetTest, TheScanDialogSwallowsEscapeAndClosesOnEnterWithoutCancelling) {
  CScanDlg logic(sheet);
  ScanDialog dialog(logic);
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "Scan - selected transponder");
  EXPECT_EQ(control<QLabel>(dialog, 1155)->text(), "Scanning");
  logic.OnTimer(CScanDlg::kTimerId);
  EXPECT_EQ(control<QLabel>(dialog, 1155)->text(), "Scanning. ");
  press(control<QPushButton>(dialog, 1153), Qt::Key_Escape);
  EXPECT_TRUE(dialog.isVisible());
  press(control<QPushButton>(dialog, 1153), Qt::Key_Return);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_TRUE(logic.closed);
  EXPECT_EQ(logic.m_bSearchCompleted, 0);
}

TEST_F(ScanDialogsWidgetTest, TheAutoScanDialogListsTheTranspondersAndItsCloseBoxActsAsCancel) {
  CAutoScanDlg logic(sheet, QStringLiteral("HOTBIRD"));
  AutoScanDialog dialog(logic);
  EXPECT_EQ(dialog.windowTitle(), "Auto Scan - all transponder");
  EXPECT_EQ(control<QLabel>(dialog, 1261)->text(), "HOTBIRD");
  auto* list = control<QTreeWidget>(dialog, 1257);
  EXPECT_EQ(list->topLevelItemCount(), hotbirdTransponders);
  EXPECT_EQ(list->headerItem()->text(3), "Locking");
  EXPECT_EQ(list->topLevelItem(0)->text(1), "10719.000");
  EXPECT_EQ(control<QProgressBar>(dialog, 1259)->maximum(), 100);
  EXPECT_TRUE(sheet.autoScanDialogExists());
  dialog.open();
  press(list, Qt::Key_Escape);
  EXPECT_TRUE(dialog.isVisible());
  dialog.reject();  // the close box, before any transponder is tested
  EXPECT_TRUE(logic.closed);
  EXPECT_FALSE(dialog.isVisible());
}

TEST_F(ScanDialogsWidgetTest, ScanInformationSaysItCannotScanAndClosesWithOk) {
  ScanInformationDialog dialog;
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "Scan Information");
  EXPECT_NE(dialog.findChild<QLabel*>("textLabel"), nullptr);
  EXPECT_EQ(dialog.findChild<QLabel*>("textLabel")->text(), "Can Not Scan ! ! !");
  control<QPushButton>(dialog, 1)->click();
  EXPECT_FALSE(dialog.isVisible());
}

}  // namespace
}  // namespace cv7::app::test
