#include "AutoScanDialog.h"

#include <QTimer>
#include <utility>

#include "StringId.h"
#include "ui_AutoScanDialog.h"

namespace cv7::app {

namespace {
// Column proportions of the list: No, Frequency, Symbol Rate, Locking, Channels.
constexpr int kEnglishColumns[5] = {38, 89, 102, 70, 81};
constexpr int kKoreanColumns[5] = {42, 100, 82, 43, 70};
constexpr int kListMargin = 6;  // the list's frame
}  // namespace

AutoScanDialog::AutoScanDialog(CAutoScanDlg& logic, QWidget* parent)
    : ButtonClosedDialog(parent), logic_(logic), ui_(std::make_unique<Ui::AutoScanDialog>()),
      timers_([this](int id) { logic_.OnTimer(id); }) {
  ui_->setupUi(this);
  const StringTable& strings = logic_.strings();
  setWindowTitle(strings.text(StringId::AutoScanTitle));
  ui_->id1257->setHeaderLabels({strings.text(StringId::ColumnNo), strings.text(StringId::ColumnFrequency),
                                strings.text(StringId::ColumnSymbolRate), strings.text(StringId::ColumnLocking),
                                strings.text(StringId::ColumnChannels)});
  ui_->id1259->setRange(0, 100);
  enterMovesFocus({ui_->id1257, ui_->id1259});  // also sees the list's resizes
  logic_.changed = [this] { render(); };
  logic_.close = [this] { done(Accepted); };
  logic_.setTimers(&timers_);
  connect(ui_->id1304, &QPushButton::clicked, this, [this] { logic_.OnCancel(); });
  logic_.OnInitDialog();
  render();
}

AutoScanDialog::~AutoScanDialog() {
  logic_.OnDestroy();
  logic_.setTimers(nullptr);
  logic_.changed = nullptr;
  logic_.close = nullptr;
}

void AutoScanDialog::reject() { logic_.OnCancel(); }

void AutoScanDialog::paintEvent(QPaintEvent* event) {
  ButtonClosedDialog::paintEvent(event);
  // The first paint starts the scan, once the window is on the screen.
  if (std::exchange(firstPaint_, false)) QTimer::singleShot(0, this, [this] { logic_.OnPaint(); });
}

void AutoScanDialog::render() {
  ui_->id1261->setText(logic_.satelliteText);
  renderRows();
  ui_->id1265->setText(logic_.statusText);
  ui_->id1259->setValue(logic_.progress);
  ui_->id1260->setText(logic_.percentText);
  ui_->id1304->setText(logic_.buttonText);
}

void AutoScanDialog::renderRows() {
  QTreeWidget* list = ui_->id1257;
  const auto& rows = logic_.rows;
  while (list->topLevelItemCount() > rows.size()) delete list->takeTopLevelItem(list->topLevelItemCount() - 1);
  for (int i = 0; i < rows.size(); ++i) {
    QTreeWidgetItem* item = list->topLevelItem(i);
    if (!item) item = new QTreeWidgetItem(list);
    const CAutoScanDlg::Row& row = rows[i];
    int column = 0;
    for (const QString& text : {row.number, row.frequency, row.symbolRate, row.locking, row.channels})
      item->setText(column++, text);
  }
  if (QTreeWidgetItem* selected = logic_.selectedRow >= 0 ? list->topLevelItem(logic_.selectedRow) : nullptr)
    list->setCurrentItem(selected);
  if (QTreeWidgetItem* shown = logic_.scrolledRow >= 0 ? list->topLevelItem(logic_.scrolledRow) : nullptr)
    list->scrollToItem(shown);
}

void AutoScanDialog::sizeColumns() {
  const int* parts = logic_.strings().isKorean() ? kKoreanColumns : kEnglishColumns;
  int total = 0;
  for (int column = 0; column < 5; ++column) total += parts[column];
  const int width = ui_->id1257->width() - kListMargin;
  for (int column = 0; column < 5; ++column) ui_->id1257->setColumnWidth(column, width * parts[column] / total);
}

bool AutoScanDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->id1257 && event->type() == QEvent::Resize) sizeColumns();
  return ButtonClosedDialog::eventFilter(watched, event);
}

}  // namespace cv7::app
