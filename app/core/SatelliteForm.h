// The satellite dialog (1241) without its widgets: the name, the local oscillator chosen from
// a list the user extends (kept under "LNB"), 22 kHz tone, LNB power, tone burst and DiSEqC,
// turned into an LnbInfo on OK. In add mode OK also registers the new satellite in the
// sheet's list and selects it.
#pragma once
#include <corvane.h>

#include <QString>
#include <QStringList>

#include "LocalOscillatorList.h"
#include "UserInterface.h"

namespace cv7::app {

class CPropSheet;

class SatelliteForm {
 public:
  enum Mode { Edit = 0, Add = 1 };
  enum class Field { None, Name, Oscillator };
  static constexpr int kMaxNameLength = 29;
  // Radio indices of both groups.
  static constexpr int kOn = 0;
  static constexpr int kOff = 1;

  // Add mode: an empty name. Edit mode: `lnb` is the current satellite's record.
  SatelliteForm(Mode mode, CPropSheet& sheet, const LnbInfo& lnb = {});

  // The oscillator list's entry `index` was selected.
  void selectOscillator(int index);
  // The user typed into the oscillator combo box.
  void editOscillator(const QString& text);
  // Button "delete" (1027): removes the shown oscillator from the user list.
  void deleteOscillator();
  // OK: on bad input the user is told and the field to focus is returned (the dialog stays
  // open); Field::None when the dialog closes with `lnb` holding the result.
  Field accept();

  const Mode mode;
  const QString title;
  QString name;
  QStringList oscillators;  // combo 1258
  int oscillatorIndex = 0;
  QString oscillatorText;
  QStringList toneBursts, diseqcs;  // lists 1259 and 1242
  int toneBurst = 0, diseqc = 0;
  int tone22k = kOn, lnbPower = kOn;
  bool tone22kEnabled = true;
  LnbInfo lnb;

 private:
  void selectCurrentOscillator();
  bool registerNewSatellite();
  QString universalLnb() const;

  CPropSheet& sheet_;
  UserInterface& ui_;
  LocalOscillatorList userList_;
};

}  // namespace cv7::app
