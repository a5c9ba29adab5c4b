// Progress of a long run: events done, rate and time left, on one line of
// standard error that is rewritten in place at most once a second.
//
// Only when enabled (the run enables it when standard error is a terminal,
// never otherwise), and only for a run expected to take more than a few
// seconds: the line first appears once the run has gone on for a second with
// at least two seconds left. clear() erases it before the report. update()
// costs one decrement per event between readings of the clock, which it
// takes about twenty times a second.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

namespace tarn {

// Seconds on a clock that never goes back.
double steadySeconds();

// Is standard error a terminal?
bool stderrIsTerminal();

class Progress {
 public:
  using Clock = std::function<double()>;

  Progress(std::int64_t total, bool enabled, std::ostream& out, Clock clock = steadySeconds);

  // `done` events of the total are finished.
  void update(std::int64_t done) {
    if (enabled_ && --countdown_ <= 0) tick(done);
  }

  // Erase the line, if one is shown.
  void clear();

 private:
  void tick(std::int64_t done);

  std::int64_t total_;
  bool enabled_;
  std::ostream& out_;
  Clock clock_;
  double start_ = 0.0, lastShown_ = 0.0;
  std::int64_t countdown_ = 1, stride_ = 1, calls_ = 0;  // update() calls between and up to clock readings
  std::size_t shownWidth_ = 0;                           // 0: nothing shown
};

// "45 s", "3 min 07 s", "2 h 05 min".
std::string durationText(double seconds);

}  // namespace tarn
