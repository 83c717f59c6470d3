// cv7ctl info: the versions of the control interface, the driver and the firmware.
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "Command.h"
#include "ControlClient.h"
#include "ControlCodes.h"
#include "Failure.h"
#include "LibrarySession.h"

namespace cv7ctl {
namespace {

std::string version(const uint8_t v[2]) {
  char text[16];
  std::snprintf(text, sizeof text, "%u.%02u", v[0], v[1]);
  return text;
}

int runInfo(bool json) {
  std::vector<uint8_t> reply;
  ControlClient client;
  if (client.request(cv7::ctl::IOCTL_CV7_GET_INTERFACE_VERSION, {}, 8, reply) != 0 || reply.size() < 8)
    throw Failure::cardError("the driver did not answer its interface version");
  uint32_t major, minor;
  std::memcpy(&major, reply.data(), 4);
  std::memcpy(&minor, reply.data() + 4, 4);
  LibrarySession session;
  uint8_t driver[2] = {}, firmware[2] = {};
  if (!Cvn_GetDriverVersion(driver)) throw Failure::diagnose("the driver did not answer its version");
  if (!Cvn_GetFirmwareVersion(firmware)) throw Failure::diagnose("the card did not answer its firmware version");
  std::string interface = std::to_string(major) + "." + std::to_string(minor);
  if (json) {
    nlohmann::json out = {{"interface", interface}, {"driver", version(driver)}, {"firmware", version(firmware)}};
    std::printf("%s\n", jsonText(out).c_str());
  } else {
    std::printf("interface version: %s\ndriver version: %s\nfirmware version: %s\n", interface.c_str(),
                version(driver).c_str(), version(firmware).c_str());
  }
  return kExitOk;
}

CommandRegistration info{"info", "Print the versions of the control interface, the driver and the firmware",
                         kGroupDiagnostics, [](CLI::App& command) {
                           auto json = addJsonFlag(command);
                           setRun(command, [json] { return runInfo(*json); });
                         }};

}  // namespace
}  // namespace cv7ctl
