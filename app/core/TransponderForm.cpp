#include "TransponderForm.h"

#include <corvane.h>

#include "NumberText.h"
#include "StringId.h"

namespace cv7::app {

TransponderForm::TransponderForm(uint32_t number, int titleId, UserInterface& ui)
    : number(number), title(ui.strings().text(titleId)), ui_(ui) {}

TransponderForm::Field TransponderForm::accept() {
  const std::optional<uint32_t> frequency = thousandthsValue(frequencyText);
  if (!frequency) {
    ui_.messageBox(StringId::InvalidFrequency, StringId::AppTitle, MessageStyle::exclamation());
    return Field::Frequency;
  }
  const std::optional<uint32_t> symbolRate = thousandthsValue(symbolRateText);
  if (!symbolRate) {
    ui_.messageBox(StringId::InvalidSymbolRate, StringId::AppTitle, MessageStyle::exclamation());
    return Field::SymbolRate;
  }
  m_dwDLF = *frequency;
  m_dwSR = *symbolRate;
  if (number == 0 || withinNeighbours()) return Field::None;
  showRangeMessage();
  return Field::Frequency;
}

uint32_t TransponderForm::lowerBound() const {
  TrInfo before{};
  if (number <= 1) return 0;
  Cvn_GetInfoTransponder(number - 1, &before);  // a failed read leaves 0
  return before.Frequency;
}

uint32_t TransponderForm::upperBound() const {
  const int32_t count = Cvn_GetNumOfTransponder();
  if (count < 0 || number >= uint32_t(count)) return kHighestFrequency;
  TrInfo after{};
  after.Frequency = kHighestFrequency;  // kept when the read fails
  Cvn_GetInfoTransponder(number + 1, &after);
  return after.Frequency;
}

bool TransponderForm::withinNeighbours() const {
  return lowerBound() <= m_dwDLF && m_dwDLF <= upperBound();
}

void TransponderForm::showRangeMessage() const {
  const StringTable& strings = ui_.strings();
  const QString text = strings.text(StringId::FrequencyRange) +
                       QStringLiteral(" %1 , %2.").arg(thousandthsText(lowerBound()), thousandthsText(upperBound())) +
                       QLatin1Char('\n') + strings.text(StringId::TryAgain);
  ui_.messageBox(text, StringId::AppTitle, MessageStyle::exclamation());
}

}  // namespace cv7::app
