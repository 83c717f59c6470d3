// The application's main frame. It is never shown: its creation runs the reception start-up
// and adds the notification icon, its status timer shows lock and no lock on the icon and
// wakes the network worker, it receives the library's messages, and its destruction (or the
// end of the desktop session) runs the shut-down routine, which stores the data reception.
//
// Lives on the window thread. Built without widgets, so the headless service uses it as the
// tray program does.
#pragma once
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>

#include "ApplicationState.h"
#include "Clock.h"
#include "ConfigurationStore.h"
#include "FileUpkeep.h"
#include "IpAddressUpkeep.h"
#include "LibraryWindow.h"
#include "MainFramePeers.h"
#include "NetworkWorker.h"
#include "ReceptionStartup.h"
#include "StatusTimer.h"
#include "TrayOwner.h"
#include "UserInterface.h"

namespace cv7::app {

class CMainFrame : public QObject, public TrayOwner {
  Q_OBJECT

 public:
  CMainFrame(ApplicationState& state, const ConfigurationStore& store, UserInterface& ui, Clock& clock,
             MainFramePeers peers);
  ~CMainFrame() override;

  // The creation: announcement, icon, reception start-up, worker and timer. False when the
  // program must end; the shut-down routine has then run and no icon is left.
  bool OnCreate();
  // Timer 10: the status check, then the worker's wake-up.
  void OnTimer();
  // The notification area was created again: the icon is added again as at start.
  int OnTaskbarCreated();
  // The shut-down routine, at the frame's destruction and at the end of the desktop session.
  // Runs once; later calls do nothing.
  void OnDestroy();
  // The frame is asked to close: the shut-down routine, then closed() for the message loop.
  void close();
  // After the message loop: refuses every later cross-thread call and waits for the worker.
  void finish();

  // TrayOwner
  bool startupDone() const override { return startupDone_.load(); }
  SetupSheet& setupSheet() override { return peers_.setupSheet; }
  void OnSetupCommand() override;
  void OnAppExit() override { close(); }

  // A message from the library (search results, 1035).
  intptr_t OnLibraryMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);

  ReceptionStartup& reception() { return reception_; }
  IpAddressUpkeep& addresses() { return addresses_; }
  FileUpkeep& files() { return files_; }
  StatusTimer& statusTimer() { return timer_; }
  bool workerRunning() const { return worker_.running(); }
  bool shutDown() const { return shutDown_; }
  const QString& title() const { return m_strTitle; }

 Q_SIGNALS:
  void closed();

 private:
  bool createIcon();
  std::vector<NetPid> networkStartupPids() const;
  void statusCheck();
  void showPicture(int picture);
  void storeDataReception();

  ApplicationState& state_;
  const ConfigurationStore& store_;
  UserInterface& ui_;
  MainFramePeers peers_;
  FileUpkeep files_;
  ReceptionStartup reception_;
  IpAddressUpkeep addresses_;
  StatusTimer timer_;
  NetworkWorker worker_;
  LibraryWindow libraryWindow_;

  QString m_strTitle;
  std::atomic<bool> startupDone_{false};
  bool shutDown_ = false;
  int picture_ = 0;  // the picture last shown
};

}  // namespace cv7::app
