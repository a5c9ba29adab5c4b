// What a run says about its beamline: the values that differ from the
// shipped beamline, the lines of the log that list them, and a digest that
// identifies a beamline (for run records: two runs may be added only when
// their digests agree).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "transport/description/read.h"

namespace tarn::description {

struct Difference {
  std::string key;
  std::string value;    // as shown: "30 cm"
  std::string shipped;  // "41.6 cm"
};

// The keys whose bits differ from `shipped`, in key order.
std::vector<Difference> differences(const Beamline& b, const Beamline& shipped);

// The canonical text of a beamline: one line "KEY=VALUE" per key in key
// order, each number with 17 significant digits ("%.17g", a single-precision
// value widened to double first), each side "right" or "left".
std::string canonicalText(const Beamline& b);

// FNV-1a (64 bits) of the canonical text, as 16 lower-case hex digits.
std::string digest(const Beamline& b);

// The lines a run prints at its start (console and log, each after the
// free-format line's leading blank): none for the shipped beamline, however
// it was given; otherwise
//   Beamline of my.toml with --set: 2 values differ from the shipped beamline (digest 0123456789abcdef)
//     cells.length = 30 cm   (shipped 41.6 cm)
//     cells.temperature = 1.6 K   (shipped 2.1 K)
std::vector<std::string> reportLines(const Description& d, const Beamline& shipped);

// The words of those lines that a reader of the log looks for (runrecord.h):
// before the digest on the first line, between a value and its shipped one.
inline constexpr const char* DIGEST_WORDS = "from the shipped beamline (digest ";
inline constexpr const char* SHIPPED_WORDS = "   (shipped ";

}  // namespace tarn::description
