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

// The marker in all six outputs of a cell routine.
inline void markAllLost(double& Eout, double& xout, double& yout, double& zout, double& thxout,
                        double& thyout) {
  Eout = LOST_MARKER;
  xout = LOST_MARKER;
  yout = LOST_MARKER;
  zout = LOST_MARKER;
  thxout = LOST_MARKER;
  thyout = LOST_MARKER;
}

// A rectangular window with inclusive bounds; x is tested before y.
inline bool inWindow(double x, double y, double xmin, double xmax, double ymin, double ymax) {
  if (!(xmin <= x && x <= xmax)) return false;
  return ymin <= y && y <= ymax;
}

}  // namespace tarn
