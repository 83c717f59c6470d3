// Command line of the cv7 daemon.
#pragma once
#include <cstddef>
#include <string>

#include "Log.h"

namespace cv7::host {

inline constexpr const char* kDefaultSocketPath = "/run/cv7/Cv7Dev";
inline constexpr const char* kDefaultFirmwarePath = "/usr/lib/firmware/cv7/corvane.bin";

// Exit statuses of the daemon.
inline constexpr int kExitOk = 0;
inline constexpr int kExitAdapterFailed = 1;   // the adapter did not start (message names the cause)
inline constexpr int kExitUsage = 2;           // bad options
inline constexpr int kExitAlreadyRunning = 3;  // a live daemon serves the socket path
inline constexpr int kExitNoPermission = 4;    // the directory or socket cannot be made
inline constexpr int kExitSocketFailed = 5;    // any other failure to set up the sockets
inline constexpr int kExitBadConfiguration = 6;  // a file named by an option cannot be used (sky, pcap)

struct DaemonOptions {
  bool foreground = false;
  LogLevel logLevel = LogLevel::Info;
  std::string socketPath;    // --socket, else CV7_DEVICE, else the default
  std::string firmwarePath;  // --firmware, else the default, else the build's image
  bool firmwareGiven = false;
  std::string tapName = "cv7-0";  // --tap NAME; empty with --no-tap
  std::string pcapPath;           // --pcap FILE: the frames also go to this pcap file
  std::string skyPath;            // --sky FILE: the card's sky (default: the four default satellites)
  size_t maxConnections = 64;     // --max-connections N: control connections served at once
  std::string group = "cv7";      // --group NAME: the group that may use the sockets
  bool realtime = false;          // --realtime: interrupt and card threads ask for SCHED_FIFO
  bool help = false;

  // Parses argv; false with a one-line error for bad options.
  bool parse(int argc, char** argv, std::string& error);
  static const char* usage();
};

}  // namespace cv7::host
