// Draws the "Data Setup" sheet on its satellite page, the satellite dialog, the transponder
// dialog, the tuner information window in its three states and the scan dialog on the X display
// of $DISPLAY and saves what the X server shows of each window as a PNG: cv7-setup-screens BASE
// REGISTRY OUTPUT_DIR. BASE holds Datafile/ with the shipped satellites' files; the registry is
// written with those satellites. No card is needed: the windows only show the library's
// database. With a card ($CV7_DEVICE) the auto-scan dialog is drawn after a run over HOTBIRD's
// first five transponders and one where nothing is.
#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTabWidget>
#include <cstdio>

#include "AutoScanDialog.h"
#include "CPropSheet.h"
#include "ConfigurationKeys.h"
#include "FakeClock.h"
#include "FakeHostAddressSource.h"
#include "IpAddressUpkeep.h"
#include "LibraryWindow.h"
#include "PropSheetDialog.h"
#include "RecordingTvNotifier.h"
#include "RecordingSetupSheet.h"
#include "RecordingUserInterface.h"
#include "Registry.h"
#include "SatelliteDialog.h"
#include "ScanDialog.h"
#include "ScriptedSetupDialogs.h"
#include "SearchResultProcessor.h"
#include "StringId.h"
#include "TransponderDialog.h"
#include "TunerInformationWindow.h"
#include "WindowMessages.h"

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

// The auto-scan dialog over HOTBIRD's first five transponders and one where nothing is,
// kept open after the run; false when there is no card or the run did not finish.
bool saveAutoScan(CPropSheet& sheet, UserInterface& ui, const QString& path) {
  SetupServices& services = sheet.services();
  WindowThreadInvoker invoker;
  SearchResultProcessor results(services.state, services.files, services.tv, sheet, ui);
  LibraryWindow window(invoker, [&](uint32_t message, uintptr_t, intptr_t lParam) -> intptr_t {
    if (message == WindowMessage::kSearchResult) results.onSearchResult(reinterpret_cast<const SiList*>(lParam));
    return 0;
  });
  if (!Cvn_OpenSystem(3, window.window(), 0, WindowMessage::kSearchResult, 0) || !Cvn_StartSystem()) return false;
  services.files.loadDataFile();
  while (Cvn_GetNumOfTransponder() > 5) Cvn_DeleteTransponder(uint32_t(Cvn_GetNumOfTransponder()));
  TrInfo nowhere{};
  nowhere.Frequency = 10700000;
  nowhere.SymbolRate = 27500;
  Cvn_AddTransponder(&nowhere);
  bool finished = false;
  {
    CAutoScanDlg logic(sheet, QStringLiteral("HOTBIRD"));
    AutoScanDialog dialog(logic);
    logic.close = [&] { finished = true; };  // the window stays for its picture
    dialog.resize(460, 380);
    dialog.show();
    QElapsedTimer timer;
    timer.start();
    while (!finished && timer.elapsed() < 60000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    finished = finished && save(dialog, path);
  }
  invoker.close();
  Cvn_CloseSystem();
  return finished;
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
  // The tuner window without a card opens not locked; then a medium and a high level.
  TunerInformationWindow tunerWindow;
  saved = save(tunerWindow, output + "/setup-tuner-not-locked.png") && saved;
  tunerWindow.Update({1, 1, 1, 1, 3, 100, 9, 6});
  saved = save(tunerWindow, output + "/setup-tuner-locked-medium.png") && saved;
  tunerWindow.Update({1, 1, 1, 1, 6, 140, 4, 7});
  saved = save(tunerWindow, output + "/setup-tuner-locked-high.png") && saved;
  {
    CScanDlg logic(sheet);
    ScanDialog scanDialog(logic);
    for (int tick = 0; tick < 5; ++tick) logic.OnTimer(CScanDlg::kTimerId);
    saved = save(scanDialog, output + "/setup-scan-dialog.png") && saved;
  }
  {
    // The network card page on two documentation addresses, with the card's versions and MAC
    // address when the daemon of $CV7_DEVICE answers ("error" without one). It comes after the
    // pages that show the library's database, since closing the system empties it.
    const bool system = Cvn_OpenSystem(3, nullptr, 0, 0, 0) && Cvn_StartSystem();
    FakeHostAddressSource addresses;
    addresses.set({0x0A0200C0, 0x140200C0});  // 192.0.2.10, 192.0.2.20
    RecordingSetupSheet noSheet;
    IpAddressUpkeep upkeep(store, ui, addresses, noSheet);
    upkeep.networkStartup({});
    CPropSheet netSheet({state, store, ui, files, reception, tv, dialogs, &upkeep});
    PropSheetDialog window(netSheet, strings);
    window.resize(520, 440);
    saved = save(window, output + "/setup-net-card-page.png") && saved;
    if (system) Cvn_StopSystem();
    Cvn_CloseSystem();
  }
  if (qEnvironmentVariableIsSet("CV7_DEVICE")) saved = saveAutoScan(sheet, ui, output + "/setup-auto-scan-dialog.png") && saved;
  return saved ? 0 : 1;
}
