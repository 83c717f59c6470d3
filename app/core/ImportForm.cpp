#include "ImportForm.h"

#include <corvane.h>

#include <QFileInfo>
#include <algorithm>

#include "CPropSheet.h"
#include "NumberText.h"
#include "SatelliteName.h"
#include "StringId.h"

namespace cv7::app {

ImportForm::ImportForm(CPropSheet& sheet) : sheet_(sheet), services_(sheet.services()) {}

bool ImportForm::open(const QString& chosen) {
  if (chosen.isEmpty()) {
    cancel();
    return false;
  }
  if (QFileInfo(chosen).suffix().toLower() != QLatin1String("cvd")) {
    services_.ui.messageBox(StringId::WrongFileExtension, StringId::AppTitle, MessageStyle::exclamation());
    cancel();
    return false;
  }
  path = QFileInfo(chosen).absoluteFilePath();
  services_.files.readDataFile(path);
  fillView();
  return true;
}

void ImportForm::fillView() {
  LnbInfo settings{};
  Cvn_GetSatelliteInformation(&settings);
  satelliteName = cv7::app::satelliteName(settings.SatelliteName);
  const StringTable& strings = services_.ui.strings();
  lnb = LnbTexts::of(settings, strings);
  transponders.clear();
  const int32_t count = Cvn_GetNumOfTransponder();
  for (int32_t number = 1; number <= count; ++number) {
    TrInfo tr{};
    Cvn_GetInfoTransponder(uint32_t(number), &tr);
    transponders << TransponderRow{QString::asprintf("%2d", number), thousandthsText(tr.Frequency),
                                   thousandthsText(tr.SymbolRate),
                                   strings.text(tr.Polarity == 0 ? StringId::PolarityVertical
                                                                 : StringId::PolarityHorizontal)};
  }
  selectTransponder(0);
}

void ImportForm::selectTransponder(int row) {
  selectedRow = row >= 0 && row < transponders.size() ? row : -1;
  showChannels(uint32_t(row + 1));
  notifyChanged();
}

void ImportForm::showChannels(uint32_t transponder) {
  if (transponder < 1 || transponder > uint32_t(transponders.size())) {
    channels.clear();
    return;
  }
  const int32_t count = Cvn_GetNumOfProgram(transponder);
  qsizetype shown = 0;
  for (int32_t place = 1; place <= count; ++place) {
    ProgramInfo program{};
    program.ChNumber = transponder * 100 + uint32_t(place);
    if (!Cvn_GetInfoProgram(&program)) break;
    const ChannelRow row{QString::number(program.ChNumber), cv7::app::satelliteName(program.ProgramName),
                         program.TVorRadio == 1 ? QStringLiteral("TV") : services_.ui.strings().text(StringId::Radio),
                         program.Scrambled == 1 ? QStringLiteral("Yes") : QStringLiteral("No")};
    if (shown < channels.size()) {
      channels[shown] = row;
    } else {
      channels << row;
    }
    ++shown;
  }
  channels.resize(shown);
}

int ImportForm::registeredIndex() const {
  const int count = std::min(services_.state.m_SateNum, CPropSheet::kMaxSatellites);
  for (int i = count - 1; i >= 0; --i)
    if (sheet_.m_strSateNameList[size_t(i)].compare(satelliteName, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

void ImportForm::accept() {
  UserInterface& ui = services_.ui;
  const int index = registeredIndex();
  if (index < 0) {
    if (ui.messageBox(StringId::ConfirmUseSatellite, StringId::AppTitle, MessageStyle::question()) ==
        MessageButton::Cancel)
      return restoreSelected();
    return registerNew();
  }
  if (sheet_.m_strSateFileList[size_t(index)] == path) {
    ui.messageBox(StringId::FileAlreadyRegistered, StringId::AppTitle, MessageStyle::exclamation());
    services_.files.readDataFile(path);
    result_ = kNothingAdopted;
    return;
  }
  if (ui.messageBox(StringId::ConfirmUpdateSatellite, StringId::AppTitle, MessageStyle::question()) ==
      MessageButton::Cancel)
    return restoreSelected();
  replaceFile(index);
}

// A full list has no room for another satellite: the file is not adopted.
void ImportForm::registerNew() {
  ApplicationState& state = services_.state;
  if (state.m_SateNum >= CPropSheet::kMaxSatellites) {
    services_.ui.messageBox(StringId::SatelliteListFull, StringId::AppTitle, MessageStyle::exclamation());
    return restoreSelected();
  }
  services_.files.readDataFile(path);
  sheet_.m_strSateNameList[size_t(state.m_SateNum)] = satelliteName;
  sheet_.m_strSateFileList[size_t(state.m_SateNum)] = path;
  state.m_SateNum += 1;
  state.m_LastNum = state.m_SateNum;
  result_ = kSatelliteAdded;
}

void ImportForm::replaceFile(int index) {
  services_.files.readDataFile(path);
  sheet_.m_strSateFileList[size_t(index)] = path;
  result_ = kFileReplaced;
}

void ImportForm::cancel() { restoreSelected(); }

void ImportForm::restoreSelected() {
  services_.files.readDataFile(services_.state.m_strSateFile);
  result_ = kNothingAdopted;
}

const StringTable& ImportForm::strings() const { return services_.ui.strings(); }

void ImportForm::notifyChanged() {
  if (changed) changed();
}

}  // namespace cv7::app
