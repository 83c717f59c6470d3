#include "ImportDialog.h"

#include "StringId.h"
#include "ui_ImportDialog.h"

namespace cv7::app {

namespace {

// Column proportions of the two lists by display language.
constexpr int kEnglishTransponderColumns[4] = {14, 34, 32, 20};
constexpr int kKoreanTransponderColumns[4] = {14, 33, 33, 20};
constexpr int kEnglishChannelColumns[4] = {15, 43, 20, 22};
constexpr int kKoreanChannelColumns[4] = {15, 45, 20, 20};
constexpr int kListMargin = 20;  // frame and scroll bar

void sizeList(QTreeWidget* list, const int (&parts)[4]) {
  const int width = list->width() - kListMargin;
  for (int column = 0; column < 4; ++column) list->setColumnWidth(column, width * parts[column] / 100);
}

// Rows overwritten in place, new ones added, those beyond the count deleted.
template <typename Row>
void fillList(QTreeWidget* list, const QVector<Row>& rows, QStringList (*texts)(const Row&)) {
  while (list->topLevelItemCount() > rows.size()) delete list->takeTopLevelItem(list->topLevelItemCount() - 1);
  for (int i = 0; i < rows.size(); ++i) {
    QTreeWidgetItem* item = list->topLevelItem(i);
    if (!item) item = new QTreeWidgetItem(list);
    const QStringList columns = texts(rows[i]);
    for (int column = 0; column < columns.size(); ++column) item->setText(column, columns[column]);
  }
}

QStringList transponderTexts(const ImportForm::TransponderRow& row) {
  return {row.number, row.frequency, row.symbolRate, row.polarity};
}
QStringList channelTexts(const ImportForm::ChannelRow& row) { return {row.number, row.name, row.kind, row.scrambled}; }

}  // namespace

ImportDialog::ImportDialog(ImportForm& form, QWidget* parent)
    : ButtonClosedDialog(parent), form_(form), strings_(form.strings()), ui_(std::make_unique<Ui::ImportDialog>()) {
  const StringTable& strings = strings_;
  ui_->setupUi(this);
  ui_->id1257->setHeaderLabels({strings.text(StringId::ColumnNo), strings.text(StringId::ColumnFrequency),
                                strings.text(StringId::ColumnSymbolRate), strings.text(StringId::ColumnPolarity)});
  ui_->id1267->setHeaderLabels({strings.text(StringId::ColumnNo), strings.text(StringId::ColumnName),
                                strings.text(StringId::ColumnTvRadio), strings.text(StringId::ColumnScrambled)});
  connect(ui_->id1257, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (!rendering_ && item) form_.selectTransponder(ui_->id1257->indexOfTopLevelItem(item));
  });
  connect(ui_->id1, &QPushButton::clicked, this, [this] {
    form_.accept();
    done(Accepted);
  });
  connect(ui_->id2, &QPushButton::clicked, this, &ImportDialog::reject);
  form_.changed = [this] { render(); };
  resize(620, 420);
  render();
}

ImportDialog::~ImportDialog() { form_.changed = nullptr; }

void ImportDialog::reject() {
  form_.cancel();
  done(Rejected);
}

void ImportDialog::render() {
  if (rendering_) return;
  rendering_ = true;
  ui_->id1270->setText(form_.satelliteName);
  ui_->id1285->setText(form_.path);
  ui_->id1271->setText(form_.lnb.oscillator);
  ui_->id1250->setText(form_.lnb.toneBurst);
  ui_->id1265->setText(form_.lnb.diseqc);
  ui_->id1262->setText(form_.lnb.tone22k);
  ui_->id1263->setText(form_.lnb.lnbPower);
  fillList(ui_->id1257, form_.transponders, transponderTexts);
  ui_->id1257->setCurrentItem(form_.selectedRow >= 0 ? ui_->id1257->topLevelItem(form_.selectedRow) : nullptr);
  fillList(ui_->id1267, form_.channels, channelTexts);
  rendering_ = false;
}

void ImportDialog::sizeColumns() {
  const bool korean = strings_.isKorean();
  sizeList(ui_->id1257, korean ? kKoreanTransponderColumns : kEnglishTransponderColumns);
  sizeList(ui_->id1267, korean ? kKoreanChannelColumns : kEnglishChannelColumns);
}

void ImportDialog::resizeEvent(QResizeEvent* event) {
  ButtonClosedDialog::resizeEvent(event);
  sizeColumns();
}

}  // namespace cv7::app
