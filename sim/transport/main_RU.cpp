// MAIN_RU: one complete, unattended simulation run.
//
// Reads the clock, names the run log and derives the seed from the start
// time, loads the input histograms, seeds RANLUX, books the result
// histograms, runs the event loop and hands over to the end-of-run report.
#include <cerrno>
#include <cstring>
#include <ctime>
#include <iostream>
#include <string>

#include "console.h"
#include "freeformat.h"
#include "hbook.h"
#include "inputcheck.h"
#include "ranlux.h"
#include "run.h"
#include "store.h"

namespace tarn {
namespace {

// The start banner: one leading and one trailing blank.
constexpr const char* BANNER = " tarn - Upstream target on right, x>0.  Dn on left ";

// Two characters '0' + v/10 and '0' + v mod 10, for 0 <= v <= 99.
std::string twoDigit(std::int32_t v) {
  std::string s(2, '0');
  s[0] = static_cast<char>('0' + v / 10);
  s[1] = static_cast<char>('0' + (v - 10 * (v / 10)));
  return s;
}

std::string twoDigitAt(int v) { return twoDigit(static_cast<std::int32_t>(v)); }

// A 12-character clock field; the clock leaves the tail unassigned, which
// prints as blanks.
std::string field12(const std::string& s) {
  std::string f = s.substr(0, 12);
  f.resize(12, ' ');
  return f;
}

void both(RunLog& log, const textout::Line& line) {
  textout::print(line);
  log.write(line.str());
}

}  // namespace

RunStamp makeStamp(int year, int month, int day, int hour, int minute, int second, int millisecond) {
  RunStamp s;
  s.date = std::to_string(year) + twoDigitAt(month) + twoDigitAt(day);
  s.time = twoDigitAt(hour) + twoDigitAt(minute) + twoDigitAt(second) + "." +
           std::string(1, static_cast<char>('0' + millisecond / 100)) + twoDigitAt(millisecond % 100);
  s.zone = "+0000";
  std::int32_t v[8] = {year, month, day, 0, hour, minute, second, millisecond};
  for (int i = 0; i < 8; ++i) s.values[i] = v[i];
  return s;
}

RunStamp DATE_AND_TIME() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::tm tm{};
  localtime_r(&ts.tv_sec, &tm);
  RunStamp s = makeStamp(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                         static_cast<int>(ts.tv_nsec / 1000000));
  long offsetMin = tm.tm_gmtoff / 60;
  long a = offsetMin < 0 ? -offsetMin : offsetMin;
  s.zone = std::string(offsetMin < 0 ? "-" : "+") + twoDigitAt(static_cast<int>(a / 60)) +
           twoDigitAt(static_cast<int>(a % 60));
  s.values[3] = static_cast<std::int32_t>(offsetMin);
  return s;
}

std::string logFileName(const RunStamp& stamp) {
  return "tarn-" + twoDigit(stamp.values[1]) + twoDigit(stamp.values[2]) + "-" + twoDigit(stamp.values[4]) +
         twoDigit(stamp.values[5]) + ".o";
}

std::int32_t seedFromStamp(const RunStamp& stamp) {
  const std::int32_t minute = stamp.values[5], second = stamp.values[6], millisecond = stamp.values[7];
  return minute * second * millisecond + second + millisecond;
}

bool RunLog::create(const std::string& name) {
  file_ = std::fopen(name.c_str(), "wx");  // fails when the name exists
  return file_ != nullptr;
}

void RunLog::write(const std::string& line) {
  if (!file_) return;
  std::fputs(line.c_str(), file_);
  std::fputc('\n', file_);
}

void RunLog::close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

int runTarn(const RunOptions& options) {
  // A fresh process: empty histogram memory, the histogram sampler's
  // generator at its start, RANLUX not yet initialised.
  hbook::memory().clear();
  hbook::resetRndm();
  ranlux::runGenerator() = ranlux::Ranlux();

  const RunStamp start = options.clock();
  const std::string logName = logFileName(start);
  RunLog log;
  if (!log.create(logName)) {
    if (errno == EEXIST)
      std::cerr << "cannot overwrite existing file, unit 3, file " << logName << '\n';
    else
      std::cerr << "cannot create run log " << logName << ": " << std::strerror(errno) << '\n';
    return 2;
  }
  textout::setAbortCleanup([&log] { log.close(); });

  using textout::Line;
  const Line nevents = Line().text("  Nevents: ").integer(options.nEvents);
  const Line startTime = Line().text("  Start time: ").text(field12(start.date)).text(field12(start.time));
  textout::print(nevents);
  textout::print(startTime);
  log.write(nevents.str());
  log.write(startTime.str());
  both(log, Line().text(BANNER));

  const std::int32_t ranNo = seedFromStamp(start);
  both(log, Line().text("ranNo is ").integer(ranNo));

  HLIMIT(1000000);
  InputStatus inputs;
  inputs.lam = HRGET(100, "lam.hbook", "");
  inputs.gradx151 = HRGET(151, "gradx.hbook", "");
  inputs.gradx152 = HRGET(152, "gradx.hbook", "");
  inputs.sq = HRGET(301, "sq.hbook", "");
  InputReport report = checkInputs(inputs);
  for (const std::string& note : report.notes) both(log, Line().text(note));
  if (!report.errors.empty()) {
    for (const std::string& error : report.errors) both(log, Line().text(error));
    both(log, Line().text(" The run stops before the first event."));
    textout::setAbortCleanup(nullptr);
    log.close();
    return 3;
  }

  ranlux::RLUXGO(3, ranNo, 0, 0);
  bookResultHistograms();

  RunState state;
  state.log = &log;
  state.observer = options.observer;
  state.targetObserver = options.targetObserver;
  for (std::int32_t event = 1; event <= options.nEvents; ++event) runEvent(event, state);

  const int status = endOfRun(state, ranNo, options.clock);
  textout::setAbortCleanup(nullptr);
  log.close();
  return status;
}

int MAIN_RU() { return runTarn(RunOptions{}); }

}  // namespace tarn
