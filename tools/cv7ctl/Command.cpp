#include "Command.h"

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <vector>

namespace cv7ctl {
namespace {

struct Registered {
  std::string name, description, group;
  Define define;
};

std::vector<Registered>& registry() {
  static std::vector<Registered> list;
  return list;
}

std::map<const CLI::App*, Run>& runs() {
  static std::map<const CLI::App*, Run> table;
  return table;
}

int groupRank(const std::string& group) {
  const char* order[] = {kGroupFiles, kGroupTuning, kGroupNetwork, kGroupDiagnostics};
  for (int i = 0; i < 4; ++i)
    if (group == order[i]) return i;
  return 4;
}

}  // namespace

CommandRegistration::CommandRegistration(std::string name, std::string description, std::string group,
                                         Define define) {
  registry().push_back({std::move(name), std::move(description), std::move(group), std::move(define)});
}

void setRun(CLI::App& command, Run run) { runs()[&command] = std::move(run); }

std::shared_ptr<bool> addJsonFlag(CLI::App& command) {
  auto json = std::make_shared<bool>(false);
  command.add_flag("--json", *json, "Print the result as one JSON object (for scripts)");
  return json;
}

std::string jsonText(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void defineCommands(CLI::App& app) {
  std::vector<Registered> sorted = registry();
  std::stable_sort(sorted.begin(), sorted.end(), [](const Registered& a, const Registered& b) {
    return groupRank(a.group) != groupRank(b.group) ? groupRank(a.group) < groupRank(b.group) : a.name < b.name;
  });
  for (const Registered& r : sorted) {
    CLI::App* command = app.add_subcommand(r.name, r.description);
    command->group(r.group);
    r.define(*command);
  }
}

Run selectedRun(const CLI::App& app) {
  const CLI::App* current = &app;
  for (;;) {
    auto parsed = current->get_subcommands();
    if (parsed.empty()) break;
    current = parsed.front();
  }
  auto found = runs().find(current);
  return found == runs().end() ? Run() : found->second;
}

}  // namespace cv7ctl
