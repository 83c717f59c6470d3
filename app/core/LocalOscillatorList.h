// The local oscillator frequencies that the user typed, kept under "LNB" as
// "Local Oscillator 1".."Local Oscillator N" with N in "Local Oscillator Num". The four
// built-in choices are never stored.
#pragma once
#include <QStringList>

#include "ConfigurationStore.h"

namespace cv7::app {

class LocalOscillatorList {
 public:
  explicit LocalOscillatorList(const ConfigurationStore& store) : store_(store) {}

  // "5150", "9750", "10600", "Universal LNB".
  static QStringList builtIns();
  // The stored entries 1..N in order, empty ones skipped.
  QStringList userEntries() const;
  // Stores `value` as entry N + 1 unless it is built in or stored already; true when stored.
  bool remember(const QString& value) const;
  // Removes the first stored entry equal to `value`: the later entries move one number down
  // and N shrinks by one (the last value stays in the store beyond N). True when removed;
  // a built-in or an entry that is not stored changes nothing.
  bool remove(const QString& value) const;

 private:
  const ConfigurationStore& store_;
};

}  // namespace cv7::app
