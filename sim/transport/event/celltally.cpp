#include "transport/event/celltally.h"

#include <cmath>

#include "transport/constants.h"
#include "transport/recentcalls.h"

namespace tarn {
namespace {

// The neutron's gyromagnetic ratio, rad/(s uT), and the field factor.
constexpr double PRECESSION = 183.24718;
constexpr float FIELD_FACTOR = 0.1f;

}  // namespace

double neutronSpeed(double E) { return std::sqrt(E * 2 / NEUTRON_MASS); }

double spinRotation(double path, double v) { return path * PRECESSION * static_cast<double>(FIELD_FACTOR) / v; }

CellTally cellAccounting(const NeutronState& in, const NeutronState& out, double L) {
  CellTally tally;
  if (out.E == in.E) {
    // No energy transfer: the straight distance from entrance to exit.
    const double dy = out.y - in.y, dx = out.x - in.x, dz = out.z - in.z;
    const double d = std::sqrt((dy * dy + dx * dx) + dz * dz);
    tally.unscatteredPath = d;
    tally.unscatteredRotation = spinRotation(d, neutronSpeed(out.E));
    return tally;
  }
  // Scattered: a straight piece with the entrance slope up to the scattering
  // point, s1 along z, then one with the exit slope to the exit plane. The x
  // plane places the point; with equal x slopes the y plane does, and with
  // equal slopes in both it is put in the middle of the cell.
  const double t = recentTan(out.thx);
  double s1 = ((out.x - in.x) - L * t) / (recentTan(in.thx) - t);
  if (!std::isfinite(s1)) {
    const double ty = recentTan(out.thy);
    s1 = ((out.y - in.y) - L * ty) / (recentTan(in.thy) - ty);
    if (!std::isfinite(s1)) s1 = L / 2.0;
  }
  const double ay = s1 * recentTan(in.thy), ax = s1 * recentTan(in.thx);
  const double L1 = std::sqrt((ay * ay + ax * ax) + s1 * s1);
  const double s2 = L - s1;
  const double by = s2 * recentTan(out.thy), bx = s2 * t;
  const double L2 = std::sqrt((by * by + bx * bx) + s2 * s2);
  const double before = spinRotation(L1, neutronSpeed(in.E));
  const double after = spinRotation(L2, neutronSpeed(out.E));
  tally.scatteredPath = L1 + L2;
  tally.scatteredRotation = after + before;
  return tally;
}

}  // namespace tarn
