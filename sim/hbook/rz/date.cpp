// The date word of HBOOK files.
//
// A date is counted in minutes, M = minute + 60*(hour + 24*(day + 31*(month +
// 12*Y))) with Y = year - 1986 taken from the two-digit year (86..99 -> 0..13,
// 00..85 -> 14..99), and stored in bits 9-32 of the word. Only 24 bits are
// kept, so from 2017 on the stored value has wrapped; the package never
// checks dates and neither do we.
#include <ctime>
#include <optional>

#include "hbook/rz/date.h"

namespace hbook {

namespace {
std::optional<FileDate> fixedDate;
}

void setFileDate(const FileDate& date) { fixedDate = date; }

void useClockDate() { fixedDate.reset(); }

std::uint32_t encodeFileDate(const FileDate& d) {
  const int yy = d.year % 100;
  const std::int64_t y = yy >= 86 ? yy - 86 : yy + 14;
  const std::int64_t minutes = d.minute + 60 * (d.hour + 24 * (d.day + 31 * (d.month + 12 * y)));
  return static_cast<std::uint32_t>((minutes & 0xFFFFFF) << 8);
}

FileDate decodeFileDate(std::uint32_t word, bool wrapped) {
  std::int64_t t = word >> 8;
  if (wrapped) t += std::int64_t{1} << 24;
  FileDate d;
  d.minute = static_cast<int>(t % 60);
  t /= 60;
  d.hour = static_cast<int>(t % 24);
  t /= 24;
  d.day = static_cast<int>(t % 31);
  t /= 31;
  if (d.day == 0) {
    d.day = 31;
    t -= 1;
  }
  d.month = static_cast<int>(t % 12);
  t /= 12;
  if (d.month == 0) {
    d.month = 12;
    t -= 1;
  }
  d.year = static_cast<int>(1986 + t);
  return d;
}

namespace rz {

std::uint32_t dateWord() {
  if (fixedDate) return encodeFileDate(*fixedDate);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return encodeFileDate(
      FileDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min});
}

}  // namespace rz
}  // namespace hbook
