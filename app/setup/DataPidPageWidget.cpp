#include "DataPidPageWidget.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>
#include <functional>

#include "PidBaseMenu.h"
#include "StringId.h"
#include "ui_DataPidPage.h"

namespace cv7::app {

namespace {

// Column proportions of both lists, and the width the list's frame keeps.
constexpr int kEnglishColumns[2] = {70, 150};
constexpr int kKoreanColumns[2] = {82, 138};
constexpr int kColumnsTotal = 220;
constexpr int kListFrame = 4;

bool isEnter(const QKeyEvent* key) { return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter; }

}  // namespace

DataPidPageWidget::DataPidPageWidget(const StringTable& strings, QWidget* parent)
    : QWidget(parent), strings_(strings), ui_(std::make_unique<Ui::DataPidPage>()) {
  ui_->setupUi(this);
  ui_->id1007->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
  ui_->id1008->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
  for (QTreeWidget* list : {ui_->id1203, ui_->id1204}) {
    list->header()->setStretchLastSection(false);
    list->installEventFilter(this);
  }
  setToolTips();
  connectControls();
  setEnabled(false);
}

DataPidPageWidget::~DataPidPageWidget() {
  if (page_) page_->changed = nullptr;  // the page may outlive its widgets
}

void DataPidPageWidget::setToolTips() {
  const std::pair<QWidget*, int> tips[] = {{ui_->id1007, StringId::TipSetNetworkPid},
                                           {ui_->id1008, StringId::TipReleaseNetworkPid},
                                           {ui_->id1019, StringId::TipAddDataPid},
                                           {ui_->id1021, StringId::TipEditDataPid},
                                           {ui_->id1020, StringId::TipDeleteDataPid}};
  for (const auto& [control, id] : tips) control->setToolTip(strings_.text(id));
}

void DataPidPageWidget::connectControls() {
  connect(ui_->id1203, &QTreeWidget::itemSelectionChanged, this, [this] {
    if (!rendering_ && page_) page_->selectAvailable(selectedRows(ui_->id1203));
  });
  connect(ui_->id1204, &QTreeWidget::itemSelectionChanged, this, [this] {
    if (!rendering_ && page_) page_->selectSelected(selectedRows(ui_->id1204));
  });
  const std::pair<QAbstractButton*, std::function<void(CPage3&)>> buttons[] = {
      {ui_->id1007, [](CPage3& page) { page.OnSetNetworkPid(); }},
      {ui_->id1008, [](CPage3& page) { page.OnReleaseNetworkPid(); }},
      {ui_->id1019, [](CPage3& page) { page.OnAdd(); }},
      {ui_->id1020, [](CPage3& page) { page.OnDelete(); }},
      {ui_->id1021, [](CPage3& page) { page.OnEdit(); }}};
  for (const auto& [button, handler] : buttons)
    connect(button, &QAbstractButton::clicked, this, [this, handler = handler] {
      if (page_) handler(*page_);
    });
  connect(ui_->id1022, &QWidget::customContextMenuRequested, this, [this] {
    if (!page_) return;
    PidBaseMenu menu(this);
    if (const auto base = menu.choose(QCursor::pos())) page_->OnChooseBase(*base);
  });
}

QList<int> DataPidPageWidget::selectedRows(QTreeWidget* list) const {
  QList<int> rows;
  for (QTreeWidgetItem* item : list->selectedItems()) rows << list->indexOfTopLevelItem(item);
  return rows;
}

void DataPidPageWidget::bind(CPage3* page) {
  page_ = page;
  setEnabled(page != nullptr);
  if (page_) page_->changed = [this] { render(); };
  render();
}

void DataPidPageWidget::render() {
  if (!page_ || rendering_) return;
  rendering_ = true;
  renderList(ui_->id1203, page_->available, page_->availableSelection);
  renderList(ui_->id1204, page_->selected, page_->selectedSelection);
  if (page_->availableScrollTo >= 0 && page_->availableScrollTo < ui_->id1203->topLevelItemCount())
    ui_->id1203->scrollToItem(ui_->id1203->topLevelItem(page_->availableScrollTo));
  ui_->id1022->setText(page_->baseLabelText());
  ui_->id1022->setToolTip(strings_.text(page_->baseTipId()));
  rendering_ = false;
}

void DataPidPageWidget::renderList(QTreeWidget* list, const QVector<CPage3::Row>& rows, const QList<int>& selection) {
  while (list->topLevelItemCount() > rows.size()) delete list->takeTopLevelItem(list->topLevelItemCount() - 1);
  for (int i = 0; i < rows.size(); ++i) {
    QTreeWidgetItem* item = list->topLevelItem(i);
    if (!item) item = new QTreeWidgetItem(list);
    item->setText(0, rows[i].pidText);
    item->setText(1, rows[i].serviceType);
    item->setSelected(selection.contains(i));
  }
}

void DataPidPageWidget::sizeColumns(QTreeWidget* list) {
  const int* parts = strings_.isKorean() ? kKoreanColumns : kEnglishColumns;
  const int width = list->width() - kListFrame;
  for (int column = 0; column < 2; ++column) list->setColumnWidth(column, width * parts[column] / kColumnsTotal);
}

bool DataPidPageWidget::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize) sizeColumns(static_cast<QTreeWidget*>(watched));
  if (event->type() == QEvent::KeyPress && isEnter(static_cast<QKeyEvent*>(event))) {
    focusNextChild();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void DataPidPageWidget::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();  // neither closes the sheet nor reaches a control
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace cv7::app
