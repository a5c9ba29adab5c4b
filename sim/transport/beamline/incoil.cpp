#include "transport/beamline/incoil.h"

#include "transport/beamline/reflect.h"

void INCOIL(double critFactor, double E, double x, double y, double z, double thx, double thy,
            double& xout, double& yout, double& zout, double& thxout, double& thyout) {
  // 89 cm long, half-width 3.05 cm, half-height 2.55 cm; 2W, 4W, 2H, 4H as literals.
  const tarn::GuideGeometry g{89.0, critFactor, 3.05, 6.1, 12.2, 2.55, 5.1, 10.2};
  tarn::reflectingGuide(g, E, x, y, z, thx, thy, xout, yout, zout, thxout, thyout);
}
