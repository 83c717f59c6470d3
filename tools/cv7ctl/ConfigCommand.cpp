// cv7ctl config list|get|set-text|set-int|delete: reads and changes the configuration store
// that the data application and the TV application share (CV7_REGISTRY, default
// /var/lib/cv7/registry.sqlite), without SQL. A SECTION is "Satellite", "Net Card", "LNB" or a
// full key path containing "TVK".
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "CommandRegistry.h"
#include "Registry.h"
#include "RegistryValueCodec.h"

namespace {

using cv7::registry::Registry;
using cv7::registry::RegistryValue;
using cv7::registry::RegistryValueCodec;

constexpr const char* kUsage =
    "config list [SECTION] | config get SECTION NAME | config set-text SECTION NAME TEXT | "
    "config set-int SECTION NAME NUMBER | config delete SECTION NAME";

int usage() {
  std::fprintf(stderr, "usage: cv7ctl %s\n", kUsage);
  return 2;
}

int storeError(const Registry& registry, const std::string& error) {
  std::fprintf(stderr, "cv7ctl config: %s: %s\n", registry.path().c_str(), error.c_str());
  return 1;
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

int list(const Registry& registry, const std::string& section) {
  std::vector<RegistryValue> values;
  std::string error;
  if (!registry.listValues(section, values, error)) return storeError(registry, error);
  std::string key;
  for (const RegistryValue& value : values) {
    if (value.key != key) std::printf("%s\n", (key = value.key).c_str());
    std::printf("  \"%s\" = %s\n", value.name.c_str(), RegistryValueCodec::describe(value).c_str());
  }
  if (values.empty()) std::fprintf(stderr, "cv7ctl config: no values in %s\n", registry.path().c_str());
  return 0;
}

// A text prints as it stands, an integer in decimal, anything else described.
int get(const Registry& registry, const std::string& section, const std::string& name) {
  RegistryValue value;
  std::string error;
  switch (registry.readValue(section, name, value, error)) {
    case Registry::Lookup::Failed: return storeError(registry, error);
    case Registry::Lookup::Missing:
      std::fprintf(stderr, "cv7ctl config: no value \"%s\" in %s\n", name.c_str(), Registry::keyPath(section).c_str());
      return 1;
    case Registry::Lookup::Found: break;
  }
  if (auto text = RegistryValueCodec::decodeText(value.type, value.data))
    std::printf("%s\n", text->c_str());
  else if (auto number = RegistryValueCodec::decodeInteger(value.type, value.data))
    std::printf("%" PRIu32 "\n", *number);
  else
    std::printf("%s\n", RegistryValueCodec::describe(value).c_str());
  return 0;
}

int set(const Registry& registry, const RegistryValue& value) {
  std::string error;
  if (!registry.writeValue(value, error)) return storeError(registry, error);
  return 0;
}

int remove(const Registry& registry, const std::string& section, const std::string& name) {
  bool removed = false;
  std::string error;
  if (!registry.removeValue(section, name, removed, error)) return storeError(registry, error);
  if (!removed) {
    std::fprintf(stderr, "cv7ctl config: no value \"%s\" in %s\n", name.c_str(), Registry::keyPath(section).c_str());
    return 1;
  }
  return 0;
}

int runConfig(const cv7ctl::Arguments& args) {
  if (args.empty()) return usage();
  Registry registry;
  const std::string& verb = args[0];
  if (verb == "list" && args.size() <= 2) return list(registry, args.size() == 2 ? args[1] : "");
  if (verb == "get" && args.size() == 3) return get(registry, args[1], args[2]);
  if (verb == "delete" && args.size() == 3) return remove(registry, args[1], args[2]);
  if (verb == "set-text" && args.size() == 4)
    return set(registry, {Registry::keyPath(args[1]), args[2], cv7::registry::kTypeString,
                          RegistryValueCodec::encodeText(args[3])});
  if (verb == "set-int" && args.size() == 4) {
    auto number = parseInteger(args[3]);
    if (!number) {
      std::fprintf(stderr, "cv7ctl config: \"%s\" is not a 32-bit number\n", args[3].c_str());
      return 2;
    }
    return set(registry, {Registry::keyPath(args[1]), args[2], cv7::registry::kTypeDWord,
                          RegistryValueCodec::encodeInteger(uint32_t(*number))});
  }
  return usage();
}

cv7ctl::CommandRegistration registration("config", kUsage, runConfig);

}  // namespace
