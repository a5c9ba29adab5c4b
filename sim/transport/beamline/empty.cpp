#include "transport/beamline/empty.h"

#include <cmath>

#include "transport/lost.h"
#include "transport/recentcalls.h"

using tarn::inWindow;
using tarn::markAllLost;

void EMPTY(double E, double x, double y, double z, double thx, double thy, double xmin, double xmax,
           double ymin, double ymax, double L, double& Eout, double& xout, double& yout, double& zout,
           double& thxout, double& thyout) {
  // Entrance window, bounds inclusive; x before y.
  if (!inWindow(x, y, xmin, xmax, ymin, ymax)) {
    markAllLost(Eout, xout, yout, zout, thxout, thyout);
    return;
  }

  // Straight line to the exit plane.
  const double X = tarn::recentTan(thx) * L + x;
  const double Y = tarn::recentTan(thy) * L + y;

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
