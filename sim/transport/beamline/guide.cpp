#include "transport/beamline/guide.h"

#include "transport/beamline/reflect.h"

void GUIDE(double L, double critFactor, double W, double H, double E, double x, double y, double z, double thx,
           double thy, double& xout, double& yout, double& zout, double& thxout, double& thyout) {
  const tarn::GuideGeometry g = tarn::guideGeometry(L, critFactor, W, H);
  tarn::reflectingGuide(g, E, x, y, z, thx, thy, xout, yout, zout, thxout, thyout);
}

void GUIDE(double L, double critFactor, double W, double H, double E, double x, double y, double z, double thx,
           double thy, double& xout, double& yout, double& zout, double& thxout, double& thyout, double slopeX,
           double slopeY) {
  const tarn::GuideGeometry g = tarn::guideGeometry(L, critFactor, W, H);
  tarn::reflectingGuide(g, E, x, y, z, thx, thy, xout, yout, zout, thxout, thyout, slopeX, slopeY);
}
