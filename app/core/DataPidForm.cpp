#include "DataPidForm.h"

#include "StringId.h"

namespace cv7::app {

DataPidForm::DataPidForm(int titleId, UserInterface& ui) : title(ui.strings().text(titleId)), ui_(ui) {}

DataPidForm::Result DataPidForm::accept() {
  if (pidText.isEmpty()) return Result::Empty;
  if (!isPidText(pidText, pidNumberBase())) {
    ui_.messageBox(StringId::InvalidDataPid, StringId::AppTitle, MessageStyle::exclamation());
    return Result::Invalid;
  }
  return Result::Accepted;
}

void DataPidForm::chooseBase(PidBase base) {
  const PidBase old = pidNumberBase();
  if (base == old) return;
  if (!pidText.isEmpty()) pidText = convertPidText(pidText, old, base);
  setPidNumberBase(base);
  baseChanged = true;
}

}  // namespace cv7::app
