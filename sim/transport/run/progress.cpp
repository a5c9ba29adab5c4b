#include "transport/run/progress.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

namespace tarn {
namespace {

// Seconds before the line may first appear, the time that must be left
// then, the least time between two lines, and between clock readings.
constexpr double FIRST_AFTER = 1.0;
constexpr double MIN_LEFT = 2.0;
constexpr double EVERY = 1.0;
constexpr double READ_EVERY = 0.05;

}  // namespace

double steadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool stderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

std::string durationText(double seconds) {
  const long long s = std::llround(std::max(seconds, 0.0));
  char buf[48];
  if (s < 60)
    std::snprintf(buf, sizeof buf, "%lld s", s);
  else if (s < 3600)
    std::snprintf(buf, sizeof buf, "%lld min %02lld s", s / 60, s % 60);
  else
    std::snprintf(buf, sizeof buf, "%lld h %02lld min", s / 3600, s / 60 % 60);
  return buf;
}

Progress::Progress(std::int64_t total, bool enabled, std::ostream& out, Clock clock)
    : total_(total), enabled_(enabled), out_(out), clock_(std::move(clock)) {
  if (enabled_) start_ = lastShown_ = clock_();
}

void Progress::tick(std::int64_t done) {
  const double now = clock_();
  const double elapsed = now - start_;
  const double rate = elapsed > 0.0 ? static_cast<double>(done) / elapsed : 0.0;
  // The next reading after about READ_EVERY at the rate of calls so far; the
  // stride at most doubles, in case the first events were unusually quick.
  calls_ += stride_;
  const double callRate = elapsed > 0.0 ? static_cast<double>(calls_) / elapsed : 0.0;
  const double wanted = std::max(1.0, callRate * READ_EVERY);
  stride_ = std::min(static_cast<std::int64_t>(std::min(wanted, 1e15)), 2 * stride_);
  countdown_ = stride_;

  if (now - lastShown_ < EVERY || elapsed < FIRST_AFTER || done >= total_) return;
  const double left = rate > 0.0 ? static_cast<double>(total_ - done) / rate : INFINITY;
  if (shownWidth_ == 0 && left < MIN_LEFT) return;
  lastShown_ = now;

  char buf[160];
  std::snprintf(buf, sizeof buf, "  %lld of %lld events, %.0f events/s, %s left", static_cast<long long>(done),
                static_cast<long long>(total_), rate, std::isfinite(left) ? durationText(left).c_str() : "unknown time");
  std::string line = buf;
  const std::size_t width = line.size();
  if (width < shownWidth_) line.append(shownWidth_ - width, ' ');
  out_ << '\r' << line << std::flush;
  shownWidth_ = width;
}

void Progress::clear() {
  if (shownWidth_ == 0) return;
  out_ << '\r' << std::string(shownWidth_, ' ') << '\r' << std::flush;
  shownWidth_ = 0;
}

}  // namespace tarn
