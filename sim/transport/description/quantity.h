// One value of a description as text or as a TOML value: a number in the
// key's unit, or a string holding a number and a unit ("300 mm"). A unit
// other than the key's own is converted by moving the decimal point in the
// text, so "416 mm" reads exactly as 41.6 cm.
#pragma once

#include <string>

#include "transport/description/keys.h"

namespace tarn::description {

// The units a value of `kind` may be given in, with the power of ten to its
// own unit ("mm": -1 for a length in cm). Ends with {nullptr, 0}.
struct UnitName {
  const char* name;
  int powerOfTen;
};
const UnitName* unitsOf(Kind kind);

// "NUMBER UNIT" (blanks around and between optional) for `kind`: writes the
// value in the key's unit and returns "", or returns what is wrong.
std::string readQuantity(const std::string& text, Kind kind, double& value);

// The value rule of a kind: "" when `value` (already in the key's unit, and
// for a single-precision key already rounded to it) is allowed.
std::string checkValue(Kind kind, double value);

}  // namespace tarn::description
