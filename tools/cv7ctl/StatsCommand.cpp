// cv7ctl stats: the daemon's counters (control requests, the receive path, the card, the
// adapter's information answers) from its admin socket, one per line.
#include <cstdio>
#include <nlohmann/json.hpp>

#include "AdminClient.h"
#include "Command.h"
#include "Failure.h"
#include "Vocabulary.h"

namespace cv7ctl {
namespace {

int runStats(bool json) {
  std::string answer = AdminClient::ask("stats");
  if (answer.rfind("error", 0) == 0) throw Failure::cardError("the daemon answered: " + answer);
  auto words = AdminClient::words(answer);
  if (json) {
    nlohmann::json out = nlohmann::json::object();
    for (const auto& [key, value] : words) {
      auto number = parseNumber(value, UINT64_MAX);
      if (number)
        out[key] = *number;
      else if (value.size() > 1 && value[0] == '-' && parseNumber(value.substr(1), UINT64_MAX))
        out[key] = -int64_t(*parseNumber(value.substr(1), UINT64_MAX));
      else
        out[key] = value;
    }
    std::printf("%s\n", jsonText(out).c_str());
  } else {
    for (const auto& [key, value] : words) std::printf("%-22s %s\n", key.c_str(), value.c_str());
  }
  return kExitOk;
}

CommandRegistration stats{"stats",
                          "Print the daemon's counters: requests, receive path, drops, card, PID table",
                          kGroupDiagnostics, [](CLI::App& command) {
                            auto json = addJsonFlag(command);
                            setRun(command, [json] { return runStats(*json); });
                          }};

}  // namespace
}  // namespace cv7ctl
