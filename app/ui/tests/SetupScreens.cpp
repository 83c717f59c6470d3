// Draws the "Data Setup" sheet on its satellite page, the satellite dialog and the transponder
// dialog on the X display of $DISPLAY and saves what the X server shows of each window as a
// PNG: cv7-setup-screens BASE REGISTRY OUTPUT_DIR. BASE holds Datafile/ with the shipped
// satellites' files; the registry is written with those satellites. No card is needed: the
// windows only show the library's database.
#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTabWidget>
#include <cstdio>

#include "CPropSheet.h"
#include "ConfigurationKeys.h"
#include "FakeClock.h"
#include "PropSheetDialog.h"
#include "RecordingTvNotifier.h"
#include "RecordingUserInterface.h"
#include "Registry.h"
#include "SatelliteDialog.h"
#include "ScriptedSetupDialogs.h"
#include "StringId.h"
#include "TransponderDialog.h"

using namespace cv7::app;

namespace {

void settle(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool save(QWidget& window, const QString& path) {
  window.show();
  window.raise();
  settle(700);
  const bool saved = window.screen()->grabWindow(window.winId()).save(path);
  std::fprintf(stderr, "%s %s\n", saved ? "saved" : "cannot save", qPrintable(path));
  window.hide();
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: cv7-setup-screens BASE REGISTRY OUTPUT_DIR\n", stderr);
    return 2;
  }
  QApplication application(argc, argv);
  const QString base = QString::fromLocal8Bit(argv[1]), output = QString::fromLocal8Bit(argv[3]);
  const cv7::registry::Registry registry(argv[2]);
  const ConfigurationStore store(registry);
  ApplicationState state;
  state.m_strBaseDir = base;
  state.m_strDataDir = base + "/Datafile";
  const char* satellites[][2] = {{"HOTBIRD", "HotBird.cvd"}, {"ASTRA", "Astra.cvd"}, {"ASIA SAT 2", "AsiaSat2.cvd"},
                                 {"KOREA SAT", "KoreaSat.cvd"}};
  for (int i = 1; i <= 4; ++i) {
    store.writeText(config::kSatellite, QString(config::kSatelliteNameFormat).arg(i), satellites[i - 1][0]);
    store.writeText(config::kSatellite, QString(config::kSatelliteFileFormat).arg(i),
                    state.m_strDataDir + "/" + satellites[i - 1][1]);
  }
  state.m_SateNum = 4;
  state.m_strSateName = "HOTBIRD";
  state.m_strSateFile = state.m_strDataDir + "/HotBird.cvd";
  state.g_TpNum = 2;

  const StringTable strings;
  RecordingUserInterface ui(strings);
  FakeClock clock;
  FileUpkeep files(state, store, ui, clock);
  if (files.loadDataFile() != FileUpkeep::Result::Done) {
    std::fputs("cannot load HotBird.cvd\n", stderr);
    return 1;
  }
  Cvn_GetSatelliteInformation(&state.g_LnbInfo);
  RecordingTvNotifier tv;
  ReceptionStartup reception(state, store, ui, files, tv);
  ScriptedSetupDialogs dialogs;
  CPropSheet sheet({state, store, ui, files, reception, tv, dialogs});

  bool saved = true;
  {
    PropSheetDialog window(sheet, strings);
    window.resize(520, 440);
    window.findChild<QTabWidget*>("pages")->setCurrentIndex(1);
    saved = save(window, output + "/setup-satellite-page.png") && saved;
    sheet.OnCancel();
  }
  {
    // The data PID page on the beacon's transponder, with a second service not received.
    state.g_TpNum = 1;
    DataInfo data{};
    data.DataPID = 0x1FF;
    data.Encapsulation = 1;
    Cvn_AddData(1, &data);
    PropSheetDialog window(sheet, strings);
    window.resize(520, 440);
    window.findChild<QTabWidget*>("pages")->setCurrentIndex(2);
    saved = save(window, output + "/setup-data-pid-page.png") && saved;
    sheet.OnCancel();
    state.g_TpNum = 2;
  }
  SatelliteForm satellite(SatelliteForm::Edit, sheet, state.g_LnbInfo);
  SatelliteDialog satelliteDialog(satellite);
  saved = save(satelliteDialog, output + "/setup-satellite-dialog.png") && saved;
  TransponderForm transponder(2, StringId::EditTransponderTitle, ui);
  transponder.frequencyText = "10757.000";
  transponder.symbolRateText = "27.500";
  transponder.polarity = 1;
  TransponderDialog transponderDialog(transponder);
  saved = save(transponderDialog, output + "/setup-transponder-dialog.png") && saved;
  return saved ? 0 : 1;
}
