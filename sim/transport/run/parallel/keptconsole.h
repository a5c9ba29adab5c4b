// The console of a rank after the first: it prints nothing while the run
// goes on. Its lines are kept, those of the start-up dropped (rank 0 prints
// its own), and the rest (diagnostics of the helium routines) go to rank 0
// with the results, at most MOST_KEPT_CONSOLE bytes.
#pragma once

#include <sstream>
#include <string>

#include "textout/console.h"

namespace tarn {

class KeptConsole {
 public:
  static constexpr std::size_t MOST_KEPT_CONSOLE = 65536;

  // Inactive: the console stays as it is (rank 0, a run in one process).
  explicit KeptConsole(bool active) : active_(active), previous_(&textout::console()) {
    if (active_) textout::setConsole(&lines_);
  }
  ~KeptConsole() {
    if (active_) textout::setConsole(previous_);
  }
  KeptConsole(const KeptConsole&) = delete;
  KeptConsole& operator=(const KeptConsole&) = delete;

  void forgetStartUp() { lines_.str(""); }
  std::string kept() const {
    std::string s = lines_.str();
    if (s.size() > MOST_KEPT_CONSOLE)
      s = s.substr(0, MOST_KEPT_CONSOLE) + "\n ... " + std::to_string(s.size() - MOST_KEPT_CONSOLE) + " more bytes\n";
    return s;
  }

 private:
  bool active_;
  std::ostream* previous_;
  std::ostringstream lines_;
};

}  // namespace tarn
