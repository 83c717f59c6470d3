// Takes the result of a channel search (message 1035 from the library). The list is valid
// only during the call; the handler copies what it keeps.
#pragma once
#include <corvane.h>

namespace cv7::app {

class SearchResultHandler {
 public:
  virtual ~SearchResultHandler() = default;
  virtual void onSearchResult(const SiList* list) = 0;
};

}  // namespace cv7::app
