#include "transport/beamline/outcoil.h"

#include <cmath>

#include "transport/beamline/reflect.h"
#include "transport/lost.h"

namespace {

// Channels of the split guide, cm, bounds inclusive.
bool inRightChannel(double v) { return 0.35 <= v && v <= 3.0; }
bool inLeftChannel(double v) { return -3.0 <= v && v <= -0.35; }

}  // namespace

void OUTCOIL(double critFactor, double E, double x, double y, double z, double thx, double thy,
             double& xout, double& yout, double& zout, double& thxout, double& thyout) {
  using tarn::LOST_MARKER;
  const double lambda = tarn::wavelengthAngstrom(E);  // Å
  const double thcrit = lambda * critFactor;          // rad

  // Entrance window: |y| <= 2.5 and x in one of the two channels.
  if (!(-2.5 <= y && y <= 2.5 && (inRightChannel(x) || inLeftChannel(x)))) {
    xout = LOST_MARKER;
    yout = LOST_MARKER;
    zout = LOST_MARKER;
    thxout = LOST_MARKER;
    thyout = LOST_MARKER;
    return;
  }

  // Transverse displacements over 108 cm and the straight exit position.
  const double t = std::tan(thx) * 108.0;
  const double u = std::tan(thy) * 108.0;
  const double X = t + x;
  const double Y = u + y;

  // Horizontal plane. Literals: 6.0 = 2 x outer wall, 0.7 = 2 x septum face,
  // 5.3 = 6.0 - 0.7.
  if (!inRightChannel(X) && inRightChannel(x)) {
    // Right channel: outer wall at 3.0 or septum face at 0.35.
    if (std::fabs(thx) > thcrit) {
      xout = LOST_MARKER;
      thxout = LOST_MARKER;
    } else if (thx >= 0.0) {
      thxout = -thx;
      xout = 6.0 - t - x;
      if (xout < 0.35) {  // image beyond the septum face: second reflection
        thxout = thx;
        xout = t - 5.3 + x;
      }
    } else {
      thxout = -thx;
      xout = 0.7 - t - x;
      if (xout > 3.0) {  // image beyond the outer wall: second reflection
        thxout = thx;
        xout = t + 5.3 + x;
      }
    }
  } else if (!inLeftChannel(X) && inLeftChannel(x)) {
    // Left channel: septum face at -0.35 or outer wall at -3.0.
    if (std::fabs(thx) > thcrit) {
      xout = LOST_MARKER;
      thxout = LOST_MARKER;
    } else if (thx >= 0.0) {
      thxout = -thx;
      xout = -0.7 - t - x;
      if (xout < -3.0) {  // image beyond the outer wall: second reflection
        thxout = thx;
        xout = t - 5.3 + x;
      }
    } else {
      thxout = -thx;
      xout = -6.0 - t - x;
      if (xout > -0.35) {  // image beyond the septum face: second reflection
        thxout = thx;
        xout = t + 5.3 + x;
      }
    }
  } else {
    // Stays in the channel it entered.
    xout = X;
    thxout = thx;
  }

  // Vertical plane: walls at -2.5 and 2.5, one reflection at most.
  if (-2.5 <= Y && Y <= 2.5) {
    yout = Y;
    thyout = thy;
  } else if (std::fabs(thy) > thcrit) {
    yout = LOST_MARKER;
    thyout = LOST_MARKER;
  } else {
    thyout = -thy;
    if (thy >= 0.0) {
      yout = 5.0 - u - y;
    } else {
      yout = -5.0 - u - y;
    }
  }

  zout = z + 108.0;
}
