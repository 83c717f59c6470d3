// Fuzzes the decoding of configuration store values: any type number and any stored bytes,
// as another program sharing the store might have written them, read as text, as integer
// and described for cv7ctl. Decoded values must encode back to what they decode to.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "RegistryValueCodec.h"

using cv7::registry::RegistryValue;
using cv7::registry::RegistryValueCodec;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte picks the type: mostly the known ones, sometimes any number.
  const uint32_t types[] = {1, 2, 4, 5, 6, 0, 3, 7, 0xFFFFFFFF};
  const uint32_t type = types[data[0] % (sizeof types / sizeof types[0])];
  std::span<const uint8_t> stored(data + 1, size - 1);

  if (auto text = RegistryValueCodec::decodeText(type, stored)) {
    if (text->size() > stored.size() || std::memchr(text->data(), 0, text->size())) std::abort();
    auto again = RegistryValueCodec::encodeText(*text);
    if (RegistryValueCodec::decodeText(type, again) != text) std::abort();
  }
  if (auto number = RegistryValueCodec::decodeInteger(type, stored)) {
    if (stored.size() != 4 || RegistryValueCodec::encodeInteger(*number) != std::vector<uint8_t>(stored.begin(), stored.end()))
      std::abort();
  }
  RegistryValue value{"Software\\TVK\\CV7\\Satellite", "Fuzz", type, {stored.begin(), stored.end()}};
  std::string line = RegistryValueCodec::describe(value);
  if (line.find('\n') != std::string::npos) std::abort();
  return 0;
}
