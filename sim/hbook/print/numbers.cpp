// Shortest round-trip text of floating-point values (std::to_chars), in %g
// style: fixed notation from 1e-4 up to a million, else an exponent.
#include "hbook/print/numbers.h"

#include <charconv>
#include <cmath>

namespace hbook::exporting {
namespace {

template <typename T>
std::string formatted(T v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
  char buf[40];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general);
  return std::string(buf, r.ptr);
}

}  // namespace

std::string number(float v) { return formatted(v); }
std::string number(double v) { return formatted(v); }

}  // namespace hbook::exporting
