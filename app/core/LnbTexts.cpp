#include "LnbTexts.h"

#include "NumberText.h"
#include "StringId.h"

namespace cv7::app {

LnbTexts LnbTexts::of(const LnbInfo& lnb, const StringTable& strings) {
  LnbTexts texts;
  texts.diseqc = lnb.DiSEqC == 0 ? strings.text(StringId::Disabled)
                                 : strings.text(StringId::Port) + QStringLiteral(" %1").arg(lnb.DiSEqC);
  texts.toneBurst = lnb.ToneBurst == 0 ? strings.text(StringId::Disabled)
                                       : strings.text(StringId::ToneBurst) +
                                             (lnb.ToneBurst == 1 ? QStringLiteral(" A") : QStringLiteral(" B"));
  texts.lnbPower = strings.text(lnb.LnbPower == 0 ? StringId::LnbPowerOn : StringId::LnbPowerOff);
  if (lnb.LocalOscillator == 0) {
    texts.oscillator = strings.text(StringId::UniversalLnb);
  } else {
    texts.oscillator = oscillatorPageText(lnb.LocalOscillator);
    texts.tone22k = strings.text(lnb.Tone22k == 0 ? StringId::Tone22kOn : StringId::Tone22kOff);
  }
  return texts;
}

}  // namespace cv7::app
