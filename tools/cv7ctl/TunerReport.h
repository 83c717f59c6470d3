// Printing lock tests and tuner information, shared by tune, signal, lock and scan.
#pragma once
#include <cstdint>

#include "corvane.h"

namespace cv7ctl {

const char* lockResultText(int32_t result);
void printTunerInformation(const uint8_t info[8]);
// Runs a lock test and prints its result and the tuner information; 0 when locked.
int lockAndReport(const LnbInfo& lnb, const TrInfo& tr);

}  // namespace cv7ctl
