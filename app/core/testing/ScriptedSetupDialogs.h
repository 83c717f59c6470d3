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
};

}  // namespace cv7::app
