// The data PID page (168, "Data PID / Encapsulation") of the setup sheet without its widgets:
// the data services of the selected data transponder (g_TpNum) in the available list, those
// selected for reception (SetFlag 1) in the selected list, and the flows of its buttons. A
// change is made in the library's database at once; the network PID of a service is set or
// released only while the card is locked to this transponder. Library failures are traced.
//
// Window thread only. The widgets show the members below and call the handlers; `changed`
// tells them to show the page again.
#pragma once
#include <corvane.h>

#include <QList>
#include <QString>
#include <QVector>
#include <functional>

#include "DataPidText.h"

namespace cv7::app {

class CPropSheet;
class DataPidForm;
struct SetupServices;

class CPage3 {
 public:
  // Control ids.
  static constexpr int kAvailableList = 1203;
  static constexpr int kSelectedList = 1204;
  static constexpr int kSetButton = 1007;
  static constexpr int kReleaseButton = 1008;
  static constexpr int kAddButton = 1019;
  static constexpr int kDeleteButton = 1020;
  static constexpr int kEditButton = 1021;
  static constexpr int kBaseLabel = 1022;
  // At most this many data services per transponder are added here.
  static constexpr int kMaxDataServices = 16;

  struct Row {
    uint16_t pid = 0;
    uint16_t encapsulation = 0;
    QString pidText, serviceType;
    bool operator==(const Row&) const = default;
  };

  explicit CPage3(CPropSheet& sheet);

  // The page became the active one: both lists and the base label again.
  void OnSetActive();

  void OnAdd();
  void OnEdit();
  void OnDelete();
  // "-->": the selected services of the available list are received.
  void OnSetNetworkPid();
  // "<--": the selected services of the selected list are no longer received.
  void OnReleaseNetworkPid();
  // The base menu of label 1022 chose `base`; both lists are shown in it.
  void OnChooseBase(PidBase base);

  // Both lists from the library's database.
  void FillLists();
  // The user's selection in the lists (row indexes; out-of-range ones are dropped).
  void selectAvailable(QList<int> rows);
  void selectSelected(QList<int> rows);

  // "Data PID [Hex]" / "Data PID [Dec]" and the string id of its tool tip.
  QString baseLabelText() const;
  int baseTipId() const;

  // What the controls show.
  QVector<Row> available;           // list 1203, in DataNumber order
  QVector<Row> selected;            // list 1204
  QList<int> availableSelection;    // ascending
  QList<int> selectedSelection;     // ascending
  int availableScrollTo = -1;       // the row to scroll into view, -1 none
  std::function<void()> changed;

 private:
  enum class SelectedUpdate { Delete, Edit };

  Row rowOf(const DataInfo& data) const;
  void addService(const DataPidForm& form);
  // Selects only this row of the available list and scrolls it into view.
  void selectAvailableRow(int row);
  bool readData(uint32_t place, DataInfo& data) const;
  bool updateData(const DataInfo& data);
  // The card is locked to the transponder shown here.
  bool locked() const;
  NetPid netPidOf(const DataInfo& data) const;
  void setNetworkPid(const DataInfo& data) const;
  void releaseNetworkPid(const DataInfo& data) const;
  int availableRowOf(uint16_t pid, int except = -1) const;
  int selectedRowOf(uint16_t pid) const;
  void editRow(int row);
  void updateSelectedList(const DataInfo& old, const DataInfo* edited);
  void insertSelected(const Row& row);
  void markChanged();
  void notifyChanged();

  CPropSheet& sheet_;
  SetupServices& services_;
};

}  // namespace cv7::app
