// Process-global facts of the library that several exports read.
#pragma once
#include <cstdint>

namespace corvane {

// Client mode (1, 2 or 3) of the open connection; 0 when no connection is open.
uint8_t openClientMode();

}  // namespace corvane
