#include "transport/beamline/sm.h"

#include "transport/beamline/reflect.h"

void SM(double L, double critFactor, double W, double H, double E, double x, double y, double z, double thx, double thy,
        double& xout, double& yout, double& zout, double& thxout, double& thyout) {
  // zout = L + z, the same value as z + L (one addition commutes exactly).
  const tarn::GuideGeometry g = tarn::guideGeometry(L, critFactor, W, H);
  tarn::reflectingGuide(g, E, x, y, z, thx, thy, xout, yout, zout, thxout, thyout);
}

void SM(double L, double critFactor, double W, double H, double E, double x, double y, double z, double thx, double thy,
        double& xout, double& yout, double& zout, double& thxout, double& thyout, double slopeX, double slopeY) {
  // zout = L + z, the same value as z + L (one addition commutes exactly).
  const tarn::GuideGeometry g = tarn::guideGeometry(L, critFactor, W, H);
  tarn::reflectingGuide(g, E, x, y, z, thx, thy, xout, yout, zout, thxout, thyout, slopeX, slopeY);
}
