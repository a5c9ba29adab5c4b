// The lost-neutron marker and the callers' lost test.
//
// An element that absorbs a neutron writes LOST_MARKER into its outputs; it
// lies far outside every window of the beamline. Callers test xout, then
// yout, against LOST_THRESHOLD; a value equal to the threshold is present.
#pragma once

namespace tarn {

constexpr double LOST_MARKER = -1.0e6;
constexpr double LOST_THRESHOLD = -1.0e5;

inline bool isLost(double xout, double yout) {
  if (xout < LOST_THRESHOLD) return true;
  return yout < LOST_THRESHOLD;
}

}  // namespace tarn
