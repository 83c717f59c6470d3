#include "ScanInformationDialog.h"

#include "ScanArtwork.h"
#include "ui_ScanInformationDialog.h"

namespace cv7::app {

ScanInformationDialog::ScanInformationDialog(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::ScanInformationDialog>()) {
  ui_->setupUi(this);
  ui_->id1014->setPixmap(ScanArtwork::banner());
  const QPixmap piece = ScanArtwork::warningPiece();
  for (QLabel* label : {ui_->piece1, ui_->piece2, ui_->piece3, ui_->piece4}) label->setPixmap(piece);
  connect(ui_->id1, &QPushButton::clicked, this, &QDialog::accept);
}

ScanInformationDialog::~ScanInformationDialog() = default;

}  // namespace cv7::app
