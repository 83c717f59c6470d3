// One value of the configuration store as it is kept: the full key path, the value name,
// the registry type number and the stored bytes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace cv7::registry {

// Registry type numbers, as the store keeps them in its "type" column.
enum RegistryType : uint32_t {
  kTypeString = 1,          // UTF-8 text with its terminating zero
  kTypeExpandString = 2,    // the same; read as it stands, never expanded
  kTypeDWord = 4,           // 32-bit integer, 4 bytes little-endian
  kTypeDWordBigEndian = 5,  // 4 bytes, taken as stored (not swapped)
  kTypeLink = 6,            // text, read like a string
};

struct RegistryValue {
  std::string key;   // e.g. "Software\TVK\CV7\Satellite"
  std::string name;  // e.g. "Satellite Num"
  uint32_t type = 0;
  std::vector<uint8_t> data;
};

}  // namespace cv7::registry
