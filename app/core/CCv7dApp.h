// The application object: its initialisation makes sure this is the only instance on the
// machine and creates the main frame (whose creation runs the reception start-up); its exit
// is the program's last step in every case, also after a failed start: it waits for the
// network worker, stops and closes the library system when it was started, and gives up the
// instance lock.
#pragma once
#include <memory>

#include "ApplicationState.h"
#include "CMainFrame.h"
#include "Clock.h"
#include "ConfigurationStore.h"
#include "MainFramePeers.h"
#include "Registry.h"
#include "SingleInstanceLock.h"
#include "UserInterface.h"

namespace cv7::app {

class CCv7dApp {
 public:
  CCv7dApp(const registry::Registry& registry, UserInterface& ui, Clock& clock, MainFramePeers peers);
  ~CCv7dApp();
  CCv7dApp(const CCv7dApp&) = delete;
  CCv7dApp& operator=(const CCv7dApp&) = delete;

  // True when the program runs on; false when it must end (ExitInstance still follows).
  bool InitInstance();
  // The exit; returns the program's exit status.
  int ExitInstance();

  ApplicationState& state() { return state_; }
  const ConfigurationStore& store() const { return store_; }
  // The main frame once InitInstance created it.
  CMainFrame* mainFrame() { return frame_.get(); }

 private:
  ApplicationState state_;
  ConfigurationStore store_;
  UserInterface& ui_;
  Clock& clock_;
  MainFramePeers peers_;
  SingleInstanceLock instanceLock_;
  std::unique_ptr<CMainFrame> frame_;
  bool started_ = false;  // InitInstance succeeded
  bool exited_ = false;
};

}  // namespace cv7::app
