#include "DaemonOptions.h"

#include <cstdlib>
#include <cstring>

namespace cv7::host {

const char* DaemonOptions::usage() {
  return "usage: cv7 [--foreground] [--log-level error|warn|info|debug] [--socket PATH] [--firmware PATH]\n"
         "           [--tap NAME | --no-tap] [--pcap FILE] [--sky FILE] [--max-connections N] [--group NAME]\n"
         "           [--realtime]\n"
         "  --foreground        stay in the foreground (as systemd runs it)\n"
         "  --log-level LEVEL   error, warn, info (default) or debug\n"
         "  --socket PATH       control socket (default $CV7_DEVICE, else /run/cv7/Cv7Dev)\n"
         "  --firmware PATH     card firmware (default /usr/lib/firmware/cv7/corvane.bin)\n"
         "  --tap NAME          TAP interface for the received frames (default cv7-0)\n"
         "  --no-tap            no TAP interface\n"
         "  --pcap FILE         also write the received frames to a pcap file\n"
         "  --sky FILE          the simulated card's sky (default: the four default satellites)\n"
         "  --max-connections N control connections served at once, 1..4096 (default 64)\n"
         "  --group NAME        the group whose members may use the sockets (default cv7)\n"
         "  --realtime          interrupt and card threads ask for real-time priority\n"
         "  --help              this text\n";
}

bool DaemonOptions::parse(int argc, char** argv, std::string& error) {
  const char* device = std::getenv("CV7_DEVICE");
  socketPath = device && *device ? device : kDefaultSocketPath;
  firmwarePath = kDefaultFirmwarePath;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    std::string value;
    bool hasValue = false;
    size_t equals = option.find('=');
    if (option.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = option.substr(equals + 1);
      option = option.substr(0, equals);
      hasValue = true;
    }
    auto takeValue = [&]() {
      if (hasValue) return true;
      if (i + 1 >= argc) {
        error = "option " + option + " needs a value";
        return false;
      }
      value = argv[++i];
      return true;
    };
    if (option == "--foreground" && !hasValue) {
      foreground = true;
    } else if (option == "--help" && !hasValue) {
      help = true;
    } else if (option == "--log-level") {
      if (!takeValue()) return false;
      if (!Log::parseLevel(value.c_str(), logLevel)) {
        error = "unknown log level '" + value + "' (error, warn, info or debug)";
        return false;
      }
    } else if (option == "--socket") {
      if (!takeValue()) return false;
      if (value.empty()) {
        error = "empty socket path";
        return false;
      }
      socketPath = value;
    } else if (option == "--firmware") {
      if (!takeValue()) return false;
      firmwarePath = value;
      firmwareGiven = true;
    } else if (option == "--tap") {
      if (!takeValue()) return false;
      if (value.empty()) {
        error = "empty interface name";
        return false;
      }
      tapName = value;
    } else if (option == "--no-tap" && !hasValue) {
      tapName.clear();
    } else if (option == "--realtime" && !hasValue) {
      realtime = true;
    } else if (option == "--pcap") {
      if (!takeValue()) return false;
      pcapPath = value;
    } else if (option == "--sky") {
      if (!takeValue()) return false;
      skyPath = value;
    } else if (option == "--max-connections") {
      if (!takeValue()) return false;
      char* end = nullptr;
      unsigned long count = std::strtoul(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || value[0] == '-' || count < 1 || count > 4096) {
        error = "--max-connections takes a number from 1 to 4096";
        return false;
      }
      maxConnections = count;
    } else if (option == "--group") {
      if (!takeValue()) return false;
      if (value.empty()) {
        error = "empty group name";
        return false;
      }
      group = value;
    } else {
      error = "unknown option '" + std::string(argv[i]) + "'";
      return false;
    }
  }
  return true;
}

}  // namespace cv7::host
