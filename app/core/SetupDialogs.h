// The modal parts of the satellite page that the page's logic starts: the satellite and the
// transponder dialogs and the "Add..." button's popup menu. The widgets implement it; tests
// answer with scripted input.
#pragma once

namespace cv7::app {

class ImportForm;
class SatelliteForm;
class DataPidForm;
class TransponderForm;
class CScanDlg;
class CAutoScanDlg;

class SetupDialogs {
 public:
  // Commands of the "Add..." popup menu (1229).
  static constexpr int kNewSatellite = 32828;
  static constexpr int kImportSatellite = 32829;

  virtual ~SetupDialogs() = default;
  // Runs the dialog on `form` until it closes; true when it closed with OK (form.accept()
  // said so).
  virtual bool runSatelliteDialog(SatelliteForm& form) = 0;
  virtual bool runTransponderDialog(TransponderForm& form) = 0;
  // Shows the popup menu and returns the chosen command, or 0 when none was chosen.
  virtual int chooseAddSatelliteCommand() = 0;
  // Shows the tuner information window modally after a lock test and returns when it closed.
  // Nothing is shown where no window can be (the default).
  virtual void runTunerInformationWindow() {}
  // "Import...": the file chooser, then the import dialog on the form until it closes; the
  // form holds the result. Nothing is shown where no window can be (the default), which
  // leaves the form's result at nothing adopted.
  virtual void runImportDialog(ImportForm&) {}
  // The scan dialog (1015), the "Scan Information" dialog (1017) and the auto-scan dialog
  // (1244), each shown modally until it closes. The scan dialogs are run on the logic given.
  // Nothing is shown where no window can be (the default).
  virtual void runScanDialog(CScanDlg&) {}
  virtual void runScanInformationDialog() {}
  virtual void runAutoScanDialog(CAutoScanDlg&) {}
  // Runs the data PID page's add/edit dialog on `form`; true when it closed with OK. Nothing
  // is shown where no window can be (the default).
  virtual bool runDataPidDialog(DataPidForm&) { return false; }
};

}  // namespace cv7::app
