// beamline-codegen TOML CPP JSON: at build time, the shipped beamline from
// data/beamline.toml (every key given, every check passed) as
//   CPP: the definition of SHIPPED_BEAMLINE (transport/event/geometry.h),
//   JSON: the keys with their units and the shipped values, for the Python
//         package (tarnreport.beamline).
// The key table (keys.cpp) lists the keys in the order of the Beamline's
// members, so the C++ is a positional initializer, one brace per section.
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "transport/description/keys.h"
#include "transport/description/quantity.h"
#include "transport/description/read.h"
#include "transport/helium/densitygrid.h"

using namespace tarn;
using namespace tarn::description;

namespace {

std::string section(const Key& k) {
  const std::string n = k.name;
  return n.substr(0, n.find('.'));
}

template <typename T>
std::string shortest(T v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string cppValue(const Slot& s) {
  char buf[64];
  if (s.side) return *s.side == Half::Right ? "Half::Right" : "Half::Left";
  if (s.single) {
    std::snprintf(buf, sizeof buf, "%af", static_cast<double>(*s.single));
    return buf;
  }
  std::snprintf(buf, sizeof buf, "%a", *s.real);
  return buf;
}

std::string kindName(Kind k) {
  switch (k) {
    case Kind::Length: return "length";
    case Kind::Gap: return "gap";
    case Kind::AnglePerA: return "angle_per_angstrom";
    case Kind::Wavelength: return "wavelength";
    case Kind::Temperature: return "temperature";
    case Kind::Side: return "side";
  }
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: beamline-codegen TOML CPP JSON\n";
    return 2;
  }
  const ReadResult r = readDescription(Beamline{}, argv[1], {}, true);
  if (!r.errors.empty()) {
    for (const std::string& e : r.errors) std::cerr << "beamline-codegen: " << e << '\n';
    return 1;
  }
  Beamline b = r.description.values;

  std::ofstream cpp(argv[2]);
  cpp << "// Made by the build from data/beamline.toml (transport/description/codegen.cpp): do not edit.\n"
         "#include \"transport/event/geometry.h\"\n\nnamespace tarn {\n\nconst Beamline SHIPPED_BEAMLINE = {\n";
  std::string open;
  for (const Key& k : keys()) {
    if (section(k) != open) {
      if (!open.empty()) cpp << "    },\n";
      open = section(k);
      cpp << "    {\n";
    }
    cpp << "        " << cppValue(k.slot(b)) << ",  // " << k.name << " = " << shownValue(k, b) << "\n";
  }
  cpp << "    },\n};\n\n}  // namespace tarn\n";

  std::ofstream json(argv[3]);
  json.precision(17);
  json << "{\"source\": \"data/beamline.toml\",\n \"temperature_range\": [" << double{DENSITY_GRID_T[0]} << ", "
       << double{DENSITY_GRID_T[DENSITY_GRID_POINTS - 1]} << "],\n \"keys\": [\n";
  bool first = true;
  for (const Key& k : keys()) {
    const Slot s = k.slot(b);
    json << (first ? "" : ",\n") << "  {\"key\": \"" << k.name << "\", \"kind\": \"" << kindName(k.kind)
         << "\", \"unit\": \"" << unitOf(k.kind) << "\", \"single\": " << (s.single ? "true" : "false")
         << ", \"shipped\": ";
    if (s.side)
      json << (*s.side == Half::Right ? "\"right\"" : "\"left\"");
    else
      json << (s.single ? shortest(*s.single) : shortest(*s.real));
    json << ", \"units\": {";
    bool firstUnit = true;
    for (const UnitName* u = unitsOf(k.kind); u->name; ++u, firstUnit = false)
      json << (firstUnit ? "" : ", ") << "\"" << u->name << "\": " << u->powerOfTen;
    json << "}, \"what\": \"" << k.what << "\"}";
    first = false;
  }
  json << "\n]}\n";
  cpp.close();
  json.close();
  if (!cpp || !json) {
    std::cerr << "beamline-codegen: cannot write " << argv[2] << " or " << argv[3] << '\n';
    return 1;
  }
  return 0;
}
