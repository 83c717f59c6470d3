#include "ScanDialog.h"

#include <QKeyEvent>

#include "ScanArtwork.h"
#include "StringId.h"
#include "ui_ScanDialog.h"

namespace cv7::app {

ScanDialog::ScanDialog(CScanDlg& logic, QWidget* parent)
    : QDialog(parent), logic_(logic), ui_(std::make_unique<Ui::ScanDialog>()),
      timers_([this](int id) { logic_.OnTimer(id); }) {
  ui_->setupUi(this);
  setWindowTitle(logic_.strings().text(StringId::ScanTitle));
  ui_->id1014->setPixmap(ScanArtwork::banner());
  logic_.changed = [this] { render(); };
  logic_.close = [this] { done(Accepted); };
  logic_.setTimers(&timers_);
  connect(ui_->id1153, &QPushButton::clicked, this, [this] { logic_.OnCancel(); });
  logic_.OnInitDialog();
  render();
}

ScanDialog::~ScanDialog() {
  logic_.OnDestroy();
  logic_.setTimers(nullptr);
  logic_.changed = nullptr;
  logic_.close = nullptr;
}

void ScanDialog::render() { ui_->id1155->setText(logic_.text); }

void ScanDialog::reject() { logic_.OnEnter(); }

void ScanDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape: return;
    case Qt::Key_Return:
    case Qt::Key_Enter: logic_.OnEnter(); return;
    default: QDialog::keyPressEvent(event);
  }
}

}  // namespace cv7::app
