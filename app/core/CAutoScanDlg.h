// The auto-scan dialog (1244, "Auto Scan - all transponder") without its widgets: it tests
// every transponder of the selected satellite in turn. A worker thread runs the data lock
// test of each one and hands its result to the window thread; a transponder that locked is
// then searched, and the next one is tested once the search result has been handled
// (message 1036 from the search result handling). The list shows "Lock" or "Unlock" and the
// number of programs found; the progress bar and the percentage follow the transponders.
//
// Cancel closes the dialog before the next transponder; a lock test or search that is under
// way is finished first. A search whose result does not come within kSearchLimit (the card
// gives up after 5 s and answers what it found) is cancelled and the scan goes on, so the
// dialog never waits for ever; after Cancel it waits kCancelGrace at most. When the next
// transponder can no longer be read (the satellite's data changed meanwhile) the scan ends
// after the current one.
//
// While the dialog exists the sheet knows it as its auto-scan dialog (the TV application is
// then told nothing) and other programs see its scan window. Window thread only, apart from
// the worker.
#pragma once
#include <corvane.h>

#include <QString>
#include <QVector>
#include <chrono>
#include <functional>
#include <thread>

#include "DialogTimers.h"
#include "StringTable.h"
#include "WindowThreadQueue.h"

namespace cv7::app {

class CPropSheet;
struct SetupServices;

class CAutoScanDlg {
 public:
  static constexpr uint32_t kSkip = 11;           // wParam of 1036: no search to wait for
  static constexpr int kSearchTimerId = 73;       // the wait for a search result
  static constexpr std::chrono::milliseconds kSearchLimit{10000};
  static constexpr std::chrono::milliseconds kCancelGrace{3000};

  struct Row {
    QString number, frequency, symbolRate, locking, channels;
    bool operator==(const Row&) const = default;
  };

  CAutoScanDlg(CPropSheet& sheet, QString satelliteName);
  ~CAutoScanDlg();
  CAutoScanDlg(const CAutoScanDlg&) = delete;
  CAutoScanDlg& operator=(const CAutoScanDlg&) = delete;

  void setTimers(DialogTimers* timers) { timers_ = timers; }
  // The texts the widgets show (title, columns).
  const StringTable& strings() const;

  // The window was created: the satellite's LNB record and its transponders.
  void OnInitDialog();
  // The window is painted; the first paint starts the scan.
  void OnPaint();
  // Message 1036: wParam kSkip (no search) or 0 (the search result of `transponder` has
  // been handled); `transponder` is the one just finished (0 at the start).
  void OnScanMessage(uint32_t wParam, uint32_t transponder);
  // Button 1304 (Cancel, OK at the end).
  void OnCancel();
  void OnTimer(int id);
  // The window is destroyed (also done by the destructor): waits for a running worker.
  void OnDestroy();

  int lastLockStatus() const { return m_LastLock; }
  bool anyLocked() const { return m_bAnyLocked; }

  // What the controls show.
  QString satelliteText;  // static 1261
  QVector<Row> rows;      // list 1257
  int selectedRow = -1;
  int scrolledRow = -1;   // the row last scrolled into view
  QString statusText;     // static 1265
  int progress = 0;       // progress bar 1259, 0 to 100
  QString percentText;    // static 1260
  QString buttonText;     // button 1304
  bool closed = false;
  std::function<void()> changed;  // show the dialog again
  std::function<void()> close;    // close the window

 private:
  // Step to transponder `number`: the end, the close after Cancel, or its lock test.
  void testTransponder(uint32_t number);
  // The worker's report, on the window thread.
  void OnReport(int status, uint32_t transponder);
  void startSearch(uint32_t transponder);
  void skip(uint32_t transponder);
  void closeDialog();
  void setWait(bool on);
  void joinWorker();
  void notifyChanged();

  CPropSheet& sheet_;
  SetupServices& services_;
  DialogTimers* timers_ = nullptr;
  WindowThreadQueue queue_;  // the worker's reports and the dialog's own posted 1036
  std::thread worker_;

  QString m_strSateName;
  LnbInfo m_LnbInfo{};
  uint32_t m_nTransponders = 0;
  TrInfo m_NextTr{};
  bool m_bCancel = false;
  bool m_bFirstPaint = true;
  int m_LastLock = 0;
  bool m_bAnyLocked = false;
  bool working_ = false;       // a worker's lock test is under way
  uint32_t searching_ = 0;     // the transponder whose search result is awaited, 0 = none
  bool waitShown_ = false;
  bool destroyed_ = false;
};

}  // namespace cv7::app
