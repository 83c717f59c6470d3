// Lock tests and the tuner's status as cv7ctl reports them (tune, lock, scan, signal), as
// text or JSON.
#pragma once
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "corvane.h"

namespace cv7ctl {

struct TunerStatus {
  bool locked = false;
  uint8_t indicators[4] = {};
  uint8_t level = 0, quality = 0;
  double errorRate = 0;

  // Asks the card; throws a Failure when it does not answer.
  static TunerStatus read();
  std::string text() const;
  nlohmann::json json() const;
};

struct LockReport {
  TrInfo tr{};
  int32_t result = 0;  // CVN_OK, CVN_LOCK_ERROR, CVN_ERROR
  TunerStatus status;

  // Runs the library's lock test; throws when the card refused the tune command.
  static LockReport run(const LnbInfo& lnb, const TrInfo& tr);
  bool locked() const { return result == CVN_OK; }
  std::string text() const;
  nlohmann::json json() const;
  // Throws Failure::noSignal() unless locked.
  void requireLock() const;
};

}  // namespace cv7ctl
