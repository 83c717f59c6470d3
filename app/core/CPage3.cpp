#include "CPage3.h"

#include <algorithm>

#include "CPropSheet.h"
#include "DataPidForm.h"
#include "NetworkPids.h"
#include "StringId.h"
#include "Trace.h"

namespace cv7::app {

namespace {

// The rows of a list of `count` rows among `rows`, ascending, each once.
QList<int> listRows(QList<int> rows, qsizetype count) {
  rows.removeIf([count](int row) { return row < 0 || row >= count; });
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

}  // namespace

CPage3::CPage3(CPropSheet& sheet) : sheet_(sheet), services_(sheet.services()) {}

void CPage3::OnSetActive() { FillLists(); }

QString CPage3::baseLabelText() const { return QStringLiteral("Data PID ") + pidBaseTag(pidNumberBase()); }

int CPage3::baseTipId() const { return pidBaseTipId(pidNumberBase()); }

CPage3::Row CPage3::rowOf(const DataInfo& data) const {
  return {data.DataPID, data.Encapsulation, pidText(data.DataPID, pidNumberBase()), serviceTypeText(data.Encapsulation)};
}

bool CPage3::readData(uint32_t place, DataInfo& data) const {
  data = DataInfo{};
  data.DataNumber = services_.state.g_TpNum * 100 + place;
  if (Cvn_GetInfoData(&data)) return true;
  trace(QStringLiteral("Cvn_GetInfoData %1 failed").arg(data.DataNumber));
  return false;
}

bool CPage3::updateData(const DataInfo& data) {
  if (Cvn_UpdateData(data)) return true;
  trace(QStringLiteral("Cvn_UpdateData %1 failed").arg(data.DataNumber));
  return false;
}

void CPage3::FillLists() {
  available.clear();
  selected.clear();
  availableSelection.clear();
  selectedSelection.clear();
  availableScrollTo = -1;
  const uint32_t transponder = services_.state.g_TpNum;
  const int32_t count = transponder == 0 ? 0 : Cvn_GetNumOfData(transponder);
  for (int32_t place = 1; place <= count; ++place) {
    DataInfo data{};
    readData(uint32_t(place), data);  // a failed read keeps its row, so rows stay at their places
    available << rowOf(data);
    if (data.SetFlag == 1) selected << rowOf(data);
  }
  notifyChanged();
}

void CPage3::selectAvailable(QList<int> rows) { availableSelection = listRows(std::move(rows), available.size()); }

void CPage3::selectSelected(QList<int> rows) { selectedSelection = listRows(std::move(rows), selected.size()); }

bool CPage3::locked() const {
  const ApplicationState& state = services_.state;
  return state.g_TpNum != 0 && state.g_TrInfo.TransponderNumber == state.g_TpNum && state.m_DataLockHeld.load() == 1;
}

NetPid CPage3::netPidOf(const DataInfo& data) const {
  return networkPidOf(data, services_.state.g_TrInfo.TransportID);
}

void CPage3::setNetworkPid(const DataInfo& data) const {
  if (!Cvn_SetNetworkPID(netPidOf(data))) trace(QStringLiteral("Cvn_SetNetworkPID 0x%1 failed").arg(data.DataPID, 0, 16));
}

void CPage3::releaseNetworkPid(const DataInfo& data) const {
  if (!Cvn_ReleaseNetworkPID(netPidOf(data)))
    trace(QStringLiteral("Cvn_ReleaseNetworkPID 0x%1 failed").arg(data.DataPID, 0, 16));
}

int CPage3::availableRowOf(uint16_t pid, int except) const {
  for (int row = 0; row < available.size(); ++row)
    if (row != except && available[row].pid == pid) return row;
  return -1;
}

int CPage3::selectedRowOf(uint16_t pid) const {
  for (int row = 0; row < selected.size(); ++row)
    if (selected[row].pid == pid) return row;
  return -1;
}

void CPage3::OnAdd() {
  if (services_.state.g_TpNum == 0) return;
  if (available.size() >= kMaxDataServices) {
    services_.ui.messageBox(StringId::DataPidLimit, StringId::AppTitle, MessageStyle::exclamation());
    return;
  }
  DataPidForm form(StringId::AddDataPidTitle, services_.ui);
  const bool accepted = services_.dialogs.runDataPidDialog(form);
  if (form.baseChanged) FillLists();  // the lists in the base chosen in the dialog
  if (accepted) addService(form);
  notifyChanged();
}

void CPage3::addService(const DataPidForm& form) {
  // A PID already listed (however it was typed) is only selected.
  const int listed = availableRowOf(form.pid());
  if (listed >= 0) {
    selectAvailableRow(listed);
    return;
  }
  DataInfo data{};
  data.DataPID = form.pid();
  data.Encapsulation = form.encapsulation();
  if (!Cvn_AddData(services_.state.g_TpNum, &data)) {
    trace(QStringLiteral("Cvn_AddData on %1 failed").arg(services_.state.g_TpNum));
    return;
  }
  const int row = std::clamp(int(data.DataNumber % 100) - 1, 0, int(available.size()));
  available.insert(row, rowOf(data));
  markChanged();
  selectAvailableRow(row);
}

void CPage3::selectAvailableRow(int row) {
  availableSelection = {row};
  availableScrollTo = row;
}

void CPage3::OnEdit() {
  if (services_.state.g_TpNum == 0) return;
  const PidBase base = pidNumberBase();
  for (int row : QList<int>(availableSelection)) editRow(row);
  if (pidNumberBase() != base) FillLists();
  notifyChanged();
}

void CPage3::editRow(int row) {
  if (row < 0 || row >= available.size()) return;
  DataPidForm form(StringId::EditDataPidTitle, services_.ui);
  // In the base of now: an earlier dialog of this edit may have changed it.
  form.pidText = pidText(available[row].pid, pidNumberBase());
  form.m_ServiceType = serviceTypeOfEncapsulation(available[row].encapsulation);
  if (!services_.dialogs.runDataPidDialog(form)) return;
  if (availableRowOf(form.pid(), row) >= 0) return;  // another service has this PID
  DataInfo old{};
  if (!readData(uint32_t(row + 1), old)) return;
  DataInfo edited = old;
  edited.DataPID = form.pid();
  edited.Encapsulation = form.encapsulation();
  updateData(edited);
  available[row] = rowOf(edited);
  markChanged();
  if (old.SetFlag == 1) updateSelectedList(old, &edited);
}

void CPage3::OnDelete() {
  if (services_.state.g_TpNum == 0) return;
  if (services_.ui.messageBox(StringId::ConfirmDeleteDataPid, StringId::AppTitle, MessageStyle::question()) ==
      MessageButton::Cancel)
    return;
  // From the last to the first, so the rows still to come keep their places.
  const QList<int> rows = availableSelection;
  for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
    const int row = *it;
    DataInfo data{};
    if (row >= available.size() || !readData(uint32_t(row + 1), data)) continue;
    Cvn_DeleteData(data.DataNumber);
    available.removeAt(row);
    markChanged();
    if (data.SetFlag == 1) updateSelectedList(data, nullptr);
  }
  availableSelection.clear();
  notifyChanged();
}

void CPage3::updateSelectedList(const DataInfo& old, const DataInfo* edited) {
  const int row = selectedRowOf(old.DataPID);
  if (row < 0) return;
  const bool isLocked = locked();
  if (isLocked) releaseNetworkPid(old);
  if (!edited) {
    selected.removeAt(row);
    selectedSelection.removeAll(row);
    for (int& later : selectedSelection)
      if (later > row) --later;
    return;
  }
  selected[row] = rowOf(*edited);
  if (isLocked) setNetworkPid(*edited);
}

void CPage3::insertSelected(const Row& row) {
  const auto greater = std::find_if(selected.begin(), selected.end(), [&](const Row& r) { return r.pid > row.pid; });
  const int at = int(greater - selected.begin());
  selected.insert(at, row);
  for (int& later : selectedSelection)
    if (later >= at) ++later;
}

void CPage3::OnSetNetworkPid() {
  if (services_.state.g_TpNum == 0) return;
  for (int row : QList<int>(availableSelection)) {
    if (row >= available.size()) continue;
    const int listed = selectedRowOf(available[row].pid);
    if (listed >= 0) {
      if (!selectedSelection.contains(listed)) selectSelected(selectedSelection << listed);
      continue;
    }
    DataInfo data{};
    if (!readData(uint32_t(row + 1), data)) continue;
    data.SetFlag = 1;
    updateData(data);
    markChanged();
    if (locked()) setNetworkPid(data);
    insertSelected(rowOf(data));
  }
  availableSelection.clear();
  notifyChanged();
}

void CPage3::OnReleaseNetworkPid() {
  if (services_.state.g_TpNum == 0) return;
  while (!selectedSelection.isEmpty()) {
    const int row = selectedSelection.takeFirst();
    if (row >= selected.size()) continue;
    const int place = availableRowOf(selected[row].pid);
    DataInfo data{};
    if (place >= 0 && readData(uint32_t(place + 1), data)) {
      data.SetFlag = 0;
      updateData(data);
      // The file must learn of the deselection as it learns of a selection.
      markChanged();
      if (locked()) releaseNetworkPid(data);
    }
    selected.removeAt(row);
    for (int& later : selectedSelection)
      if (later > row) --later;
  }
  notifyChanged();
}

void CPage3::OnChooseBase(PidBase base) {
  if (services_.state.g_TpNum == 0 || base == pidNumberBase()) return;
  setPidNumberBase(base);
  FillLists();
}

void CPage3::markChanged() { services_.state.g_SateChanged = true; }

void CPage3::notifyChanged() {
  if (changed) changed();
}

}  // namespace cv7::app
