#include "SatellitePageWidget.h"

#include <QKeyEvent>
#include <functional>

#include "StringId.h"
#include "ui_SatellitePage.h"

namespace cv7::app {

namespace {

// Column proportions of the transponder list, and the width its frame and scroll bar keep.
constexpr int kEnglishColumns[3] = {91, 124, 50};
constexpr int kKoreanColumns[3] = {106, 108, 51};
constexpr int kListMargin = 20;

bool isEnter(const QKeyEvent* key) { return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter; }

}  // namespace

SatellitePageWidget::SatellitePageWidget(const StringTable& strings, QWidget* parent)
    : QWidget(parent), strings_(strings), ui_(std::make_unique<Ui::SatellitePage>()) {
  ui_->setupUi(this);
  ui_->id1105->setIcon(QIcon(QStringLiteral(":/icons/add-satellite.png")));
  ui_->id1257->setHeaderLabels({strings.text(StringId::ColumnFrequencyMHz),
                                strings.text(StringId::ColumnSymbolRateMSymbol),
                                strings.text(StringId::ColumnPolarity)});
  ui_->id1160->installEventFilter(this);
  ui_->id1257->installEventFilter(this);
  setToolTips();
  connectControls();
  setEnabled(false);
}

SatellitePageWidget::~SatellitePageWidget() {
  if (page_) page_->changed = nullptr;  // the page may outlive its widgets
}

QWidget* SatellitePageWidget::addSatelliteButton() const { return ui_->id1105; }

void SatellitePageWidget::setToolTips() {
  const std::pair<QWidget*, int> tips[] = {
      {ui_->id1160, StringId::TipSelectSatellite}, {ui_->id1105, StringId::TipAddSatellite},
      {ui_->id1106, StringId::TipDeleteSatellite}, {ui_->id1099, StringId::TipEditSatellite},
      {ui_->id1101, StringId::TipAutoScan},        {ui_->id1100, StringId::TipAddTransponder},
      {ui_->id1102, StringId::TipDeleteTransponder}, {ui_->id1098, StringId::TipEditTransponder},
      {ui_->id1096, StringId::TipLockTest}};
  for (const auto& [control, id] : tips) control->setToolTip(strings_.text(id));
}

void SatellitePageWidget::connectControls() {
  connect(ui_->id1160, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (!rendering_ && page_) page_->OnSelectSatellite(index);
  });
  connect(ui_->id1257, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (!rendering_ && page_ && item) page_->OnSelectTransponder(ui_->id1257->indexOfTopLevelItem(item));
  });
  const std::pair<QAbstractButton*, std::function<void(CPage2&)>> buttons[] = {
      {ui_->id1105, [](CPage2& page) { page.OnAddSatellite(); }},
      {ui_->id1106, [](CPage2& page) { page.OnDeleteSatellite(); }},
      {ui_->id1099, [](CPage2& page) { page.OnEditSatellite(); }},
      {ui_->id1100, [](CPage2& page) { page.OnAddTransponder(); }},
      {ui_->id1102, [](CPage2& page) { page.OnDeleteTransponder(); }},
      {ui_->id1098, [](CPage2& page) { page.OnEditTransponder(); }},
      {ui_->id1096, [](CPage2& page) { page.OnLockTest(); }},
      {ui_->id1097, [](CPage2& page) { page.OnScan(); }},
      {ui_->id1101, [](CPage2& page) { page.OnAutoScan(); }}};
  for (const auto& [button, handler] : buttons)
    connect(button, &QAbstractButton::clicked, this, [this, handler = handler] {
      if (page_) handler(*page_);
    });
}

void SatellitePageWidget::bind(CPage2* page) {
  page_ = page;
  setEnabled(page != nullptr);
  if (page_) page_->changed = [this] { render(); };
  render();
}

void SatellitePageWidget::render() {
  if (!page_ || rendering_) return;
  rendering_ = true;
  renderSatellites();
  renderTransponders();
  ui_->id1101->setEnabled(page_->autoScanEnabled);
  ui_->id1097->setEnabled(page_->scanEnabled);
  rendering_ = false;
}

void SatellitePageWidget::renderSatellites() {
  QComboBox* combo = ui_->id1160;
  QStringList shown;
  for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
  if (shown != page_->satelliteNames) {
    combo->clear();
    combo->addItems(page_->satelliteNames);
  }
  combo->setCurrentIndex(page_->satelliteIndex);
  ui_->id1264->setText(page_->oscillatorText);
  ui_->id1250->setText(page_->toneBurstText);
  ui_->id1262->setText(page_->tone22kText);
  ui_->id1265->setText(page_->diseqcText);
  ui_->id1263->setText(page_->lnbPowerText);
}

void SatellitePageWidget::renderTransponders() {
  QTreeWidget* list = ui_->id1257;
  const auto& rows = page_->rows;
  while (list->topLevelItemCount() > rows.size()) delete list->takeTopLevelItem(list->topLevelItemCount() - 1);
  for (int i = 0; i < rows.size(); ++i) {
    QTreeWidgetItem* item = list->topLevelItem(i);
    if (!item) item = new QTreeWidgetItem(list);
    item->setText(0, rows[i].frequency);
    item->setText(1, rows[i].symbolRate);
    item->setText(2, rows[i].polarity);
  }
  QTreeWidgetItem* selected = page_->m_nItemTp >= 0 ? list->topLevelItem(page_->m_nItemTp) : nullptr;
  list->setCurrentItem(selected);
  if (selected) list->scrollToItem(selected);
}

void SatellitePageWidget::sizeColumns() {
  const int* parts = strings_.isKorean() ? kKoreanColumns : kEnglishColumns;
  const int width = ui_->id1257->width() - kListMargin;
  const int total = parts[0] + parts[1] + parts[2];
  for (int column = 0; column < 3; ++column) ui_->id1257->setColumnWidth(column, width * parts[column] / total);
}

void SatellitePageWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  sizeColumns();
}

bool SatellitePageWidget::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && isEnter(static_cast<QKeyEvent*>(event))) {
    focusNextChild();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void SatellitePageWidget::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();  // neither closes the sheet nor reaches a control
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace cv7::app
