// The reception start-up and the re-tuning of the data transponder: at start the library
// system is opened and started, the configuration, the selected satellite's data file and
// the favourite file are loaded, the transponder on which data was last received is found
// and locked, and the driver is told which data services to pass to the network stack.
//
// Everything here runs on the window thread.
#pragma once
#include <corvane.h>

#include "ApplicationState.h"
#include "ConfigurationStore.h"
#include "FileUpkeep.h"
#include "TvNotifier.h"
#include "UserInterface.h"

namespace cv7::app {

class ReceptionStartup {
 public:
  static constexpr uint8_t kClientMode = 3;
  static constexpr uint8_t kIpFiltering = 1;  // the mode byte given to Cvn_SetIPorMACfiltering

  ReceptionStartup(ApplicationState& state, const ConfigurationStore& store, UserInterface& ui, FileUpkeep& files,
                   TvNotifier& tv);

  // The start-up sequence; 1 on success, 0 when the program must end (the user has been told;
  // the library is closed again when it was opened but could not be started).
  int OnStartProgram(CvnWindow* window);
  // Releases the network PIDs, tells the TV application, runs the lock test on the selected
  // transponder and sets the network PIDs again; returns the lock test's result.
  int dataLockTest();
  // Tunes the data transponder again unless it is locked or none is selected (after the TV
  // application has stopped).
  void dataLockSequence();
  // Sets the network PIDs of the selected data services of the selected transponder.
  void setNetworkPidList();
  // Selects (g_TpNum) the first transponder with this frequency and symbol rate; when none
  // matches, the first transponder (or none when the satellite has none). True when found.
  bool findTransponder(uint32_t frequency, uint32_t symbolRate);
  // The position of the selected transponder as the TV application knows it.
  int position() const;

 private:
  // The lock test itself, with the tuner owner state, the network PIDs and the lock indicator.
  int lockTest();
  void showSystemError();

  ApplicationState& state_;
  const ConfigurationStore& store_;
  UserInterface& ui_;
  FileUpkeep& files_;
  TvNotifier& tv_;
};

}  // namespace cv7::app
