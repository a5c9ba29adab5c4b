// Helpers shared by the stages of the event loop. Lengths in cm, energies in
// meV, angles in rad; the beamline's dimensions are RunState::beamline.
#pragma once

#include <cmath>
#include <cstdint>

#include "hbook/hbook.h"
#include "hbook/memory/store.h"
#include "textout/freeformat.h"
#include "transport/constants.h"
#include "transport/event/neutron.h"
#include "transport/lost.h"
#include "transport/event/runstate.h"
#include "transport/run/runlog.h"
#include "transport/recentcalls.h"

namespace tarn {

// One entry of weight 1 in a result histogram, at the value in single
// precision: HF1(id, value, 1), written out so that the fill path inlines.
inline void fill(std::int32_t id, double value) { hbook::memory().fill(id, static_cast<float>(value), 1.0f); }

inline double degrees(double rad) { return rad * static_cast<double>(DEG_PER_RAD); }

// A line on the console and in the run log.
inline void notice(RunState& run, const char* text) {
  const textout::Line line = textout::Line().text(text);
  if (run.log)
    printAndLog(*run.log, line);
  else
    textout::print(line);
}

// The slopes tan(thx), tan(thy) of a neutron's direction. A stage that
// needs them more than once for the same angles takes them once: the same
// call on the same argument gives the same bits.
struct Slopes {
  double x, y;
};
inline Slopes slopesOf(const NeutronState& s) { return Slopes{recentTan(s.thx), recentTan(s.thy)}; }

// The slopes of s after an element that was given before, with its slopes
// slope (those of before, bit for bit), and kept or mirrored each angle:
// slopeAfter per plane, exact (recentcalls.h).
inline Slopes slopesAfter(const NeutronState& s, const NeutronState& before, const Slopes& slope) {
  return Slopes{slopeAfter(s.thx, before.thx, slope.x), slopeAfter(s.thy, before.thy, slope.y)};
}

// Straight flight over d cm along the beam, with the slopes of s.
inline NeutronState freeFlight(const NeutronState& s, const Slopes& slope, double d) {
  NeutronState out = s;
  out.x = slope.x * d + s.x;
  out.y = slope.y * d + s.y;
  out.z = s.z + d;
  return out;
}
inline NeutronState freeFlight(const NeutronState& s, double d) { return freeFlight(s, slopesOf(s), d); }

inline NeutronState lostState() {
  return NeutronState{LOST_MARKER, LOST_MARKER, LOST_MARKER, LOST_MARKER, LOST_MARKER, LOST_MARKER};
}

inline bool inClosed(double v, double lo, double hi) { return lo <= v && v <= hi; }
inline bool inOpen(double v, double lo, double hi) { return lo < v && v < hi; }

}  // namespace tarn
