// The transponder dialog (1271) without its widgets: the two texts and the polarity that the
// user enters, their conversion into TrInfo's units, and, for an existing transponder, the
// check that the new frequency stays between its neighbours'.
#pragma once
#include <QString>
#include <cstdint>

#include "UserInterface.h"

namespace cv7::app {

class TransponderForm {
 public:
  // Control ids.
  static constexpr int kFrequencyEdit = 1133;
  static constexpr int kSymbolRateEdit = 1134;
  static constexpr uint32_t kHighestFrequency = 100000000;  // kHz

  enum class Field { None, Frequency, SymbolRate };

  // `number` 0 adds a transponder; otherwise the 1-based number of the one edited.
  TransponderForm(uint32_t number, int titleId, UserInterface& ui);

  // OK: converts the texts; on bad input or a frequency outside the neighbours' range the
  // user is told and the field to focus (with its whole text selected) is returned, and the
  // dialog stays open. Field::None: the dialog closes with m_dwDLF and m_dwSR set.
  Field accept();

  const uint32_t number;
  const QString title;
  QString frequencyText;
  QString symbolRateText;
  int polarity = -1;  // 0 Vertical, 1 Horizontal, -1 none chosen
  uint32_t m_dwDLF = 0;  // kHz
  uint32_t m_dwSR = 0;   // ksymbol/s

 private:
  bool withinNeighbours() const;
  void showRangeMessage() const;
  uint32_t lowerBound() const;
  uint32_t upperBound() const;

  UserInterface& ui_;
};

}  // namespace cv7::app
