#include "transport/beamline/outcoil.h"

#include <cmath>

#include "transport/beamline/reflect.h"
#include "transport/lost.h"
#include "transport/recentcalls.h"

namespace {

// The split guide for a neutron inside its entrance window, with the slopes
// slopeX = tan(thx), slopeY = tan(thy) and the critical angle thcrit (rad).
// Written into both forms of OUTCOIL, so that neither pays for a call.
[[gnu::always_inline]] inline void fromEntrance(double L, double W, double S, double H, double thcrit, double x,
                                                double y, double z, double thx, double thy, double slopeX,
                                                double slopeY, double& xout, double& yout, double& zout, double& thxout,
                                                double& thyout) {
  using tarn::LOST_MARKER;
  // Channels of the split guide, cm, bounds inclusive.
  auto inRightChannel = [S, W](double v) { return S <= v && v <= W; };
  auto inLeftChannel = [S, W](double v) { return -W <= v && v <= -S; };
  // The literals of the reflection formulas: 2W (6.0 shipped), 2S (0.7),
  // 2W - 2S (5.3) and 2H (5.0). Doubling is exact, and 6.0 - 0.7 rounds to
  // the double of 5.3: the shipped values give the same bits as the literals.
  const double twoW = 2.0 * W, twoS = 2.0 * S, twoChannelWidths = twoW - twoS, twoH = 2.0 * H;

  // Transverse displacements over the length L and the straight exit position.
  const double t = slopeX * L;
  const double u = slopeY * L;
  const double X = t + x;
  const double Y = u + y;

  // Horizontal plane.
  if (!inRightChannel(X) && inRightChannel(x)) {
    // Right channel: outer wall at W or septum face at S.
    if (std::fabs(thx) > thcrit) {
      xout = LOST_MARKER;
      thxout = LOST_MARKER;
    } else if (thx >= 0.0) {
      thxout = -thx;
      xout = twoW - t - x;
      if (xout < S) {  // image beyond the septum face: second reflection
        thxout = thx;
        xout = t - twoChannelWidths + x;
      }
    } else {
      thxout = -thx;
      xout = twoS - t - x;
      if (xout > W) {  // image beyond the outer wall: second reflection
        thxout = thx;
        xout = t + twoChannelWidths + x;
      }
    }
  } else if (!inLeftChannel(X) && inLeftChannel(x)) {
    // Left channel: septum face at -S or outer wall at -W.
    if (std::fabs(thx) > thcrit) {
      xout = LOST_MARKER;
      thxout = LOST_MARKER;
    } else if (thx >= 0.0) {
      thxout = -thx;
      xout = -twoS - t - x;
      if (xout < -W) {  // image beyond the outer wall: second reflection
        thxout = thx;
        xout = t - twoChannelWidths + x;
      }
    } else {
      thxout = -thx;
      xout = -twoW - t - x;
      if (xout > -S) {  // image beyond the septum face: second reflection
        thxout = thx;
        xout = t + twoChannelWidths + x;
      }
    }
  } else {
    // Stays in the channel it entered.
    xout = X;
    thxout = thx;
  }

  // Vertical plane: walls at -H and H, one reflection at most.
  if (-H <= Y && Y <= H) {
    yout = Y;
    thyout = thy;
  } else if (std::fabs(thy) > thcrit) {
    yout = LOST_MARKER;
    thyout = LOST_MARKER;
  } else {
    thyout = -thy;
    if (thy >= 0.0) {
      yout = twoH - u - y;
    } else {
      yout = -twoH - u - y;
    }
  }

  zout = z + L;
}

// Entrance window: |y| <= H and x in one of the two channels (bounds inclusive).
bool inEntrance(double W, double S, double H, double x, double y) {
  return -H <= y && y <= H && ((S <= x && x <= W) || (-W <= x && x <= -S));
}

void markAllFive(double& xout, double& yout, double& zout, double& thxout, double& thyout) {
  xout = tarn::LOST_MARKER;
  yout = tarn::LOST_MARKER;
  zout = tarn::LOST_MARKER;
  thxout = tarn::LOST_MARKER;
  thyout = tarn::LOST_MARKER;
}

}  // namespace

void OUTCOIL(double L, double critFactor, double W, double S, double H, double E, double x, double y, double z,
             double thx, double thy, double& xout, double& yout, double& zout, double& thxout, double& thyout) {
  const double lambda = tarn::wavelengthAngstrom(E);  // Å
  const double thcrit = lambda * critFactor;          // rad
  if (!inEntrance(W, S, H, x, y)) {
    markAllFive(xout, yout, zout, thxout, thyout);
    return;
  }
  // tan(thx) and tan(thy) once, after the entrance test, as before the split.
  fromEntrance(L, W, S, H, thcrit, x, y, z, thx, thy, tarn::recentTan(thx), tarn::recentTan(thy), xout, yout, zout,
               thxout, thyout);
}

void OUTCOIL(double L, double critFactor, double W, double S, double H, double E, double x, double y, double z,
             double thx, double thy, double& xout, double& yout, double& zout, double& thxout, double& thyout,
             double slopeX, double slopeY) {
  // The caller's slopes are tan(thx) and tan(thy) bit for bit, and the
  // entrance test comes first as above: the same outputs, bit for bit.
  const double lambda = tarn::wavelengthAngstrom(E);  // Å
  const double thcrit = lambda * critFactor;          // rad
  if (!inEntrance(W, S, H, x, y)) {
    markAllFive(xout, yout, zout, thxout, thyout);
    return;
  }
  fromEntrance(L, W, S, H, thcrit, x, y, z, thx, thy, slopeX, slopeY, xout, yout, zout, thxout, thyout);
}
