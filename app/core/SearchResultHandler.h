// Where the main frame hands a search result that the library sent with message 1035. The
// list is the library's and valid only during the call, which runs on the window thread
// while the library's search waits for it to return.
#pragma once
#include <corvane.h>

namespace cv7::app {

class SearchResultHandler {
 public:
  virtual ~SearchResultHandler() = default;
  virtual void onSearchResult(const SiList* list) = 0;
};

}  // namespace cv7::app
