// The texts with which the satellite page and the import dialog show a satellite's LNB
// settings: DiSEqC port, tone burst, LNB power, local oscillator and 22 kHz tone.
#pragma once
#include <corvane.h>

#include <QString>

#include "StringTable.h"

namespace cv7::app {

struct LnbTexts {
  // A universal LNB has no 22 kHz text: the band picks the tone.
  static LnbTexts of(const LnbInfo& lnb, const StringTable& strings);

  QString oscillator, toneBurst, tone22k, diseqc, lnbPower;
};

}  // namespace cv7::app
