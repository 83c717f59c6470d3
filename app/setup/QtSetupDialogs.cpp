#include "QtSetupDialogs.h"

#include <QFileDialog>
#include <QMenu>

#include "AutoScanDialog.h"
#include "CPage2.h"
#include "CPropSheet.h"
#include "ImportDialog.h"
#include "DataPidDialog.h"
#include "SatelliteDialog.h"
#include "ScanDialog.h"
#include "ScanInformationDialog.h"
#include "TransponderDialog.h"
#include "TunerInformationWindow.h"

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

void QtSetupDialogs::runTunerInformationWindow() {
  CPage2* page = sheet_ ? sheet_->satellitePage() : nullptr;
  TunerInformationWindow window(owner_);
  if (page) page->m_pTunerInfoWnd = &window;
  window.exec();
  if (page) page->m_pTunerInfoWnd = nullptr;
}

void QtSetupDialogs::runImportDialog(ImportForm& form) {
  const QString chosen =
      QFileDialog::getOpenFileName(owner_, QString::fromLatin1(ImportForm::kChooserTitle),
                                   QString::fromLatin1(ImportForm::kChooserDirectory),
                                   QString::fromLatin1(ImportForm::kChooserFilter));
  if (!form.open(chosen)) return;
  ImportDialog dialog(form, owner_);
  dialog.exec();
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

bool QtSetupDialogs::runDataPidDialog(DataPidForm& form) {
  DataPidDialog dialog(form, owner_);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace cv7::app
