// The time of an auto scan of each default satellite on the simulated card, per transponder:
// the lock test (the worker's data lock test), the search (from its start to the result's
// arrival on the window thread) and the handling of the result (the channel database, the
// favourites, the temporary data file). Beside it, measured in the same run on the same
// transponders: the library alone (lock test and a synchronous search, no application), and
// the floor that the tables' repetition rates of a real transponder set to a search (PAT and
// PMT every 0.5 s, SDT every 2 s; the simulated sky repeats all three every 100 ms).
// Prints figures, asserts nothing. About a minute.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>

#include "CAutoScanDlg.h"
#include "CPropSheet.h"
#include "DaemonHarness.h"
#include "FakeClock.h"
#include "LibraryWindow.h"
#include "RecordingUserInterface.h"
#include "Registry.h"
#include "ScriptedSetupDialogs.h"
#include "SearchResultProcessor.h"
#include "WindowMessages.h"
#include "WindowThreadInvoker.h"

using namespace cv7::app;
using Steady = std::chrono::steady_clock;

namespace {

double ms(Steady::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The phases of each transponder, time-stamped by the data lock test's notices to the TV
// application (before and after the lock test), the result's arrival and its handling.
class PhaseClock : public TvNotifier {
 public:
  struct Phases {
    Steady::time_point lockStart, lockEnd, resultArrived;
    Steady::duration handling{};
    bool locked = false;
  };

  void notifyTv(int code, int value) override {
    std::lock_guard lock(mutex_);
    const auto now = Steady::now();
    if (code == 5) {
      pendingStart_ = now;
    } else if (code == 1 || code == 2) {
      Phases& p = phases[uint32_t(value % 100)];
      p.lockStart = pendingStart_;
      p.lockEnd = now;
      p.locked = code == 1;
    }
  }
  std::map<uint32_t, Phases> phases;

 private:
  std::mutex mutex_;
  Steady::time_point pendingStart_;
};

struct Satellite {
  const char* name;
  const char* file;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  if (!std::getenv("CV7_BIN_DIR")) ::setenv("CV7_BIN_DIR", CV7_BUILD_DIR, 1);
  cv7::itest::Daemon daemon;
  if (!daemon.start()) {
    std::fprintf(stderr, "bench_auto_scan: the daemon did not start\n%s", daemon.log().c_str());
    return 1;
  }
  ::setenv("CV7_DEVICE", daemon.socketPath().c_str(), 1);
  const std::filesystem::path root = daemon.dir() + "/bench";
  std::filesystem::create_directories(root / "Datafile");
  const cv7::registry::Registry registry((root / "registry.sqlite").string());
  const ConfigurationStore store(registry);
  ApplicationState state;
  state.m_strBaseDir = QString::fromStdString(root.string());
  state.m_strDataDir = state.m_strBaseDir + "/Datafile";
  const StringTable strings;
  RecordingUserInterface ui(strings);
  FakeClock clock;
  FileUpkeep files(state, store, ui, clock);
  PhaseClock tv;
  ReceptionStartup reception(state, store, ui, files, tv);
  ScriptedSetupDialogs dialogs;
  CPropSheet sheet({state, store, ui, files, reception, tv, dialogs});
  SearchResultProcessor results(state, files, tv, sheet, ui);
  WindowThreadInvoker invoker;
  bool handle = true;
  LibraryWindow window(invoker, [&](uint32_t message, uintptr_t, intptr_t lParam) -> intptr_t {
    if (message != WindowMessage::kSearchResult || !handle) return 0;
    const auto arrived = Steady::now();
    const auto* list = reinterpret_cast<const SiList*>(lParam);
    results.onSearchResult(list);
    PhaseClock::Phases& p = tv.phases[list->Tr.TransponderNumber];
    p.resultArrived = arrived;
    p.handling = Steady::now() - arrived;
    return 0;
  });
  if (!Cvn_OpenSystem(3, window.window(), 0, WindowMessage::kSearchResult, 0) || !Cvn_StartSystem()) {
    std::fputs("bench_auto_scan: the library system did not start\n", stderr);
    return 1;
  }

  std::printf("Auto scan of the default satellites on the simulated card (per transponder, mean ms)\n");
  std::printf("%-11s %4s %6s | %7s %7s %8s %8s | %7s %7s | %9s\n", "satellite", "tps", "locked", "lock", "search",
              "handling", "total", "lib lock", "lib srch", "floor");
  const Satellite satellites[] = {
      {"HOTBIRD", "HotBird.cvd"}, {"ASTRA", "Astra.cvd"}, {"ASIA SAT 2", "AsiaSat2.cvd"}, {"KOREA SAT", "KoreaSat.cvd"}};
  int number = 0;
  for (const Satellite& satellite : satellites) {
    ++number;
    const std::filesystem::path file = root / "Datafile" / satellite.file;
    std::filesystem::copy_file(std::filesystem::path(CV7_DEFAULT_FILE_DIR) / satellite.file, file);
    state.m_strSateName = satellite.name;
    state.m_strSateFile = QString::fromStdString(file.string());
    state.m_LastNum = number;
    files.loadDataFile();
    tv.phases.clear();

    // The application's auto scan.
    handle = true;
    QElapsedTimer wall;
    wall.start();
    {
      CAutoScanDlg dialog(sheet, satellite.name);
      dialog.OnInitDialog();
      dialog.OnPaint();
      while (!dialog.closed && wall.elapsed() < 600000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    const double scanMs = double(wall.elapsed());
    const int transponders = Cvn_GetNumOfTransponder();
    double lock = 0, search = 0, handling = 0;
    int locked = 0;
    for (const auto& [tp, p] : tv.phases) {
      lock += ms(p.lockEnd - p.lockStart);
      if (!p.locked) continue;
      ++locked;
      search += ms(p.resultArrived - p.lockEnd);
      handling += ms(p.handling);
    }

    // The library alone on the same transponders: lock test and synchronous search.
    handle = false;
    double libLock = 0, libSearch = 0;
    for (int tp = 1; tp <= transponders; ++tp) {
      TrInfo tr{};
      Cvn_GetInfoTransponder(uint32_t(tp), &tr);
      const auto start = Steady::now();
      const bool ok = Cvn_TunerLockTest(state.g_LnbInfo, tr) == CVN_OK;
      const auto tuned = Steady::now();
      if (ok) Cvn_SearchChannel(0);
      libLock += ms(tuned - start);
      libSearch += ms(Steady::now() - tuned);
    }
    const int n = std::max(transponders, 1), found = std::max(locked, 1);
    std::printf("%-11s %4d %6d | %7.1f %7.1f %8.2f %8.1f | %7.1f %7.1f | %9s\n", satellite.name, transponders, locked,
                lock / n, search / found, handling / found, scanMs / n, libLock / n, libSearch / found,
                "2000/1000");
  }
  std::printf("floor: the wait for the tables of one transponder at real repetition rates, worst/typical ms\n"
              "       (SDT every 2 s; PAT then PMT every 0.5 s each); on the simulated sky (100 ms) it is 200/100.\n");
  invoker.close();
  Cvn_CloseSystem();
  return 0;
}
