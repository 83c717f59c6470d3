// cv7ctl config list|get|set-text|set-int|delete: reads and changes the configuration store
// that the data application and the TV application share (CV7_REGISTRY, default
// /var/lib/cv7/registry.sqlite), without SQL. A SECTION is "Satellite", "Net Card", "LNB" or a
// full key path containing "TVK".
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "Command.h"
#include "Failure.h"
#include "Registry.h"
#include "RegistryValueCodec.h"

namespace cv7ctl {
namespace {

using cv7::registry::Registry;
using cv7::registry::RegistryValue;
using cv7::registry::RegistryValueCodec;

struct ConfigOptions {
  std::string section, name, value;
  bool json = false;
};

Failure storeError(const Registry& registry, const std::string& error) { return Failure::file(registry.path(), error); }

// A value that is not there: status 1, as for a refused request.
Failure missing(const std::string& section, const std::string& name) {
  return Failure(kExitCardError, "no value \"" + name + "\" in " + Registry::keyPath(section));
}

// A 32-bit value: decimal (also negative) or hexadecimal with 0x.
std::optional<int32_t> parseInteger(const std::string& text) {
  if (text.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  long long value = std::strtoll(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || value < INT32_MIN || value > int64_t(UINT32_MAX)) return std::nullopt;
  return int32_t(uint32_t(value));
}

nlohmann::json valueJson(const RegistryValue& value) {
  nlohmann::json out = {{"key", value.key}, {"name", value.name}, {"type", RegistryValueCodec::typeName(value.type)}};
  if (auto text = RegistryValueCodec::decodeText(value.type, value.data))
    out["text"] = *text;
  else if (auto number = RegistryValueCodec::decodeInteger(value.type, value.data))
    out["integer"] = *number;
  else
    out["description"] = RegistryValueCodec::describe(value);
  return out;
}

int list(const ConfigOptions& o) {
  Registry registry;
  std::vector<RegistryValue> values;
  std::string error;
  if (!registry.listValues(o.section, values, error)) throw storeError(registry, error);
  if (o.json) {
    nlohmann::json out = {{"store", registry.path()}, {"values", nlohmann::json::array()}};
    for (const RegistryValue& value : values) out["values"].push_back(valueJson(value));
    std::printf("%s\n", jsonText(out).c_str());
    return kExitOk;
  }
  std::string key;
  for (const RegistryValue& value : values) {
    if (value.key != key) std::printf("%s\n", (key = value.key).c_str());
    std::printf("  \"%s\" = %s\n", value.name.c_str(), RegistryValueCodec::describe(value).c_str());
  }
  if (values.empty()) std::fprintf(stderr, "cv7ctl config: no values in %s\n", registry.path().c_str());
  return kExitOk;
}

// A text prints as it stands, an integer in decimal, anything else described.
int get(const ConfigOptions& o) {
  Registry registry;
  RegistryValue value;
  std::string error;
  switch (registry.readValue(o.section, o.name, value, error)) {
    case Registry::Lookup::Failed: throw storeError(registry, error);
    case Registry::Lookup::Missing: throw missing(o.section, o.name);
    case Registry::Lookup::Found: break;
  }
  if (auto text = RegistryValueCodec::decodeText(value.type, value.data))
    std::printf("%s\n", text->c_str());
  else if (auto number = RegistryValueCodec::decodeInteger(value.type, value.data))
    std::printf("%" PRIu32 "\n", *number);
  else
    std::printf("%s\n", RegistryValueCodec::describe(value).c_str());
  return kExitOk;
}

int set(const RegistryValue& value) {
  Registry registry;
  std::string error;
  if (!registry.writeValue(value, error)) throw storeError(registry, error);
  return kExitOk;
}

int remove(const ConfigOptions& o) {
  Registry registry;
  bool removed = false;
  std::string error;
  if (!registry.removeValue(o.section, o.name, removed, error)) throw storeError(registry, error);
  if (!removed) throw missing(o.section, o.name);
  return kExitOk;
}

void addKey(CLI::App& command, ConfigOptions& o, bool withName) {
  command.add_option("SECTION", o.section, "\"Satellite\", \"Net Card\", \"LNB\" or a key path containing \"TVK\"")
      ->required();
  if (withName) command.add_option("NAME", o.name, "Value name, e.g. \"Satellite Num\"")->required();
}

CommandRegistration config{
    "config", "The shared configuration store: list, get, set-text, set-int, delete (CV7_REGISTRY)", kGroupFiles,
    [](CLI::App& command) {
      command.require_subcommand(1);
      static ConfigOptions o;
      CLI::App* listCommand = command.add_subcommand("list", "Print every value, or those of one section");
      listCommand->add_option("SECTION", o.section, "\"Satellite\", \"Net Card\", \"LNB\" or a key path containing \"TVK\"");
      listCommand->add_flag("--json", o.json, "Print the result as one JSON object (for scripts)");
      setRun(*listCommand, [] { return list(o); });
      CLI::App* getCommand = command.add_subcommand("get", "Print one value: the text, or the integer in decimal (exit 1 when missing)");
      addKey(*getCommand, o, true);
      setRun(*getCommand, [] { return get(o); });
      CLI::App* text = command.add_subcommand("set-text", "Store a text value");
      addKey(*text, o, true);
      text->add_option("TEXT", o.value, "The text")->required();
      setRun(*text, [] {
        return set({Registry::keyPath(o.section), o.name, cv7::registry::kTypeString, RegistryValueCodec::encodeText(o.value)});
      });
      CLI::App* integer = command.add_subcommand("set-int", "Store a 32-bit integer value");
      addKey(*integer, o, true);
      integer->add_option("NUMBER", o.value, "Decimal, negative, or 0x hexadecimal; 32 bits")->required();
      setRun(*integer, [] {
        auto number = parseInteger(o.value);
        if (!number) throw Failure::badArgument("\"" + o.value + "\" is not a 32-bit number");
        return set({Registry::keyPath(o.section), o.name, cv7::registry::kTypeDWord,
                    RegistryValueCodec::encodeInteger(uint32_t(*number))});
      });
      CLI::App* deleteCommand = command.add_subcommand("delete", "Remove one value (exit 1 when there was none)");
      addKey(*deleteCommand, o, true);
      setRun(*deleteCommand, [] { return remove(o); });
    }};

}  // namespace
}  // namespace cv7ctl
