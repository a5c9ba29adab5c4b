// Numbers as text that reads back to the same bits: floats with nine
// significant digits, doubles with seventeen; NaN and infinities as nan,
// inf, -inf.
#pragma once

#include <string>

namespace hbook::exporting {

std::string number(float v);
std::string number(double v);

}  // namespace hbook::exporting
