#include "empty.h"

#include <cmath>

#include "lost.h"

namespace {

void markLost(double& Eout, double& xout, double& yout, double& zout, double& thxout,
              double& thyout) {
  Eout = tarn::LOST_MARKER;
  xout = tarn::LOST_MARKER;
  yout = tarn::LOST_MARKER;
  zout = tarn::LOST_MARKER;
  thxout = tarn::LOST_MARKER;
  thyout = tarn::LOST_MARKER;
}

}  // namespace

void EMPTY(double E, double x, double y, double z, double thx, double thy, double xmin, double xmax,
           double ymin, double ymax, double L, double& Eout, double& xout, double& yout, double& zout,
           double& thxout, double& thyout) {
  // Entrance window, bounds inclusive; x before y.
  if (!(xmin <= x && x <= xmax) || !(ymin <= y && y <= ymax)) {
    markLost(Eout, xout, yout, zout, thxout, thyout);
    return;
  }

  // Straight line to the exit plane.
  const double X = std::tan(thx) * L + x;
  const double Y = std::tan(thy) * L + y;

  // Exit window, same bounds: with a straight path both ends suffice.
  if (!(xmin <= X && X <= xmax) || !(ymin <= Y && Y <= ymax)) {
    markLost(Eout, xout, yout, zout, thxout, thyout);
    return;
  }

  xout = X;
  yout = Y;
  zout = z + L;
  thxout = thx;
  thyout = thy;
  Eout = E;
}
