// Numbers as text that reads back to the same bits, in the shortest form that
// does (3.6, 83.15, 0.0005, 1e+10): the text of a float names the float, not
// its binary expansion. NaN and infinities as nan, inf, -inf.
#pragma once

#include <string>

namespace hbook::exporting {

std::string number(float v);
std::string number(double v);

}  // namespace hbook::exporting
