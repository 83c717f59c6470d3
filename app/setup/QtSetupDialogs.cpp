#include "QtSetupDialogs.h"

#include <QMenu>

#include "AutoScanDialog.h"
#include "SatelliteDialog.h"
#include "ScanDialog.h"
#include "ScanInformationDialog.h"
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

void QtSetupDialogs::runScanDialog(CScanDlg& logic) {
  ScanDialog dialog(logic, owner_);
  dialog.exec();
}

void QtSetupDialogs::runScanInformationDialog() {
  ScanInformationDialog dialog(owner_);
  dialog.exec();
}

void QtSetupDialogs::runAutoScanDialog(CAutoScanDlg& logic) {
  AutoScanDialog dialog(logic, owner_);
  dialog.exec();
}

}  // namespace cv7::app
