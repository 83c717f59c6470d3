// A search result handler that keeps nothing of the result.
#pragma once
#include "SearchResultHandler.h"

namespace cv7::app {

class NullSearchResultHandler : public SearchResultHandler {
 public:
  void onSearchResult(const SiList*) override {}
};

}  // namespace cv7::app
