// The satellite page (169) of the setup sheet without its widgets: the registered satellites,
// the LNB settings of the selected one and its transponders, and the flows of its buttons.
// Every change is made in the library's database in memory, keeps the favourites in step,
// marks the satellite information as changed and writes the temporary data file; the sheet's
// OK or Cancel decides what stays.
//
// Window thread only. The widgets show the members below and call the handlers; `changed`
// tells them to show the page again.
#pragma once
#include <corvane.h>

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

#include "SetupSheetAccess.h"
#include "TunerInformationView.h"

namespace cv7::app {

class CPropSheet;
struct SetupServices;

class CPage2 {
 public:
  struct Row {
    QString frequency, symbolRate, polarity;
    bool operator==(const Row&) const = default;
  };

  explicit CPage2(CPropSheet& sheet);

  // The page's window was created.
  void OnInitDialog();
  // The page became the active one: the scan buttons, then the refresh asked for meanwhile.
  void OnSetActive();
  // The page's window was activated.
  void OnActivate();

  // Combo 1160's selection changed to `position` (-1: none).
  void OnSelectSatellite(int position);
  // The transponder list's selection changed to row `index`.
  void OnSelectTransponder(int index);
  void OnAddSatellite();
  void OnDeleteSatellite();
  void OnEditSatellite();
  void OnAddTransponder();
  void OnEditTransponder();
  void OnDeleteTransponder();
  // "Lock Test...", "Scan..." and "Auto Scan..." (ScanFlows).
  void OnLockTest();
  void OnScan();
  void OnAutoScan();

  void ShowSatelliteList();
  void ReloadSatelliteList();
  void ShowLnbInfo();
  void ShowTransponderList();
  // Asks (when `ask`) whether to keep the changed satellite information; keeps it (writes the
  // files) or reloads the files. True when kept.
  bool LeaveChangedSatellite(bool ask);

  // Selects the combo's entry / the list's row (as the user would) and scrolls it into view.
  void selectSatellitePosition(int position);
  void selectTransponderRow(int index);

  // What the controls show.
  QStringList satelliteNames;  // combo 1160
  int satelliteIndex = -1;
  QString oscillatorText, toneBurstText, tone22kText, diseqcText, lnbPowerText;
  QVector<Row> rows;  // list 1257
  int m_nItemTp = -1;
  bool autoScanEnabled = false;  // "Auto Scan..." is disabled until the page is first active
  bool scanEnabled = true;
  SetupSheetAccess::Refresh refresh = SetupSheetAccess::kRefreshNone;
  std::function<void()> changed;
  // The tuner information window while it is shown, else none.
  TunerInformationView* m_pTunerInfoWnd = nullptr;

 private:
  Row rowOf(const TrInfo& tr) const;
  QString satelliteText() const;
  void deleteFavoritesOf(const QString& satellite);
  void addNewSatellite();
  // "Import...": the import dialog, then the page follows what it adopted.
  void importSatellite();
  // The combo position of a registered satellite: by exact text, else ignoring case.
  int satellitePositionOf(const QString& name) const;
  // After a transponder was inserted at `number`: later favourites move one transponder on.
  void shiftFavoritesFrom(uint32_t number);
  void markChanged();
  void notifyChanged();

  CPropSheet& sheet_;
  SetupServices& services_;
};

}  // namespace cv7::app
