#include "transport/beamline/sm.h"

#include "transport/beamline/reflect.h"

void SM(double E, double x, double y, double z, double thx, double thy, double& xout, double& yout,
        double& zout, double& thxout, double& thyout) {
  // 28 cm long, 0.003 rad/Å (a double), half-width 2.85 cm, half-height
  // 2.25 cm; 2W, 4W, 2H, 4H as literals. zout = 28.0 + z, the same value as
  // z + 28.0 (a single addition is exact-commutative).
  const tarn::GuideGeometry g{28.0, 0.003, 2.85, 5.7, 11.4, 2.25, 4.5, 9.0};
  tarn::reflectingGuide(g, E, x, y, z, thx, thy, xout, yout, zout, thxout, thyout);
}
