// One line to the daemon's admin socket (docs/control-device.md) and its one-line answer,
// as the words of a "key=value ..." answer.
#pragma once
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace cv7ctl {

class AdminClient {
 public:
  // Sends the line and reads the answer; throws a Failure when the daemon does not answer.
  static std::string ask(const std::string& line);
  // The "key=value" words of an answer, in their order.
  static std::vector<std::pair<std::string, std::string>> words(const std::string& answer);
  // The value of one key in the answer of "stats"; "" when absent.
  static std::string stat(const std::string& key);
};

}  // namespace cv7ctl
