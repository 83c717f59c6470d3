#include "QtSetupDialogs.h"

#include <QMenu>

#include "DataPidDialog.h"
#include "SatelliteDialog.h"
#include "TransponderDialog.h"

namespace cv7::app {

bool QtSetupDialogs::runSatelliteDialog(SatelliteForm& form) {
  SatelliteDialog dialog(form, owner_);
  return dialog.exec() == QDialog::Accepted;
}

bool QtSetupDialogs::runTransponderDialog(TransponderForm& form) {
  TransponderDialog dialog(form, owner_);
  return dialog.exec() == QDialog::Accepted;
}

int QtSetupDialogs::chooseAddSatelliteCommand() {
  QMenu menu(owner_);
  menu.setObjectName(QStringLiteral("id1229"));
  menu.addAction(QStringLiteral("New..."))->setData(kNewSatellite);
  menu.addAction(QStringLiteral("Import..."))->setData(kImportSatellite);
  const QPoint at = anchor_ ? anchor_->mapToGlobal(anchor_->rect().bottomLeft()) : QCursor::pos();
  QAction* chosen = menu.exec(at);
  return chosen ? chosen->data().toInt() : 0;
}

bool QtSetupDialogs::runDataPidDialog(DataPidForm& form) {
  DataPidDialog dialog(form, owner_);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace cv7::app
