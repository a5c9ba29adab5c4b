// Round-trip text of floating-point values.
#include "hbook/print/numbers.h"

#include <cmath>
#include <cstdio>

namespace hbook::exporting {
namespace {

std::string formatted(double v, int digits) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.*g", digits, v);
  return buf;
}

}  // namespace

std::string number(float v) { return formatted(static_cast<double>(v), 9); }
std::string number(double v) { return formatted(v, 17); }

}  // namespace hbook::exporting
