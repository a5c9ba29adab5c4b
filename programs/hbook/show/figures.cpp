// Figures as hbook show writes them.
#include "figures.h"

#include <cmath>
#include <cstdio>

namespace hbooktool {

std::string fourDigits(double v) {
  if (v == 0.0) return "0";
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%#.4g", v);
  return buf;
}

std::string padLeft(const std::string& s, std::size_t width) {
  return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

}  // namespace hbooktool
