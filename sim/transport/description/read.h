// Reading a beamline description: a TOML file (`tarn --beamline FILE`) and
// single values (`--set KEY=VALUE`, applied after the file, in order) on top
// of a beamline, normally the shipped one. Everything that can be judged
// from the description alone is checked here, before a run creates
// anything: unknown keys (with the nearest known key), wrong types, units
// and values, openings that do not fit, a temperature outside the helium
// tables. What also needs the input spectrum is in limits.h.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "transport/event/geometry.h"

namespace tarn::description {

struct Description {
  Beamline values;
  std::string file;               // the description file, "" when none
  std::vector<std::string> sets;  // the --set arguments, as given
  // Where each value given was given ("my.toml line 12", "--set
  // cells.length=30"); keys not given keep the base value.
  std::map<std::string, std::string> origin;
};

struct ReadResult {
  Description description;
  std::vector<std::string> errors;  // "WHERE: KEY: what is wrong", in the order found
};

// `file` may be "" (only sets). With `complete`, every key must be given
// (the shipped description itself).
ReadResult readDescription(const Beamline& base, const std::string& file, const std::vector<std::string>& sets,
                           bool complete = false);

// Where a key's value came from, for messages: its origin, or "shipped
// value" when the description did not give it.
std::string originOf(const Description& d, const std::string& key);

}  // namespace tarn::description
