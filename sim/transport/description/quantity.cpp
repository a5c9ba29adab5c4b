#include "transport/description/quantity.h"

#include <cmath>
#include <cstdlib>
#include <regex>

#include "transport/helium/densitygrid.h"

namespace tarn::description {
namespace {

constexpr UnitName LENGTH_UNITS[] = {{"cm", 0}, {"mm", -1}, {"m", 2}, {nullptr, 0}};
constexpr UnitName ANGLE_UNITS[] = {{"rad/Angstrom", 0}, {"rad/Å", 0},          {"rad/A", 0},
                                    {"rad/angstrom", 0}, {"mrad/Angstrom", -3}, {"mrad/Å", -3},
                                    {"mrad/A", -3},      {"mrad/angstrom", -3}, {nullptr, 0}};
constexpr UnitName WAVELENGTH_UNITS[] = {{"Angstrom", 0}, {"Å", 0}, {"A", 0}, {"angstrom", 0}, {"nm", 1}, {nullptr, 0}};
constexpr UnitName TEMPERATURE_UNITS[] = {{"K", 0}, {"mK", -3}, {nullptr, 0}};
constexpr UnitName NO_UNITS[] = {{nullptr, 0}};

std::string unitList(Kind kind) {
  std::string s;
  for (const UnitName* u = unitsOf(kind); u->name; ++u) s += (s.empty() ? "" : ", ") + std::string(u->name);
  return s;
}

}  // namespace

const UnitName* unitsOf(Kind kind) {
  switch (kind) {
    case Kind::Length:
    case Kind::Gap: return LENGTH_UNITS;
    case Kind::AnglePerA: return ANGLE_UNITS;
    case Kind::Wavelength: return WAVELENGTH_UNITS;
    case Kind::Temperature: return TEMPERATURE_UNITS;
    case Kind::Side: return NO_UNITS;
  }
  return NO_UNITS;
}

std::string readQuantity(const std::string& text, Kind kind, double& value) {
  // Sign, digits with an optional point, optional exponent, then the unit.
  static const std::regex form(R"(\s*([+-]?)(\d+\.?\d*|\.\d+)(?:[eE]([+-]?\d+))?\s*(\S*)\s*)");
  std::smatch m;
  if (!std::regex_match(text, m, form))
    return "'" + text + "' is not a number with a unit (for example '" + std::string("30 ") + unitOf(kind) + "')";
  const std::string unit = m[4];
  if (unit.empty()) return "'" + text + "' has no unit: give a number, or a number and one of " + unitList(kind);
  const UnitName* found = nullptr;
  for (const UnitName* u = unitsOf(kind); u->name; ++u)
    if (unit == u->name) found = u;
  if (!found) return "unit '" + unit + "' is not one of " + unitList(kind);
  const long exponent = m[3].matched ? std::strtol(m[3].str().c_str(), nullptr, 10) : 0;
  if (std::labs(exponent) > 100000) return "'" + text + "' is out of range";
  const std::string shifted = m[1].str() + m[2].str() + "e" + std::to_string(exponent + found->powerOfTen);
  value = std::strtod(shifted.c_str(), nullptr);
  return "";
}

std::string checkValue(Kind kind, double value) {
  if (!std::isfinite(value)) return "must be a finite number";
  const std::string unit = unitOf(kind);
  switch (kind) {
    case Kind::Length:
      if (!(value > 0)) return "must be a positive length in cm";
      break;
    case Kind::Gap:
      if (value < 0) return "must be a length of 0 cm or more";
      break;
    case Kind::AnglePerA:
      if (value < 0) return "must be 0 rad/Angstrom or more";
      break;
    case Kind::Wavelength:
      if (!(value > 0)) return "must be a positive wavelength in Angstrom";
      break;
    case Kind::Temperature: {
      // The density table's first and last points, single precision: 0.2 K
      // given as a double lies below its first point.
      const double first = DENSITY_GRID_T[0], last = DENSITY_GRID_T[DENSITY_GRID_POINTS - 1];
      if (value < first || value > last)
        return "outside the helium density table, 0.2 to 4.4 K (its end points are the single-precision "
               "0.20000000298 K and 4.40000009537 K, so 0.2 K itself lies below it)";
      break;
    }
    case Kind::Side: break;
  }
  return "";
}

}  // namespace tarn::description
