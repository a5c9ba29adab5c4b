#include "transport/beamline/empty.h"

#include <cmath>

#include "transport/lost.h"
#include "transport/recentcalls.h"

using tarn::inWindow;
using tarn::markAllLost;

namespace {

// The drift for a neutron inside the entrance window, with the slopes
// slopeX = tan(thx), slopeY = tan(thy). Written into both forms of EMPTY, so
// that neither pays for a call.
[[gnu::always_inline]] inline void fromEntrance(double E, double x, double y, double z, double thx, double thy,
                                                double xmin, double xmax, double ymin, double ymax, double L,
                                                double& Eout, double& xout, double& yout, double& zout,
                                                double& thxout, double& thyout, double slopeX, double slopeY) {
  // Straight line to the exit plane.
  const double X = slopeX * L + x;
  const double Y = slopeY * L + y;

  // Exit window, same bounds: with a straight path both ends suffice.
  if (!inWindow(X, Y, xmin, xmax, ymin, ymax)) {
    markAllLost(Eout, xout, yout, zout, thxout, thyout);
    return;
  }

  xout = X;
  yout = Y;
  zout = z + L;
  thxout = thx;
  thyout = thy;
  Eout = E;
}

}  // namespace

void EMPTY(double E, double x, double y, double z, double thx, double thy, double xmin, double xmax,
           double ymin, double ymax, double L, double& Eout, double& xout, double& yout, double& zout,
           double& thxout, double& thyout) {
  // Entrance window, bounds inclusive; x before y.
  if (!inWindow(x, y, xmin, xmax, ymin, ymax)) {
    markAllLost(Eout, xout, yout, zout, thxout, thyout);
    return;
  }
  // tan(thx) and tan(thy) once, after the entrance test.
  fromEntrance(E, x, y, z, thx, thy, xmin, xmax, ymin, ymax, L, Eout, xout, yout, zout, thxout, thyout,
               tarn::recentTan(thx), tarn::recentTan(thy));
}

void EMPTY(double E, double x, double y, double z, double thx, double thy, double xmin, double xmax,
           double ymin, double ymax, double L, double& Eout, double& xout, double& yout, double& zout,
           double& thxout, double& thyout, double slopeX, double slopeY) {
  // The caller's slopes are tan(thx) and tan(thy) bit for bit, and the
  // entrance test comes first as above: the same outputs, bit for bit.
  if (!inWindow(x, y, xmin, xmax, ymin, ymax)) {
    markAllLost(Eout, xout, yout, zout, thxout, thyout);
    return;
  }
  fromEntrance(E, x, y, z, thx, thy, xmin, xmax, ymin, ymax, L, Eout, xout, yout, zout, thxout, thyout, slopeX,
               slopeY);
}
