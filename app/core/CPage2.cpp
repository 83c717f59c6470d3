#include "CPage2.h"

#include "CPropSheet.h"
#include "ImportForm.h"
#include "LnbTexts.h"
#include "NumberText.h"
#include "SatelliteForm.h"
#include "SatelliteName.h"
#include "ScanFlows.h"
#include "StringId.h"
#include "Trace.h"
#include "TransponderForm.h"
#include "WaitCursor.h"

namespace cv7::app {

namespace {

constexpr int kScanAvailable = 21;  // told to the TV application when the page offers scans

// Calls `visit` for every favourite from the last to the first (deleting one then leaves the
// numbers of those still to come as they were).
void forEachFavoriteBackwards(const std::function<void(uint32_t, FavoriteInfo&)>& visit) {
  const int32_t count = Cvn_GetNumOfFavorite();
  for (int32_t index = count; index >= 1; --index) {
    FavoriteInfo favorite{};
    if (!Cvn_GetFavoriteInfo(uint32_t(index), &favorite)) continue;
    visit(uint32_t(index), favorite);
  }
}

void updateFavorite(uint32_t index, const FavoriteInfo& favorite) {
  if (!Cvn_UpdateFavorite(index, favorite)) trace(QStringLiteral("Cvn_UpdateFavorite %1 failed").arg(index));
}

}  // namespace

CPage2::CPage2(CPropSheet& sheet) : sheet_(sheet), services_(sheet.services()) {}

void CPage2::OnInitDialog() {
  ShowSatelliteList();
  ShowTransponderList();
  selectTransponderRow(int(services_.state.g_TpNum) - 1);
  m_nItemTp = int(services_.state.g_TpNum) - 1;
  notifyChanged();
}

void CPage2::OnActivate() {
  if (autoScanEnabled) return;
  autoScanEnabled = scanEnabled = true;
  services_.tv.notifyTv(kScanAvailable, 0);
  notifyChanged();
}

void CPage2::OnSetActive() {
  OnActivate();
  const ApplicationState& state = services_.state;
  if (refresh == SetupSheetAccess::kRefreshSatelliteList) {
    ReloadSatelliteList();
    selectSatellitePosition(state.m_LastNum - 1);
  }
  if (refresh != SetupSheetAccess::kRefreshNone) {
    ShowTransponderList();
    selectTransponderRow(int(state.g_TpNum) - 1);
  }
  refresh = SetupSheetAccess::kRefreshNone;
  notifyChanged();
}

void CPage2::ShowSatelliteList() {
  ApplicationState& state = services_.state;
  satelliteNames.clear();
  for (int i = std::min(state.m_SateNum, CPropSheet::kMaxSatellites); i >= 1; --i) {
    const QString& name = sheet_.m_strSateNameList[size_t(i - 1)];
    if (!name.isEmpty()) satelliteNames.prepend(name);
    if (i == state.m_LastNum) state.m_strSateName = name;
  }
  selectSatellitePosition(state.m_LastNum - 1);
  if (state.m_LastNum >= 1 && state.m_LastNum <= CPropSheet::kMaxSatellites)
    state.m_strSateFile = sheet_.m_strSateFileList[size_t(state.m_LastNum - 1)];
}

void CPage2::ReloadSatelliteList() {
  const ApplicationState& state = services_.state;
  sheet_.readSatelliteList();
  satelliteNames.clear();
  bool openingListed = false;
  for (int i = std::min(state.m_SateNum, CPropSheet::kMaxSatellites); i >= 1; --i) {
    const QString& name = sheet_.m_strSateNameList[size_t(i - 1)];
    if (!name.isEmpty()) satelliteNames.prepend(name);
    if (name == sheet_.m_strOldSateName && sheet_.m_strSateFileList[size_t(i - 1)] == sheet_.m_strOldSateFile)
      openingListed = true;
  }
  selectSatellitePosition(state.m_LastNum - 1);
  if (!openingListed) sheet_.setCannotRestore();
  sheet_.m_bSateListChanged = false;
  notifyChanged();
}

void CPage2::ShowLnbInfo() {
  LnbInfo lnb{};
  if (!Cvn_GetSatelliteInformation(&lnb)) trace(QStringLiteral("Cvn_GetSatelliteInformation failed"));
  const LnbTexts texts = LnbTexts::of(lnb, services_.ui.strings());
  diseqcText = texts.diseqc;
  toneBurstText = texts.toneBurst;
  lnbPowerText = texts.lnbPower;
  oscillatorText = texts.oscillator;
  tone22kText = texts.tone22k;
  notifyChanged();
}

CPage2::Row CPage2::rowOf(const TrInfo& tr) const {
  const StringTable& strings = services_.ui.strings();
  return {thousandthsText(tr.Frequency), thousandthsText(tr.SymbolRate),
          strings.text(tr.Polarity == 0 ? StringId::PolarityVertical : StringId::PolarityHorizontal)};
}

void CPage2::ShowTransponderList() {
  ShowLnbInfo();
  rows.clear();
  const int32_t count = Cvn_GetNumOfTransponder();
  if (count < 1) {
    services_.state.g_TpNum = 0;
    m_nItemTp = -1;
    notifyChanged();
    return;
  }
  TrInfo tr{};
  for (int32_t number = 1; number <= count; ++number) {
    if (!Cvn_GetInfoTransponder(uint32_t(number), &tr)) trace(QStringLiteral("Cvn_GetInfoTransponder %1 failed").arg(number));
    rows << rowOf(tr);
  }
  notifyChanged();
}

void CPage2::selectSatellitePosition(int position) {
  satelliteIndex = position >= 0 && position < satelliteNames.size() ? position : -1;
  notifyChanged();
}

void CPage2::selectTransponderRow(int index) {
  if (index < 0 || index >= rows.size()) return;
  OnSelectTransponder(index);
}

void CPage2::OnSelectTransponder(int index) {
  m_nItemTp = index;
  services_.state.g_TpNum = uint32_t(index + 1);
  notifyChanged();
}

QString CPage2::satelliteText() const {
  return satelliteIndex >= 0 && satelliteIndex < satelliteNames.size() ? satelliteNames[satelliteIndex] : QString();
}

void CPage2::OnSelectSatellite(int position) {
  ApplicationState& state = services_.state;
  if (state.g_SateChanged) LeaveChangedSatellite(true);
  satelliteIndex = position;
  if (satelliteText().isEmpty()) return;
  state.m_LastNum = position + 1;
  if (position < CPropSheet::kMaxSatellites && satelliteText() == sheet_.m_strSateNameList[size_t(position)]) {
    state.m_strSateName = sheet_.m_strSateNameList[size_t(position)];
    state.m_strSateFile = sheet_.m_strSateFileList[size_t(position)];
    services_.files.loadDataFile();
    ShowTransponderList();
    m_nItemTp = 0;
    selectTransponderRow(0);
  }
  if (sheet_.m_bSateListChanged) services_.files.writeTemporaryCopy();
  notifyChanged();
}

bool CPage2::LeaveChangedSatellite(bool ask) {
  ApplicationState& state = services_.state;
  WaitCursor wait(services_.ui);
  state.g_SateChanged = false;
  if (ask) {
    const QString text = state.m_strSateName + QLatin1Char('\n') + services_.ui.strings().text(StringId::ConfirmSaveSatellite);
    if (services_.ui.messageBox(text, StringId::AppTitle, MessageStyle::question()) == MessageButton::Cancel) {
      if (sheet_.m_bSateListChanged) {
        ReloadSatelliteList();
        selectSatellitePosition(state.m_LastNum - 1);
      }
      services_.files.loadDataFile();
      services_.files.openFavoriteFile();
      return false;
    }
  }
  if (sheet_.m_bSateListChanged) sheet_.WriteSatelliteList();
  if (state.m_strSateName == sheet_.m_strOldSateName) sheet_.setCannotRestore();
  services_.files.saveDataFile();
  services_.files.saveFavoriteFile();
  if (satelliteName(state.g_LnbInfo.SatelliteName) == state.m_strSateName && state.g_TrInfo.TransponderNumber != 0) {
    if (services_.reception.findTransponder(state.g_TrInfo.Frequency, state.g_TrInfo.SymbolRate)) {
      state.g_TrInfo.TransponderNumber = state.g_TpNum;
    } else {
      state.g_TrInfo.TransponderNumber = 0;
      sheet_.setCaption(StringId::NotLockedCaption);
    }
  }
  services_.tv.notifyTv(CPropSheet::kSatelliteFilesWritten, state.m_LastNum * 100);
  return true;
}

void CPage2::OnAddSatellite() {
  if (services_.state.g_SateChanged && !LeaveChangedSatellite(true)) ShowTransponderList();
  const int command = services_.dialogs.chooseAddSatelliteCommand();
  if (command == SetupDialogs::kImportSatellite) return importSatellite();
  if (command != SetupDialogs::kNewSatellite) return;
  if (services_.state.m_SateNum >= CPropSheet::kMaxSatellites) {
    services_.ui.messageBox(StringId::SatelliteListFull, StringId::AppTitle, MessageStyle::exclamation());
    return;
  }
  addNewSatellite();
}

void CPage2::addNewSatellite() {
  ApplicationState& state = services_.state;
  SatelliteForm form(SatelliteForm::Add, sheet_);
  if (!services_.dialogs.runSatelliteDialog(form)) return;
  Cvn_FreeTransponderStructure();
  Cvn_SetNewLNBInformation(form.lnb);
  const QByteArray path = state.m_strSateFile.toUtf8();
  if (!Cvn_ChannelFileCreate(path.constData())) {
    services_.ui.fileMessage(StringId::FileCreateFailed, state.m_strSateFile);
  } else if (!Cvn_ChannelFileWrite()) {
    services_.ui.fileMessage(StringId::FileWriteFailed, state.m_strSateFile);
  }
  Cvn_ChannelFileClose();
  satelliteNames.insert(std::min<qsizetype>(state.m_LastNum - 1, satelliteNames.size()), state.m_strSateName);
  selectSatellitePosition(state.m_LastNum - 1);
  ShowTransponderList();
  sheet_.m_bSateListChanged = true;
  notifyChanged();
}

void CPage2::importSatellite() {
  ApplicationState& state = services_.state;
  ImportForm form(sheet_);
  services_.dialogs.runImportDialog(form);
  switch (form.result()) {
    case ImportForm::kFileReplaced: {
      deleteFavoritesOf(form.satelliteName);
      if (state.g_TrInfo.TransponderNumber != 0 && satelliteName(state.g_LnbInfo.SatelliteName) == form.satelliteName) {
        state.g_TrInfo.TransponderNumber = 0;
        sheet_.setCaption(StringId::NotLockedCaption);
      }
      state.m_strSateName = form.satelliteName;
      // The satellite's new file (and its favourites' removal) are kept when the sheet's OK
      // writes the satellite list.
      sheet_.m_bSateListChanged = true;
      const int position = satellitePositionOf(form.satelliteName);
      selectSatellitePosition(position);
      OnSelectSatellite(position);
      break;
    }
    case ImportForm::kSatelliteAdded:
      state.m_strSateName = form.satelliteName;
      satelliteNames.insert(std::clamp<qsizetype>(state.m_LastNum - 1, 0, satelliteNames.size()), form.satelliteName);
      selectSatellitePosition(state.m_LastNum - 1);
      OnSelectSatellite(state.m_LastNum - 1);
      sheet_.m_bSateListChanged = true;
      break;
    case ImportForm::kNothingAdopted: services_.files.loadDataFile(); break;
  }
  if (sheet_.m_bSateListChanged) services_.files.writeTemporaryCopy();
  notifyChanged();
}

int CPage2::satellitePositionOf(const QString& name) const {
  const int exact = int(satelliteNames.indexOf(name));
  if (exact >= 0) return exact;
  for (int i = 0; i < satelliteNames.size(); ++i)
    if (satelliteNames[i].compare(name, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

void CPage2::deleteFavoritesOf(const QString& satellite) {
  forEachFavoriteBackwards([&](uint32_t, FavoriteInfo& favorite) {
    if (satelliteName(favorite.Lnb.SatelliteName) == satellite) Cvn_DeleteFavorite(favorite);
  });
}

void CPage2::OnDeleteSatellite() {
  ApplicationState& state = services_.state;
  UserInterface& ui = services_.ui;
  if (ui.messageBox(StringId::ConfirmDeleteSatellite, StringId::AppTitle, MessageStyle::question()) ==
      MessageButton::Cancel)
    return;
  if (state.m_SateNum <= 1) {
    ui.messageBox(StringId::LastSatellite, StringId::AppTitle, MessageStyle::exclamation());
    return;
  }
  state.g_SateChanged = false;
  deleteFavoritesOf(satelliteText());
  const int last = std::min(state.m_SateNum, CPropSheet::kMaxSatellites);
  for (int i = state.m_LastNum; i < last; ++i) {
    sheet_.m_strSateNameList[size_t(i - 1)] = sheet_.m_strSateNameList[size_t(i)];
    sheet_.m_strSateFileList[size_t(i - 1)] = sheet_.m_strSateFileList[size_t(i)];
  }
  sheet_.m_strSateNameList[size_t(last - 1)].clear();
  sheet_.m_strSateFileList[size_t(last - 1)].clear();
  if (state.m_LastNum - 1 < satelliteNames.size()) satelliteNames.removeAt(state.m_LastNum - 1);
  sheet_.m_bSateListChanged = true;
  state.m_SateNum -= 1;
  if (state.m_LastNum > 1) state.m_LastNum -= 1;
  selectSatellitePosition(state.m_LastNum - 1);
  OnSelectSatellite(state.m_LastNum - 1);
  services_.files.writeTemporaryCopy();
}

void CPage2::OnEditSatellite() {
  LnbInfo old{};
  Cvn_GetSatelliteInformation(&old);
  SatelliteForm form(SatelliteForm::Edit, sheet_, old);
  if (!services_.dialogs.runSatelliteDialog(form)) return;
  const LnbInfo& lnb = form.lnb;
  if (lnb.LocalOscillator == old.LocalOscillator && lnb.Tone22k == old.Tone22k && lnb.LnbPower == old.LnbPower &&
      lnb.ToneBurst == old.ToneBurst && lnb.DiSEqC == old.DiSEqC)
    return;
  Cvn_SetNewLNBInformation(lnb);
  const QString name = satelliteName(lnb.SatelliteName);
  forEachFavoriteBackwards([&](uint32_t index, FavoriteInfo& favorite) {
    if (satelliteName(favorite.Lnb.SatelliteName) != name) return;
    favorite.Lnb = lnb;
    updateFavorite(index, favorite);
  });
  markChanged();
  ShowLnbInfo();
}

void CPage2::OnAddTransponder() {
  TransponderForm form(0, StringId::AddTransponderTitle, services_.ui);
  form.polarity = 0;
  if (!services_.dialogs.runTransponderDialog(form)) return;
  const QString frequency = thousandthsText(form.m_dwDLF), symbolRate = thousandthsText(form.m_dwSR);
  for (int i = 0; i < rows.size(); ++i) {
    if (rows[i].frequency == frequency && rows[i].symbolRate == symbolRate) {
      selectTransponderRow(i);
      return;
    }
  }
  TrInfo tr{};
  tr.Frequency = form.m_dwDLF;
  tr.SymbolRate = form.m_dwSR;
  tr.Polarity = form.polarity != 0 ? 1 : 0;
  if (!Cvn_AddTransponder(&tr)) return;
  const uint32_t number = tr.TransponderNumber;
  rows.insert(std::min<qsizetype>(number - 1, rows.size()), rowOf(tr));
  selectTransponderRow(int(number) - 1);
  if (int32_t(number) < Cvn_GetNumOfTransponder()) shiftFavoritesFrom(number);
  markChanged();
}

void CPage2::shiftFavoritesFrom(uint32_t number) {
  const QString& satellite = services_.state.m_strSateName;
  forEachFavoriteBackwards([&](uint32_t index, FavoriteInfo& favorite) {
    if (satelliteName(favorite.Lnb.SatelliteName) != satellite || favorite.Tr.TransponderNumber < number) return;
    favorite.Tr.TransponderNumber += 1;
    favorite.Program.ChNumber += 100;
    updateFavorite(index, favorite);
  });
}

void CPage2::OnEditTransponder() {
  if (rows.isEmpty() || m_nItemTp < 0 || m_nItemTp >= rows.size()) return;
  TrInfo tr{};
  Cvn_GetInfoTransponder(uint32_t(m_nItemTp + 1), &tr);
  TransponderForm form(uint32_t(m_nItemTp + 1), StringId::EditTransponderTitle, services_.ui);
  form.frequencyText = thousandthsText(tr.Frequency);
  form.symbolRateText = thousandthsText(tr.SymbolRate);
  form.polarity = tr.Polarity != 0 ? 1 : 0;
  if (!services_.dialogs.runTransponderDialog(form)) return;
  const uint32_t polarity = form.polarity != 0 ? 1 : 0;
  if (form.m_dwDLF == tr.Frequency && form.m_dwSR == tr.SymbolRate && polarity == (tr.Polarity != 0 ? 1u : 0u)) return;
  tr.Frequency = form.m_dwDLF;
  tr.SymbolRate = form.m_dwSR;
  tr.Polarity = polarity;
  rows[m_nItemTp] = rowOf(tr);
  Cvn_UpdateTransponder(tr);
  const QString& satellite = services_.state.m_strSateName;
  forEachFavoriteBackwards([&](uint32_t index, FavoriteInfo& favorite) {
    if (satelliteName(favorite.Lnb.SatelliteName) != satellite || favorite.Tr.TransponderNumber != tr.TransponderNumber)
      return;
    favorite.Tr = tr;
    updateFavorite(index, favorite);
  });
  markChanged();
}

void CPage2::OnDeleteTransponder() {
  if (rows.isEmpty() || m_nItemTp < 0 || m_nItemTp >= rows.size()) return;
  if (services_.ui.messageBox(StringId::ConfirmDeleteTransponder, StringId::AppTitle, MessageStyle::question()) ==
      MessageButton::Cancel)
    return;
  const uint32_t number = uint32_t(m_nItemTp + 1);
  if (!Cvn_DeleteTransponder(number)) return;
  rows.removeAt(number - 1);
  if (!rows.isEmpty()) selectTransponderRow(std::min(int(number) - 1, int(rows.size()) - 1));
  const QString& satellite = services_.state.m_strSateName;
  forEachFavoriteBackwards([&](uint32_t index, FavoriteInfo& favorite) {
    if (satelliteName(favorite.Lnb.SatelliteName) != satellite) return;
    if (favorite.Tr.TransponderNumber == number) {
      Cvn_DeleteFavorite(favorite);
    } else if (favorite.Tr.TransponderNumber > number) {
      favorite.Tr.TransponderNumber -= 1;
      favorite.Program.ChNumber -= 100;
      updateFavorite(index, favorite);
    }
  });
  markChanged();
}

void CPage2::OnLockTest() { ScanFlows(sheet_, *this).lockTest(); }
void CPage2::OnScan() { ScanFlows(sheet_, *this).scan(); }
void CPage2::OnAutoScan() { ScanFlows(sheet_, *this).autoScan(); }

void CPage2::markChanged() {
  services_.state.g_SateChanged = true;
  services_.files.writeTemporaryCopy();
  notifyChanged();
}

void CPage2::notifyChanged() {
  if (changed) changed();
}

}  // namespace cv7::app
