// The cv7 daemon: the sockets, the driver core over the simulated card, and the wait for a
// stop signal. run() returns the process exit status (DaemonOptions.h).
#pragma once
#include <memory>
#include <string>

#include "DaemonOptions.h"

namespace cv7::host {

class Daemon {
 public:
  explicit Daemon(DaemonOptions options);
  ~Daemon();
  int run();

  // The firmware file that will be loaded: the given one, or the installed one, or the
  // image of this build when nothing is installed.
  static std::string chooseFirmware(const DaemonOptions& options);

 private:
  struct Parts;
  int openSockets();
  int startAdapter();
  void startNetworkSide();
  void serveUntilSignal();
  void shutDown();
  std::string stats() const;
  std::string receiveCounters() const;
  std::string pidTable() const;
  std::string cardCounters() const;
  bool setCardFault(const std::string& name, bool on);

  DaemonOptions options_;
  std::unique_ptr<Parts> parts_;
  bool adapterStarted_ = false;
};

}  // namespace cv7::host
