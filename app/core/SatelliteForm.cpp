#include "SatelliteForm.h"

#include <algorithm>

#include "CPropSheet.h"
#include "NumberText.h"
#include "SatelliteName.h"
#include "StringId.h"

namespace cv7::app {

namespace {

constexpr int kUniversalPosition = 3;  // after "5150", "9750" and "10600"

// The data file's name for a satellite: blanks become underscores, and so does a slash,
// which would put the file outside the data directory.
QString fileNameOf(const QString& name) {
  QString file = name;
  file.replace(QLatin1Char(' '), QLatin1Char('_')).replace(QLatin1Char('/'), QLatin1Char('_'));
  return file + QStringLiteral(".cvd");
}

}  // namespace

SatelliteForm::SatelliteForm(Mode mode, CPropSheet& sheet, const LnbInfo& record)
    : mode(mode),
      title(sheet.services().ui.strings().text(mode == Add ? StringId::AddSatelliteTitle : StringId::EditSatelliteTitle)),
      lnb(record),
      sheet_(sheet),
      ui_(sheet.services().ui),
      userList_(sheet.services().store) {
  const StringTable& strings = ui_.strings();
  const QString disabled = strings.text(StringId::Disabled);
  toneBursts = {disabled, strings.text(StringId::ToneBurst) + QStringLiteral(" A"),
                strings.text(StringId::ToneBurst) + QStringLiteral(" B")};
  diseqcs = {disabled};
  for (int port = 1; port <= 4; ++port) diseqcs << strings.text(StringId::Port) + QStringLiteral(" %1").arg(port);
  oscillators = LocalOscillatorList::builtIns();
  oscillators[kUniversalPosition] = universalLnb();
  oscillators << userList_.userEntries();
  if (mode == Add) {
    selectOscillator(0);
    return;
  }
  name = satelliteName(lnb.SatelliteName);
  selectCurrentOscillator();
  tone22k = lnb.Tone22k != 0 ? kOff : kOn;
  lnbPower = lnb.LnbPower != 0 ? kOff : kOn;
  toneBurst = std::min<int>(lnb.ToneBurst, int(toneBursts.size()) - 1);
  diseqc = std::min<int>(lnb.DiSEqC, int(diseqcs.size()) - 1);
  tone22kEnabled = lnb.LocalOscillator != 0;
}

QString SatelliteForm::universalLnb() const { return ui_.strings().text(StringId::UniversalLnb); }

void SatelliteForm::selectCurrentOscillator() {
  const QString current = oscillatorDialogText(lnb.LocalOscillator);
  qsizetype index = oscillators.indexOf(current, kUniversalPosition + 1);
  if (index < 0) {
    switch (lnb.LocalOscillator) {
      case 5150000: index = 0; break;
      case 9750000: index = 1; break;
      case 10600000: index = 2; break;
      case 0: index = kUniversalPosition; break;
      default:
        oscillators << current;
        index = oscillators.size() - 1;
    }
  }
  selectOscillator(int(index));
}

void SatelliteForm::selectOscillator(int index) {
  if (index < 0 || index >= oscillators.size()) return;
  oscillatorIndex = index;
  oscillatorText = oscillators[index];
  tone22kEnabled = oscillatorText != universalLnb();
}

void SatelliteForm::editOscillator(const QString& text) {
  oscillatorText = text;
  oscillatorIndex = int(oscillators.indexOf(text));
  tone22kEnabled = text != universalLnb();
}

void SatelliteForm::deleteOscillator() {
  const qsizetype position = oscillators.indexOf(oscillatorText);
  if (position <= kUniversalPosition) return;  // a built-in entry, or none shown
  userList_.remove(oscillatorText);  // an entry that was never stored only leaves the list
  oscillators.removeAt(position);
  selectOscillator(int(position) - 1);
}

SatelliteForm::Field SatelliteForm::accept() {
  if (mode == Add && name.trimmed().isEmpty()) {
    ui_.messageBox(StringId::EnterSatelliteName, StringId::AppTitle, MessageStyle::exclamation());
    return Field::Name;
  }
  const QString shownOscillator = oscillatorText == universalLnb() ? QStringLiteral("Universal LNB") : oscillatorText;
  const std::optional<uint32_t> oscillator = oscillatorValue(shownOscillator);
  if (!oscillator) {
    ui_.messageBox(StringId::InvalidLocalOscillator, StringId::AppTitle, MessageStyle::exclamation());
    return Field::Oscillator;
  }
  if (oscillatorText != universalLnb()) userList_.remember(oscillatorText);
  if (mode == Add && !registerNewSatellite()) return Field::Name;

  if (mode == Add) setSatelliteName(lnb.SatelliteName, name);
  lnb.Tone22k = tone22k == kOff ? 1 : 0;
  lnb.LnbPower = lnbPower == kOff ? 1 : 0;
  lnb.LocalOscillator = *oscillator;
  lnb.ToneBurst = uint8_t(std::max(toneBurst, 0));
  lnb.DiSEqC = uint8_t(std::max(diseqc, 0));
  return Field::None;
}

bool SatelliteForm::registerNewSatellite() {
  ApplicationState& state = sheet_.services().state;
  name = name.left(kMaxNameLength);
  for (int i = 0; i < state.m_SateNum && i < CPropSheet::kMaxSatellites; ++i) {
    if (sheet_.m_strSateNameList[size_t(i)].compare(name, Qt::CaseInsensitive) == 0) {
      ui_.messageBox(StringId::SatelliteNameTaken, StringId::AppTitle, MessageStyle::exclamation());
      return false;
    }
  }
  if (state.m_SateNum >= CPropSheet::kMaxSatellites) {
    ui_.messageBox(StringId::SatelliteListFull, StringId::AppTitle, MessageStyle::exclamation());
    return false;
  }
  state.m_strSateName = name;
  state.m_strSateFile = state.m_strDataDir + QLatin1Char('/') + fileNameOf(name);
  sheet_.m_strSateNameList[size_t(state.m_SateNum)] = state.m_strSateName;
  sheet_.m_strSateFileList[size_t(state.m_SateNum)] = state.m_strSateFile;
  state.m_SateNum += 1;
  state.m_LastNum = state.m_SateNum;
  return true;
}

}  // namespace cv7::app
