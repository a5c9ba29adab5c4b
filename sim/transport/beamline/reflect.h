// Straight reflecting guide with four absorbing-beyond-critical walls, shared
// by GUIDE, INCOIL and SM, which differ only in their geometry.
//
// Units: cm, rad, meV, Å. The channel is centred on the beam axis with side
// walls at x = -W, +W and top/bottom walls at y = -H, +H; the walls are
// parallel to the axis, so the angle to a side wall is thx and to the top or
// bottom wall thy. A wall reflects when |angle| <= thcrit = lambda *
// critFactor and absorbs otherwise.
//
// Limits: at most two reflections per plane. A second reflection at the
// opposite wall is taken without a second angle test, and its position is
// final: it is never tested against the walls again.
#pragma once

#include <cmath>

#include "transport/constants.h"
#include "transport/lost.h"
#include "transport/recentcalls.h"

namespace tarn {

// Wavelength (Å) of a neutron of energy E_meV (meV).
inline double wavelengthAngstrom(double E_meV) { return PLANCK_MEV_PS / std::sqrt(E_meV * TWO_NEUTRON_MASS); }

// Geometry of one guide section with the multiples of the half-width and
// half-height that the reflection formulas use (guideGeometry makes them).
struct GuideGeometry {
  double L;           // length, cm
  double critFactor;  // critical angle per wavelength, rad/Å
  double W;           // half-width, cm
  double twoW;        // 2W, cm
  double fourW;       // 4W, cm
  double H;           // half-height, cm
  double twoH;        // 2H, cm
  double fourH;       // 4H, cm
};

// The section of length L, critical angle per Å critFactor, half-width W and
// half-height H. 2W, 4W, 2H and 4H are exact (a multiplication by a power of
// two only changes the exponent), so for W = 3.05 they are the doubles of
// 6.1 and 12.2, the same bits as those literals.
inline GuideGeometry guideGeometry(double L, double critFactor, double W, double H) {
  return GuideGeometry{L, critFactor, W, 2.0 * W, 4.0 * W, H, 2.0 * H, 4.0 * H};
}

// One transverse plane of the guide: entrance coordinate pos (cm), angle th
// (rad) with its slope tan(th), exit coordinate without walls S = slope * L +
// pos (cm), half-size A with its multiples twoA and fourA (cm), critical
// angle thcrit (rad). Writes the exit coordinate and angle, or the marker in
// both if absorbed. The slope is the caller's tan(th), so the reflections
// use the same bits the straight line did, without taking tan again.
inline void reflectInPlane(double pos, double th, double slope, double S, double L, double A, double twoA, double fourA,
                           double thcrit, double& posOut, double& thOut) {
  // Straight through: no wall contact.
  if (-A <= S && S <= A) {
    posOut = S;
    thOut = th;
    return;
  }
  // Wall contact beyond the critical angle: absorbed.
  if (std::fabs(th) > thcrit) {
    posOut = LOST_MARKER;
    thOut = LOST_MARKER;
    return;
  }
  // One reflection: mirror image of S in the wall at +A (th >= 0) or -A.
  thOut = -th;
  if (th >= 0.0) {
    posOut = twoA - slope * L - pos;
  } else {
    posOut = -twoA - slope * L - pos;
  }
  // The image lies beyond the opposite wall: second reflection there, which
  // restores the incoming angle. Final, not tested again.
  if (posOut < -A || posOut > A) {
    thOut = th;
    if (th >= 0.0) {
      posOut = slope * L - fourA + pos;
    } else {
      posOut = slope * L + fourA + pos;
    }
  }
}

// The neutron (x, y cm) is inside the entrance window of the guide g, bounds
// inclusive; y is tested before x.
inline bool inGuideEntrance(const GuideGeometry& g, double x, double y) {
  return -g.H <= y && y <= g.H && -g.W <= x && x <= g.W;
}

// The marker in all five outputs of a guide.
inline void markGuideLost(double& xout, double& yout, double& zout, double& thxout, double& thyout) {
  xout = LOST_MARKER;
  yout = LOST_MARKER;
  zout = LOST_MARKER;
  thxout = LOST_MARKER;
  thyout = LOST_MARKER;
}

// The guide g for a neutron inside its entrance window, with the slopes
// slopeX = tan(thx) and slopeY = tan(thy) and the critical angle thcrit.
inline void guideFromEntrance(const GuideGeometry& g, double thcrit, double x, double y, double z, double thx,
                              double thy, double slopeX, double slopeY, double& xout, double& yout, double& zout,
                              double& thxout, double& thyout) {
  // Straight line to the exit plane.
  const double X = slopeX * g.L + x;
  const double Y = slopeY * g.L + y;

  reflectInPlane(x, thx, slopeX, X, g.L, g.W, g.twoW, g.fourW, thcrit, xout, thxout);
  reflectInPlane(y, thy, slopeY, Y, g.L, g.H, g.twoH, g.fourH, thcrit, yout, thyout);
  zout = g.L + z;
}

// Carries a neutron (E meV; x, y, z cm; thx, thy rad) through the guide g.
// A neutron outside the entrance window gets the marker in all five
// outputs; one absorbed in a plane gets it in that plane's pair only, while
// the other plane and zout keep real values. tan(thx) and tan(thy) are
// taken once, after the entrance test, and serve the straight line and the
// reflections alike.
inline void reflectingGuide(const GuideGeometry& g, double E, double x, double y, double z, double thx, double thy,
                            double& xout, double& yout, double& zout, double& thxout, double& thyout) {
  const double lambda = wavelengthAngstrom(E);  // Å
  const double thcrit = lambda * g.critFactor;  // rad
  if (!inGuideEntrance(g, x, y)) {
    markGuideLost(xout, yout, zout, thxout, thyout);
    return;
  }
  guideFromEntrance(g, thcrit, x, y, z, thx, thy, recentTan(thx), recentTan(thy), xout, yout, zout, thxout, thyout);
}

// The same with the slopes the caller carries: slopeX must be tan(thx) and
// slopeY tan(thy), bit for bit (std::tan or recentTan of the same angle);
// then the outputs are those of the call above, bit for bit, since every
// use of tan there is of thx or thy. They are not used for a neutron
// outside the entrance window, whose slopes the caller need not take.
inline void reflectingGuide(const GuideGeometry& g, double E, double x, double y, double z, double thx, double thy,
                            double& xout, double& yout, double& zout, double& thxout, double& thyout, double slopeX,
                            double slopeY) {
  const double lambda = wavelengthAngstrom(E);  // Å
  const double thcrit = lambda * g.critFactor;  // rad
  if (!inGuideEntrance(g, x, y)) {
    markGuideLost(xout, yout, zout, thxout, thyout);
    return;
  }
  guideFromEntrance(g, thcrit, x, y, z, thx, thy, slopeX, slopeY, xout, yout, zout, thxout, thyout);
}

}  // namespace tarn
