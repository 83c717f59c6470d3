// The import dialog (1273) without its widgets: checks the chosen satellite data file, loads
// it into the library, shows its LNB settings, transponders and channels, and on OK registers
// it as a new satellite or as the new file of the registered satellite of that name. Every
// way out that does not adopt the file loads the selected satellite's file again, because
// loading the chosen one replaced the library's database.
//
// Window thread only. The dialog shows the members below, calls the handlers, and closes
// when a handler says so; `changed` tells it to show the form again.
#pragma once
#include <QString>
#include <QVector>
#include <functional>

#include "LnbTexts.h"

namespace cv7::app {

class CPropSheet;
class StringTable;
struct SetupServices;

class ImportForm {
 public:
  // What the page is told when the dialog has closed.
  enum Result { kNothingAdopted = 0, kFileReplaced = 1, kSatelliteAdded = 2 };

  static constexpr const char* kChooserTitle = "Open (import satellite data file)";
  static constexpr const char* kChooserFilter = "data files.(*.cvd);;All files.(*.*)";
  static constexpr const char* kChooserDirectory = ".";

  struct TransponderRow {
    QString number, frequency, symbolRate, polarity;
    bool operator==(const TransponderRow&) const = default;
  };
  struct ChannelRow {
    QString number, name, kind, scrambled;
    bool operator==(const ChannelRow&) const = default;
  };

  explicit ImportForm(CPropSheet& sheet);

  // The file the chooser gave (empty: the chooser was cancelled). False when the dialog
  // closes at once, as by Cancel.
  bool open(const QString& chosen);
  // The transponder list's selection changed to `row`.
  void selectTransponder(int row);
  // OK and Cancel; the dialog closes after either.
  void accept();
  void cancel();

  Result result() const { return result_; }
  const StringTable& strings() const;

  // What the controls show.
  QString path;           // 1285
  QString satelliteName;  // 1270
  LnbTexts lnb;           // 1271, 1250, 1265, 1262, 1263
  QVector<TransponderRow> transponders;  // 1257
  QVector<ChannelRow> channels;          // 1267
  int selectedRow = -1;
  std::function<void()> changed;

 private:
  void fillView();
  void showChannels(uint32_t transponder);
  // The registered satellite (0-based) whose name is the file's, ignoring case, searched
  // from the last; -1 when none.
  int registeredIndex() const;
  void registerNew();
  void replaceFile(int index);
  // Loads the selected satellite's file again and ends with nothing adopted.
  void restoreSelected();
  void notifyChanged();

  CPropSheet& sheet_;
  SetupServices& services_;
  Result result_ = kNothingAdopted;
};

}  // namespace cv7::app
