// The setup page's dialogs for tests: each run takes the next scripted entry, which fills the
// form as a user would and presses OK (or Cancel); the form's own OK logic decides whether
// the dialog closes. A refused entry counts as Cancel, so a test sees the message and the
// page sees no change.
#pragma once
#include <QString>
#include <deque>
#include <functional>

#include "ImportForm.h"
#include "CAutoScanDlg.h"
#include "CScanDlg.h"
#include "DataPidForm.h"
#include "SatelliteForm.h"
#include "SetupDialogs.h"
#include "TransponderForm.h"

namespace cv7::app {

class ScriptedSetupDialogs : public SetupDialogs {
 public:
  // Filled in by the script; false presses Cancel.
  using SatelliteEntry = std::function<bool(SatelliteForm&)>;
  using TransponderEntry = std::function<bool(TransponderForm&)>;

  int menuCommand = kNewSatellite;
  std::deque<SatelliteEntry> satelliteEntries;
  std::deque<TransponderEntry> transponderEntries;
  int satelliteRuns = 0, transponderRuns = 0;
  SatelliteForm::Field lastSatelliteField = SatelliteForm::Field::None;
  TransponderForm::Field lastTransponderField = TransponderForm::Field::None;

  // A transponder entered as texts and polarity, then OK.
  void enterTransponder(const QString& frequency, const QString& symbolRate, int polarity = 0) {
    transponderEntries.push_back([=](TransponderForm& form) {
      form.frequencyText = frequency;
      form.symbolRateText = symbolRate;
      form.polarity = polarity;
      return true;
    });
  }

  bool runSatelliteDialog(SatelliteForm& form) override {
    ++satelliteRuns;
    if (satelliteEntries.empty()) return false;
    SatelliteEntry entry = std::move(satelliteEntries.front());
    satelliteEntries.pop_front();
    if (!entry(form)) return false;
    lastSatelliteField = form.accept();
    return lastSatelliteField == SatelliteForm::Field::None;
  }
  bool runTransponderDialog(TransponderForm& form) override {
    ++transponderRuns;
    if (transponderEntries.empty()) return false;
    TransponderEntry entry = std::move(transponderEntries.front());
    transponderEntries.pop_front();
    if (!entry(form)) return false;
    lastTransponderField = form.accept();
    return lastTransponderField == TransponderForm::Field::None;
  }
  int chooseAddSatelliteCommand() override { return menuCommand; }

  // The import: the chooser gives `importPath` (empty: cancelled), then the dialog is closed
  // with OK or Cancel.
  QString importPath;
  bool importOk = true;
  int importRuns = 0;
  void runImportDialog(ImportForm& form) override {
    ++importRuns;
    if (!form.open(importPath)) return;
    if (importOk) {
      form.accept();
    } else {
      form.cancel();
    }
  }
  // The scan dialogs: each run calls the test's script with the dialog's logic (none: the
  // dialog is not shown); the information dialog is counted.
  std::function<void(CScanDlg&)> scanDialog;
  std::function<void(CAutoScanDlg&)> autoScanDialog;
  int scanInformationRuns = 0;
  int tunerInformationRuns = 0;
  void runTunerInformationWindow() override { ++tunerInformationRuns; }
  void runScanDialog(CScanDlg& dialog) override {
    if (scanDialog) scanDialog(dialog);
  }
  void runScanInformationDialog() override { ++scanInformationRuns; }
  void runAutoScanDialog(CAutoScanDlg& dialog) override {
    if (autoScanDialog) autoScanDialog(dialog);
  }

  // The data PID dialog: each entry fills the form (it may choose a base, as the menu does)
  // and says whether OK is pressed; the form's OK check then decides.
  using DataPidEntry = std::function<bool(DataPidForm&)>;
  std::deque<DataPidEntry> dataPidEntries;
  int dataPidRuns = 0;
  QString lastDataPidTitle;
  QString lastDataPidText;  // the text the last dialog opened with

  // A PID typed as `text` with service type `serviceType`, then OK.
  void enterDataPid(const QString& text, int serviceType = 0) {
    dataPidEntries.push_back([=](DataPidForm& form) {
      form.pidText = text;
      form.m_ServiceType = serviceType;
      return true;
    });
  }

  bool runDataPidDialog(DataPidForm& form) override {
    ++dataPidRuns;
    lastDataPidTitle = form.title;
    lastDataPidText = form.pidText;
    if (dataPidEntries.empty()) return false;
    DataPidEntry entry = std::move(dataPidEntries.front());
    dataPidEntries.pop_front();
    return entry(form) && form.accept() == DataPidForm::Result::Accepted;
  }
};

}  // namespace cv7::app
