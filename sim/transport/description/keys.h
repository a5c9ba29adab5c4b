// The keys of a beamline description: name, kind (which fixes the unit and
// the values allowed), what the value is, and where it goes in the
// Beamline. One table, in the order of the Beamline's members (the build's
// code generator relies on it) and of data/beamline.toml; the log, the docs
// (docs/beamline.md) and the Python package (through the key list the build
// makes, beamline_keys.json) follow it.
#pragma once

#include <span>
#include <string>

#include "transport/event/geometry.h"

namespace tarn::description {

// What a key holds, which fixes its unit, the units a value may be given in
// and the values allowed.
enum class Kind {
  Length,       // cm, > 0: an element's length, a half-width or half-height
  Gap,          // cm, >= 0: a flight between elements (0: they touch)
  AnglePerA,    // rad/Å, >= 0: a critical angle or the cone per Å of wavelength
  Wavelength,   // Å, > 0
  Temperature,  // K, inside the helium density table
  Side,         // "right" or "left"
};

// A value in the Beamline: exactly one of the three is set.
struct Slot {
  double* real = nullptr;
  float* single = nullptr;  // single precision in the program
  Half* side = nullptr;
};

struct Key {
  const char* name;  // "cells.length"
  Kind kind;
  Slot (*slot)(Beamline&);
  const char* what;  // one line for the docs and the Python package
};

std::span<const Key> keys();
const Key* findKey(const std::string& name);

// Does the program hold the key's value in single precision?
bool isSingle(const Key& key);

// The unit of a kind as the program writes it, in ASCII like the rest of its
// output ("cm", "rad/Angstrom", "Angstrom", "K"; "" for a side).
const char* unitOf(Kind kind);

// A value of `key` in `b` as the log and the docs write it: the shortest
// decimal that reads back to the same number, then the unit ("41.6 cm",
// "0.003 rad/Angstrom", "right").
std::string shownValue(const Key& key, const Beamline& b);

// Do two beamlines hold the same bits for `key`?
bool sameValue(const Key& key, const Beamline& a, const Beamline& b);

}  // namespace tarn::description
