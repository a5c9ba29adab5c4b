// The date words of HBOOK files: the local date and time stored in the
// directory and in each cycle, fixed for reproducible files or the clock's.
#pragma once

#include <cstdint>

namespace hbook {

// Local date and time stored in the directory and cycle date words.
struct FileDate {
  int year = 1986;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
};

// Write every following file with this date (for reproducible files) ...
void setFileDate(const FileDate& date);
// ... or with the clock's local time (the default).
void useClockDate();

// The date word: minutes since 1986 in bits 9-32, modulo 2^24.
std::uint32_t encodeFileDate(const FileDate& date);
// Inverse of encodeFileDate; wrapped: the date is 2017 or later (the stored
// minutes wrapped once).
FileDate decodeFileDate(std::uint32_t word, bool wrapped);

namespace rz {

// The packed date word of directories and cycles (minutes since 1986 in bits
// 9-32, modulo 2^24), from the fixed date if one was set, else the clock.
std::uint32_t dateWord();

}  // namespace rz
}  // namespace hbook
