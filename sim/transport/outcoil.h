#pragma once
// Split guide, 108 cm long, two channels 0.35 <= |x| <= 3.0 cm, |y| <= 2.5 cm.
void OUTCOIL(double critFactor, double E, double x, double y, double z, double thx, double thy,
             double& xout, double& yout, double& zout, double& thxout, double& thyout);
