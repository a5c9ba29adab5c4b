// How hbook show writes the package's computed figures: mean and RMS to the
// four significant digits the package prints (its E10.4). Stored values
// (contents, edges, sums) are written in full (print/numbers.h).
#pragma once

#include <string>

namespace hbooktool {

// "83.20", "0.01443", "1.003e+04"; 0 as "0".
std::string fourDigits(double v);
std::string padLeft(const std::string& s, std::size_t width);

}  // namespace hbooktool
