// The run stamp, the names derived from it, and the run log.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <string>

#include "textout/console.h"

#include "transport/run/run.h"

namespace tarn {
namespace {

// Two characters '0' + v/10 and '0' + v mod 10, for 0 <= v <= 99.
std::string twoDigit(std::int32_t v) {
  std::string s(2, '0');
  s[0] = static_cast<char>('0' + v / 10);
  s[1] = static_cast<char>('0' + (v - 10 * (v / 10)));
  return s;
}

std::string twoDigitAt(int v) { return twoDigit(static_cast<std::int32_t>(v)); }

// Exit status of a run whose console or log lost lines.
constexpr int OUTPUT_FAILED_STATUS = 5;

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

int openRunLog(RunLog& log, const std::string& outputDir, const std::string& logPath) {
  if (!outputDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(outputDir, ec);
    if (ec) {
      std::cerr << "cannot create the output directory " << outputDir << ": " << ec.message() << '\n';
      return 2;
    }
  }
  if (log.create(logPath)) return 0;
  if (errno == EEXIST)
    std::cerr << "cannot overwrite existing file, unit 3, file " << logPath << '\n';
  else
    std::cerr << "cannot create run log " << logPath << ": " << std::strerror(errno) << '\n';
  return 2;
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

}  // namespace tarn
