// The setup sheet's widgets under the offscreen platform, found by their control ids: what
// the satellite page shows, the keys the page and the dialogs take or swallow, the 22 kHz
// radios following the oscillator, and the dialogs staying open on refused input.
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include "PropSheetDialog.h"
#include "SatelliteDialog.h"
#include "SatellitePageWidget.h"
#include "SetupSheetFixture.h"
#include "TransponderDialog.h"
#include "WidgetControls.h"
#include "WidgetTestApplication.h"

namespace cv7::app::test {
namespace {

class SetupWidgetsTest : public SetupSheetFixture {
 protected:
  bool startDaemon() const override { return false; }  // nothing here tunes
  void SetUp() override {
    widgetApplication();
    SetupSheetFixture::SetUp();
  }
};

TEST_F(SetupWidgetsTest, TheSheetShowsItsPagesInOrderAndTheSatellitePageItsControls) {
  PropSheetDialog window(sheet, strings);
  window.resize(480, 420);
  window.show();
  auto* tabs = window.findChild<QTabWidget*>("pages");
  ASSERT_NE(tabs, nullptr);
  EXPECT_EQ(tabs->tabText(0), "Net Card");
  EXPECT_EQ(tabs->tabText(1), "Satellite");
  EXPECT_EQ(tabs->tabText(2), "Data PID / Encapsulation");
  EXPECT_EQ(window.windowTitle(), "Corvane-7 Data - HOTBIRD, 10719.000 [MHz], 27.500 [MSymbol]")
      << "the network card page shows the tuned transponder";
  EXPECT_FALSE(sheet.satellitePageExists()) << "the page's window comes when it is first shown";

  tabs->setCurrentIndex(1);
  ASSERT_TRUE(sheet.satellitePageExists());
  auto* combo = control<QComboBox>(window, 1160);
  EXPECT_EQ(combo->count(), 4);
  EXPECT_EQ(combo->currentText(), "HOTBIRD");
  EXPECT_EQ(combo->toolTip(), strings.text(StringId::TipSelectSatellite));
  EXPECT_EQ(control<QLabel>(window, 1264)->text(), "Universal LNB");
  EXPECT_EQ(control<QLabel>(window, 1265)->text(), "Port 1");
  auto* list = control<QTreeWidget>(window, 1257);
  ASSERT_EQ(list->topLevelItemCount(), hotbirdTransponders);
  EXPECT_EQ(list->topLevelItem(1)->text(0), "10757.000");
  EXPECT_EQ(list->headerItem()->text(1), "Symbol Rate[MSymbol]");
  EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
  const int widths[3] = {list->columnWidth(0), list->columnWidth(1), list->columnWidth(2)};
  EXPECT_NEAR(double(widths[1]) / widths[0], 124.0 / 91.0, 0.05);
  EXPECT_TRUE(control<QPushButton>(window, 1101)->isEnabled()) << "enabled once the page is active";
  EXPECT_TRUE(control<QPushButton>(window, 1097)->toolTip().isEmpty()) << "Scan has no tool tip";

  list->setCurrentItem(list->topLevelItem(2));
  EXPECT_EQ(state.g_TpNum, 3u);
  combo->setCurrentIndex(1);
  EXPECT_EQ(state.m_strSateName, "ASTRA");
  EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
}

TEST_F(SetupWidgetsTest, ThePageButtonsRunTheirFlowsAndTheControlsFollow) {
  PropSheetDialog window(sheet, strings);
  window.show();
  window.findChild<QTabWidget*>("pages")->setCurrentIndex(1);
  auto* list = control<QTreeWidget>(window, 1257);
  dialogs.enterTransponder("10000", "27.5", 1);
  control<QPushButton>(window, 1100)->click();
  ASSERT_EQ(list->topLevelItemCount(), hotbirdTransponders + 1);
  EXPECT_EQ(list->topLevelItem(0)->text(0), "10000.000");
  EXPECT_EQ(list->topLevelItem(0)->text(2), "H");
  EXPECT_EQ(list->currentItem(), list->topLevelItem(0));

  control<QPushButton>(window, 1102)->click();
  EXPECT_EQ(list->topLevelItemCount(), hotbirdTransponders);
  EXPECT_EQ(list->topLevelItem(0)->text(0), "10719.000");

  dialogs.satelliteEntries.push_back([](SatelliteForm& form) {
    form.selectOscillator(1);
    return true;
  });
  control<QPushButton>(window, 1099)->click();
  EXPECT_EQ(control<QLabel>(window, 1264)->text(), "  9750");
  EXPECT_EQ(control<QLabel>(window, 1262)->text(), strings.text(StringId::Tone22kOff));

  dialogs.menuCommand = 0;  // the popup menu closed without a choice
  control<QToolButton>(window, 1105)->click();
  EXPECT_EQ(dialogs.satelliteRuns, 1);
  EXPECT_EQ(control<QComboBox>(window, 1160)->count(), 4);
}

TEST_F(SetupWidgetsTest, EscapeOnTheSatellitePageIsSwallowedAndTheCloseBoxRestores) {
  PropSheetDialog window(sheet, strings);
  window.show();
  window.findChild<QTabWidget*>("pages")->setCurrentIndex(1);
  auto* combo = control<QComboBox>(window, 1160);
  combo->setCurrentIndex(1);
  press(control<QPushButton>(window, 1106), Qt::Key_Escape);
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(sheet.isOpen());

  combo->setFocus();
  press(combo, Qt::Key_Return);
  EXPECT_TRUE(window.isVisible()) << "Enter in the combo box moves the focus instead";

  window.close();  // the caption's close box
  EXPECT_FALSE(sheet.isOpen());
  EXPECT_EQ(state.m_strSateName, "HOTBIRD");
}

TEST_F(SetupWidgetsTest, TheToneRadiosFollowTheOscillatorAndRefusedInputKeepsTheDialogOpen) {
  SatelliteForm form(SatelliteForm::Add, sheet);
  SatelliteDialog dialog(form);
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "Add Satellite");
  auto* oscillator = control<QComboBox>(dialog, 1258);
  auto* on = control<QRadioButton>(dialog, 1260);
  EXPECT_EQ(oscillator->currentText(), "5150");
  EXPECT_TRUE(on->isEnabled());
  oscillator->setCurrentIndex(3);
  EXPECT_FALSE(on->isEnabled());
  EXPECT_FALSE(control<QRadioButton>(dialog, 1261)->isEnabled());
  oscillator->setEditText("9750");
  EXPECT_TRUE(on->isEnabled());
  oscillator->setEditText("Universal LNB");
  EXPECT_FALSE(on->isEnabled());

  oscillator->setEditText("97x0");
  control<QLineEdit>(dialog, 1257)->setText("NEW SAT");
  control<QPushButton>(dialog, 1)->click();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(ui.texts(), QStringList{strings.text(StringId::InvalidLocalOscillator)});
  press(control<QLineEdit>(dialog, 1257), Qt::Key_Escape);
  EXPECT_TRUE(dialog.isVisible()) << "Escape is swallowed";

  oscillator->setEditText("11475");
  control<QRadioButton>(dialog, 1263)->setChecked(true);
  control<QPushButton>(dialog, 1)->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(form.lnb.LocalOscillator, 11475000u);
  EXPECT_EQ(form.lnb.LnbPower, 1u);
  EXPECT_STREQ(form.lnb.SatelliteName, "NEW SAT");
}

TEST_F(SetupWidgetsTest, TheTransponderDialogFocusesTheRefusedFieldAndTakesEnterAsTab) {
  TransponderForm form(0, StringId::AddTransponderTitle, ui);
  form.polarity = 0;
  TransponderDialog dialog(form);
  dialog.show();
  dialog.activateWindow();
  auto* frequency = control<QLineEdit>(dialog, 1133);
  auto* symbolRate = control<QLineEdit>(dialog, 1134);
  EXPECT_TRUE(control<QRadioButton>(dialog, 1080)->isChecked());
  frequency->setText("10.7.19");
  symbolRate->setText("27.5");
  control<QPushButton>(dialog, 1)->click();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(ui.texts(), QStringList{strings.text(StringId::InvalidFrequency)});
  EXPECT_EQ(frequency->selectedText(), "10.7.19");

  frequency->setText("10800");
  frequency->setFocus();
  press(frequency, Qt::Key_Return);
  EXPECT_TRUE(dialog.isVisible()) << "Enter moves on instead of pressing OK";
  press(frequency, Qt::Key_Escape);
  EXPECT_TRUE(dialog.isVisible());
  control<QRadioButton>(dialog, 1081)->setChecked(true);
  control<QPushButton>(dialog, 1)->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(form.m_dwDLF, 10800000u);
  EXPECT_EQ(form.m_dwSR, 27500u);
  EXPECT_EQ(form.polarity, 1);
}

}  // namespace
}  // namespace cv7::app::test
