// The TV application's use of the receiver library: client mode 1 with its own channel
// database, the satellite data files shared with the data application (opened with the
// same retries while the other application holds one), lock tests and channel searches.
//
// The library's messages (card events, search results) arrive on its own threads; they are
// copied there and handed to the main thread by queued signals, so no library thread ever
// waits for the main thread.
#pragma once
#include <corvane.h>

#include <QObject>
#include <string>

namespace cv7tv {

class TvLibrary : public QObject {
  Q_OBJECT

 public:
  static constexpr uint32_t kEventMessage = 1100;
  static constexpr uint32_t kSearchMessage = 1101;

  TvLibrary();
  ~TvLibrary() override;
  TvLibrary(const TvLibrary&) = delete;
  TvLibrary& operator=(const TvLibrary&) = delete;

  bool open();
  bool isOpen() const { return open_; }

  // Reads the file into the library's database; `error` says why not.
  bool loadFile(const std::string& path, std::string& error);
  // Writes the library's database into the file (created when missing).
  bool saveFile(const std::string& path, std::string& error);

 Q_SIGNALS:
  void cardEvent(int value);
  void searchResult(const SiList& list);

 private:
  struct Bridge {
    CvnWindow window;
    TvLibrary* owner;
  };
  static intptr_t deliver(CvnWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
  // The open function until it answers other than "in use", at most 6 times, 100 ms apart.
  static int openWithRetries(const std::string& path);

  Bridge bridge_{};
  bool open_ = false;
};

}  // namespace cv7tv
