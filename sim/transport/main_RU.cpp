// MAIN_RU: one complete, unattended simulation run.
//
// Reads the clock, names the run log and derives the seed from the start
// time, loads the input histograms, seeds RANLUX, books the result
// histograms, runs the event loop and hands over to the end-of-run report.
//
// Exit statuses: 0 done; 2 the run log cannot be created (it exists: a run
// in the same minute); 3 inputs refused before the first event; 4 the
// histogram file could not be written; 5 the console report or the run log
// could not be written completely (the histogram file was written; with a
// failed console the log holds the report); 128 + n stopped by signal n
// (SIGTERM, SIGINT, SIGHUP; interrupt.h). A helium temperature outside the
// density table ends the run with 1.
#include <cerrno>
#include <cstring>
#include <ctime>
#include <iostream>
#include <string>

#include "console.h"
#include "freeformat.h"
#include "hbook.h"
#include "inputcheck.h"
#include "interrupt.h"
#include "progress.h"
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

// Exit status of a run whose console or log lost lines.
constexpr int OUTPUT_FAILED_STATUS = 5;

void both(RunLog& log, const textout::Line& line) {
  textout::print(line);
  log.write(line.str());
}

void interrupted(RunLog& log, int signal, const std::string& where) {
  both(log, textout::Line().text(" Interrupted by " + std::string(stopSignalName(signal)) + " " + where));
}

// The console and the log are checked last: whatever failed is said on
// standard error, and a run that was otherwise fine gets its own status.
int closeRun(RunLog& log, const std::string& logName, int status) {
  const bool consoleOk = textout::consoleWritten();
  log.close();
  if (!consoleOk) {
    std::cerr << "tarn: the console report could not be written to standard output"
              << (log.failed() ? "" : "; the run log " + logName + " holds it") << '\n';
  }
  if (log.failed()) std::cerr << "tarn: the run log " << logName << " could not be written completely\n";
  if (status == 0 && (!consoleOk || log.failed())) status = OUTPUT_FAILED_STATUS;
  return status;
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

// Each line reaches the file at once, so that a run that is killed leaves
// its log up to that point.
void RunLog::write(const std::string& line) {
  if (!file_) return;
  if (std::fputs(line.c_str(), file_) == EOF || std::fputc('\n', file_) == EOF || std::fflush(file_) != 0)
    failed_ = true;
}

void RunLog::close() {
  if (file_ && std::fclose(file_) != 0) failed_ = true;
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
  const StopSignals stopSignals;
  auto finish = [&](int status) {
    textout::setAbortCleanup(nullptr);
    return closeRun(log, logName, status);
  };

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
    return finish(3);
  }

  ranlux::RLUXGO(3, ranNo, 0, 0);
  bookResultHistograms();

  RunState state;
  state.log = &log;
  state.observer = options.observer;
  state.targetObserver = options.targetObserver;
  Progress progress(options.nEvents, stderrIsTerminal(), std::cerr);
  for (std::int32_t event = 1; event <= options.nEvents; ++event) {
    if (const int signal = pendingStopSignal()) {
      progress.clear();
      interrupted(log, signal,
                  "before event " + std::to_string(event) + " of " + std::to_string(options.nEvents) +
                      ": no histogram file written");
      return finish(signalStatus(signal));
    }
    runEvent(event, state);
    progress.update(event);
  }
  progress.clear();

  int status = endOfRun(state, ranNo, options.clock);
  const int signal = pendingStopSignal();
  if (signal != 0 && status != signalStatus(signal)) {
    interrupted(log, signal, "after the histogram file was written: the report above is complete");
    status = signalStatus(signal);
  }
  return finish(status);
}

int MAIN_RU() { return runTarn(RunOptions{}); }

}  // namespace tarn
