// A search result handler for tests: counts the results and keeps the last transponder.
#pragma once
#include <atomic>
#include <chrono>
#include <thread>

#include "SearchResultHandler.h"

namespace cv7::app {

class RecordingSearchResults : public SearchResultHandler {
 public:
  std::atomic<int> results{0};
  std::atomic<uint32_t> lastTransponder{0};
  std::chrono::milliseconds delay{0};  // how long each result keeps the window thread

  void onSearchResult(const SiList* list) override {
    lastTransponder = list ? list->Tr.TransponderNumber : 0;
    if (delay.count()) std::this_thread::sleep_for(delay);
    ++results;
  }
};

}  // namespace cv7::app
