// Console capture for tests: the program console redirected into a string.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "textout/console.h"

namespace testsupport {

// Redirects the program console into a string for the lifetime of the object.
class ConsoleCapture {
 public:
  ConsoleCapture() { textout::setConsole(&out_); }
  ~ConsoleCapture() { textout::setConsole(nullptr); }
  ConsoleCapture(const ConsoleCapture&) = delete;
  ConsoleCapture& operator=(const ConsoleCapture&) = delete;

  std::vector<std::string> lines() const {
    std::vector<std::string> result;
    std::istringstream in(out_.str());
    std::string line;
    while (std::getline(in, line)) result.push_back(line);
    return result;
  }
  std::string text() const { return out_.str(); }
  void clear() { out_.str(""); }

 private:
  std::ostringstream out_;
};

}  // namespace testsupport
