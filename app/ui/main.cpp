// Cv7d, the data application: a notification icon on the desktop, or with --headless the
// same application as a system service without a display.
#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <functional>

#include "CCv7dApp.h"
#include "CSystemTray.h"
#include "ClosedSetupSheet.h"
#include "DataSetupSheet.h"
#include "HeadlessNotificationIcon.h"
#include "HeadlessUserInterface.h"
#include "InterfaceAddressSource.h"
#include "QtUserInterface.h"
#include "Registry.h"
#include "SetupSheetSlot.h"
#include "SystemClock.h"
#include "TerminationSignals.h"
#include "TvCoordinationPeer.h"

using namespace cv7::app;

namespace {

constexpr const char* kUsage =
    "usage: Cv7d [--headless]\n"
    "  The Corvane-7 data application: tunes the stored data transponder, passes the selected\n"
    "  data services to the network stack and keeps the adapter's IP address current.\n"
    "  --headless  run without a display (a system service): message boxes go to standard\n"
    "              error as one line each and are answered with their default button.\n"
    "  Environment: CV7_REGISTRY (configuration store), CV7_DEVICE (control device),\n"
    "  DBUS_SESSION_BUS_ADDRESS (the bus shared with a TV application; without one the\n"
    "  coordination with it is off).\n"
    "  The current directory is the base directory unless the store names one.\n";

// The setup sheet of a run: what the main frame opens, and what the TV coordination reaches.
struct Sheet {
  SetupSheet& sheet;
  SetupSheetAccess& access;
};
using Attach = std::function<void(CMainFrame&, CCv7dApp&, TvCoordinationPeer&)>;

// The parts every kind of run shares, and the run itself: initialisation, the message loop
// until the main frame closes (Exit, SIGTERM, SIGINT, the end of the session) and the exit.
int run(UserInterface& ui, NotificationIcon& icon, WindowThreadInvoker& invoker, Sheet sheet,
        const Attach& attach = {}) {
  const cv7::registry::Registry registry;
  SystemClock clock;
  TvCoordinationPeer tv;  // joins the session bus at the start announcement
  InterfaceAddressSource addresses;
  CCv7dApp app(registry, ui, clock, {icon, sheet.sheet, tv, tv, tv, addresses, invoker});
  tv.attach(app.state(), app.store(), ui, clock, sheet.access);

  TerminationSignals signals;
  bool terminated = false;
  QObject::connect(&signals, &TerminationSignals::terminationRequested, [&app, &terminated] {
    terminated = true;
    if (CMainFrame* frame = app.mainFrame()) frame->close();
    QCoreApplication::quit();
  });
  QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [&app] {
    if (CMainFrame* frame = app.mainFrame()) frame->OnDestroy();
  });

  bool running = app.InitInstance();
  if (running) {
    CMainFrame& frame = *app.mainFrame();
    QObject::connect(&frame, &CMainFrame::closed, QCoreApplication::instance(), &QCoreApplication::quit,
                     Qt::QueuedConnection);
    if (attach) attach(frame, app, tv);
    QCoreApplication::exec();
  }
  const int status = app.ExitInstance();
  return terminated ? 0 : status;  // an end that was asked for is no failure, even during the start
}

int runHeadless(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const StringTable strings;
  WindowThreadInvoker invoker;
  HeadlessUserInterface ui(strings);
  HeadlessNotificationIcon icon;
  ClosedSetupSheet sheet;  // no display, no sheet
  return run(ui, icon, invoker, {sheet, sheet});
}

int runTray(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);  // a closed message box is no reason to end
  const StringTable strings;
  WindowThreadInvoker invoker;
  QtUserInterface ui(strings, invoker);
  CSystemTray tray;
  SetupSheetSlot slot;
  DataSetupSheet sheet(slot);
  return run(ui, tray, invoker, {sheet, slot}, [&](CMainFrame& frame, CCv7dApp& app, TvCoordinationPeer& tv) {
    sheet.attach(app.state(), app.store(), ui, frame.files(), frame.reception(), tv, &frame.addresses());
    sheet.useScanWindows(tv);
    tray.setOwner(&frame);
    QObject::connect(&tray, &CSystemTray::trayHostRestarted, &frame, &CMainFrame::OnTaskbarCreated);
    QObject::connect(&frame, &CMainFrame::closed, [&ui] { ui.closeOpenBoxes(); });
  });
}

}  // namespace

int main(int argc, char** argv) {
  TerminationSignals::install();
  bool headless = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--headless") == 0) {
      headless = true;
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    } else {
      std::fprintf(stderr, "Cv7d: unknown option %s\n%s", argv[i], kUsage);
      return 2;
    }
  }
  return headless ? runHeadless(argc, argv) : runTray(argc, argv);
}
