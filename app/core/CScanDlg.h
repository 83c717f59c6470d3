// The scan dialog (1015, "Scan - selected transponder") without its widgets: it starts the
// channel search of the tuned transponder, animates its text while the search runs (timer
// 72) and closes when the search result has been handled (message 1125), or when the user
// cancels the search or presses Enter (the search then goes on, and its result is still
// handled).
//
// While it exists the sheet knows it as its scan dialog, and other programs see its scan
// window. Window thread only.
#pragma once
#include <QString>
#include <chrono>
#include <functional>

#include "DialogTimers.h"
#include "StringTable.h"

namespace cv7::app {

class CPropSheet;

class CScanDlg {
 public:
  static constexpr int kTimerId = 72;
  static constexpr std::chrono::milliseconds kTickPeriod{100};
  static constexpr int kLastTick = 17;  // the text starts again after 18 ticks

  explicit CScanDlg(CPropSheet& sheet);
  ~CScanDlg();
  CScanDlg(const CScanDlg&) = delete;
  CScanDlg& operator=(const CScanDlg&) = delete;

  // The timers the dialog runs on (the widget's, or a test's); none: no animation.
  void setTimers(DialogTimers* timers) { timers_ = timers; }
  // The texts the widgets show (title, columns).
  const StringTable& strings() const;

  // The window was created: "Scanning", the search, and the animation when it started.
  void OnInitDialog();
  void OnTimer(int id);
  // Message 1125: the result of the search has been handled.
  void OnSearchHandled();
  // Button 1153: the search is cancelled.
  void OnCancel();
  // Enter: closes, the search goes on.
  void OnEnter();
  // The window is destroyed (also done by the destructor).
  void OnDestroy();

  // What the dialog shows and what it leaves.
  QString text;                // static 1155
  int m_bSearchCompleted = 0;  // 1 when it closed on the handled result
  bool closed = false;
  std::function<void()> changed;  // show the text again
  std::function<void()> close;    // close the window

 private:
  void closeDialog();

  CPropSheet& sheet_;
  DialogTimers* timers_ = nullptr;
  int ticks_ = 0;
  bool destroyed_ = false;
};

}  // namespace cv7::app
