// The run stamp and the names derived from it.
#include "transport/run/runstamp.h"

#include <ctime>
#include <string>

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

std::string clockField(const std::string& s) {
  std::string f = s.substr(0, 12);
  f.resize(12, ' ');
  return f;
}

std::int32_t seedFromStamp(const RunStamp& stamp) {
  const std::int32_t minute = stamp.values[5], second = stamp.values[6], millisecond = stamp.values[7];
  return minute * second * millisecond + second + millisecond;
}

}  // namespace tarn
