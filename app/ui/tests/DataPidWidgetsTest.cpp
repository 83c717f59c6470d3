// The data PID page and its dialog under the offscreen platform, found by their control ids:
// the lists' columns and proportions, the tool tips, the buttons, the base menu of the page
// and of the dialog, and the keys the page and the dialog take or swallow.
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include "CPage3.h"
#include "WidgetControls.h"
#include "DataPidDialog.h"
#include "PropSheetDialog.h"
#include "SetupSheetFixture.h"
#include "WidgetTestApplication.h"

namespace cv7::app::test {
namespace {

// Right-clicks label 1022 of `window` and chooses menu entry `command` (32777 hexadecimal,
// 32776 decimal) of the popup menu; returns whether the entry the menu checked was `checked`.
bool chooseFromBaseMenu(QWidget& window, int command, int checked) {
  bool checkedAsExpected = false;
  QTimer::singleShot(0, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    checkedAsExpected = menu->findChild<QAction*>(QStringLiteral("id%1").arg(checked))->isChecked();
    menu->setActiveAction(menu->findChild<QAction*>(QStringLiteral("id%1").arg(command)));
    press(menu, Qt::Key_Return);
  });
  Q_EMIT control<QLabel>(window, 1022)->customContextMenuRequested(QPoint());
  return checkedAsExpected;
}

class DataPidWidgetsTest : public SetupSheetFixture {
 protected:
  bool startDaemon() const override { return false; }
  void SetUp() override {
    widgetApplication();
    setPidNumberBase(PidBase::Hexadecimal);
    SetupSheetFixture::SetUp();
  }
  void TearDown() override {
    setPidNumberBase(PidBase::Hexadecimal);
    SetupSheetFixture::TearDown();
  }
  static QStringList texts(QTreeWidget* list, int column) {
    QStringList all;
    for (int i = 0; i < list->topLevelItemCount(); ++i) all << list->topLevelItem(i)->text(column);
    return all;
  }
};

TEST_F(DataPidWidgetsTest, ThePageShowsBothListsInProportionWithItsToolTipsAndTakesItsButtons) {
  PropSheetDialog window(sheet, strings);
  window.resize(520, 440);
  window.show();
  window.findChild<QTabWidget*>("pages")->setCurrentIndex(2);
  auto* available = control<QTreeWidget>(window, 1203);
  auto* selected = control<QTreeWidget>(window, 1204);
  EXPECT_EQ(available->headerItem()->text(0), "Data PID");
  EXPECT_EQ(selected->headerItem()->text(1), "Service Type");
  EXPECT_EQ(texts(available, 0), QStringList{"500"});
  EXPECT_EQ(texts(selected, 1), QStringList{"Multiprotocol Encapsulation"});
  for (QTreeWidget* list : {available, selected}) {
    EXPECT_NEAR(list->columnWidth(0), (list->width() - 4) * 70 / 220, 1);
    EXPECT_NEAR(list->columnWidth(1), (list->width() - 4) * 150 / 220, 1);
  }
  const std::pair<int, const char*> tips[] = {{1007, "Set Network PID"},
                                              {1008, "Relese Network PID"},
                                              {1019, "Add Data PID and Service Type"},
                                              {1021, "Update Data PID and Service Type"},
                                              {1020, "Delete Data PID and Service Type"}};
  for (const auto& [id, tip] : tips) EXPECT_EQ(control<QPushButton>(window, id)->toolTip(), tip) << id;
  auto* label = control<QLabel>(window, 1022);
  EXPECT_EQ(label->text(), "Data PID [Hex]");
  EXPECT_EQ(label->toolTip(), "Hexadecimal value");

  dialogs.enterDataPid("1ff", 1);
  control<QPushButton>(window, 1019)->click();
  EXPECT_EQ(texts(available, 0), (QStringList{"500", "1FF"}));
  EXPECT_EQ(available->topLevelItem(1)->text(1), "Data Streaming");
  EXPECT_TRUE(available->topLevelItem(1)->isSelected());
  control<QPushButton>(window, 1007)->click();
  EXPECT_EQ(texts(selected, 0), (QStringList{"1FF", "500"}));
  EXPECT_TRUE(available->selectedItems().isEmpty());

  EXPECT_TRUE(chooseFromBaseMenu(window, 32776, 32777));
  EXPECT_EQ(texts(available, 0), (QStringList{"1280", "511"}));
  EXPECT_EQ(label->text(), "Data PID [Dec]");
  EXPECT_EQ(label->toolTip(), "Decimal value");

  EXPECT_EQ(texts(selected, 0), (QStringList{"1280", "511"})) << "a fill lists them in DataNumber order";
  selected->topLevelItem(1)->setSelected(true);
  control<QPushButton>(window, 1008)->click();
  EXPECT_EQ(texts(selected, 0), QStringList{"1280"});
}

TEST_F(DataPidWidgetsTest, AFullListRefusesAddWithoutADialogAndThePageSwallowsEscapeAndEnter) {
  for (uint16_t pid = 0x600; pid < 0x60F; ++pid) {
    DataInfo data{};
    data.DataPID = pid;
    ASSERT_TRUE(Cvn_AddData(1, &data));
  }
  PropSheetDialog window(sheet, strings);
  window.show();
  window.findChild<QTabWidget*>("pages")->setCurrentIndex(2);
  auto* available = control<QTreeWidget>(window, 1203);
  ASSERT_EQ(available->topLevelItemCount(), 16);
  control<QPushButton>(window, 1019)->click();
  EXPECT_EQ(dialogs.dataPidRuns, 0);
  EXPECT_TRUE(ui.showed(StringId::DataPidLimit));

  available->setFocus();
  press(available, Qt::Key_Return);
  press(available, Qt::Key_Escape);
  press(control<QPushButton>(window, 1020), Qt::Key_Escape);
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(sheet.isOpen());
}

TEST_F(DataPidWidgetsTest, TheDialogConvertsByItsMenuRefusesForeignDigitsAndTakesEnterAsTab) {
  DataPidForm form(StringId::AddDataPidTitle, ui);
  DataPidDialog dialog(form);
  dialog.show();
  dialog.activateWindow();
  EXPECT_EQ(dialog.windowTitle(), "Add Data PID/Encapsulation");
  EXPECT_TRUE(control<QRadioButton>(dialog, 1189)->isChecked());
  auto* edit = control<QLineEdit>(dialog, 1201);
  edit->setText("1FF");
  EXPECT_TRUE(chooseFromBaseMenu(dialog, 32776, 32777));
  EXPECT_EQ(edit->text(), "511");
  EXPECT_EQ(control<QLabel>(dialog, 1022)->text(), "[Dec]");
  EXPECT_EQ(control<QLabel>(dialog, 1022)->toolTip(), "Decimal value");

  edit->setText("1FF");
  control<QPushButton>(dialog, 1)->click();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(ui.texts(), QStringList{"Data PID is invalid value."});
  EXPECT_EQ(edit->selectedText(), "1FF");
  edit->clear();
  control<QPushButton>(dialog, 1)->click();
  EXPECT_TRUE(dialog.isVisible()) << "an empty text does nothing";
  EXPECT_EQ(ui.texts().size(), 1);

  edit->setText("300");
  edit->setFocus();
  press(edit, Qt::Key_Return);
  EXPECT_TRUE(dialog.isVisible()) << "Enter moves on instead of pressing OK";
  control<QRadioButton>(dialog, 1192)->setChecked(true);
  control<QPushButton>(dialog, 1)->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(form.pid(), 300);
  EXPECT_EQ(form.encapsulation(), 5);

  DataPidForm editForm(StringId::EditDataPidTitle, ui);
  DataPidDialog editDialog(editForm);
  editDialog.show();
  press(control<QLineEdit>(editDialog, 1201), Qt::Key_Escape);
  EXPECT_FALSE(editDialog.isVisible()) << "Escape cancels this dialog";
  EXPECT_EQ(editDialog.result(), QDialog::Rejected);
}

}  // namespace
}  // namespace cv7::app::test
