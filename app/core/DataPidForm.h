// The "Add Data PID" dialog (166) without its widgets: the PID text and the service type that
// the user enters, the number base menu that converts the typed text, and the check of OK.
#pragma once
#include <QString>

#include "DataPidText.h"
#include "UserInterface.h"

namespace cv7::app {

class DataPidForm {
 public:
  // Control ids.
  static constexpr int kPidEdit = 1201;
  static constexpr int kFirstServiceType = 1189;  // radios 1189..1192
  static constexpr int kBaseLabel = 1022;
  static constexpr int kTitle = 1020;

  enum class Result {
    Empty,     // nothing typed: nothing happens, the dialog stays open
    Invalid,   // the user was told (301); the dialog stays open with the whole text selected
    Accepted,  // the dialog closes with OK
  };

  // `titleId`: 285 to add, 286 to edit.
  DataPidForm(int titleId, UserInterface& ui);

  Result accept();
  // The number base menu chose `base`: the typed text is read in the old base and written in
  // the new one, and the base becomes the process's. Choosing the current base does nothing.
  void chooseBase(PidBase base);

  // The typed PID in the current base (after accept() said Accepted).
  uint16_t pid() const { return parsePidText(pidText, pidNumberBase()); }
  uint16_t encapsulation() const { return encapsulationOfServiceType(m_ServiceType); }
  // The label 1022 ("[Hex]" or "[Dec]") and its tool tip.
  QString baseLabelText() const { return pidBaseTag(pidNumberBase()); }
  QString baseTipText() const { return ui_.strings().text(pidBaseTipId(pidNumberBase())); }

  const QString title;
  QString pidText;
  int m_ServiceType = 0;      // radio index 0..3
  bool baseChanged = false;   // the base was changed while the dialog was open

 private:
  UserInterface& ui_;
};

}  // namespace cv7::app
