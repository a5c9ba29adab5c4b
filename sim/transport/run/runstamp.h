// The clock reading that starts a run, and what is derived from it: the
// name of the run log and the seed.
#pragma once

#include <cstdint>
#include <string>

namespace tarn {

// A clock reading as DATE_AND_TIME gives it: date "CCYYMMDD", time
// "hhmmss.sss", zone "+hhmm" (each a 12-character field whose tail the clock
// leaves unassigned; the tail prints as blanks), and the eight values year,
// month, day, UTC offset (min), hour, minute, second, millisecond.
struct RunStamp {
  std::string date;
  std::string time;
  std::string zone;
  std::int32_t values[8] = {0, 0, 0, 0, 0, 0, 0, 0};
};

// The local clock now.
RunStamp DATE_AND_TIME();

// A stamp for a given local time (tests, tools).
RunStamp makeStamp(int year, int month, int day, int hour, int minute, int second, int millisecond);

// A 12-character clock field as printed: the first 12 characters, the
// unassigned tail as blanks.
std::string clockField(const std::string& s);

// "tarn-MMDD-hhmm.o" (the 16 characters of the file name proper).
std::string logFileName(const RunStamp& stamp);

// minute * second * millisecond + second + millisecond.
std::int32_t seedFromStamp(const RunStamp& stamp);

}  // namespace tarn
