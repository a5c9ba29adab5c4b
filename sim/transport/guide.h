#pragma once
// Reflecting guide of length L (cm), half-width 3.05 cm, half-height 2.55 cm.
void GUIDE(double L, double critFactor, double E, double x, double y, double z, double thx, double thy,
           double& xout, double& yout, double& zout, double& thxout, double& thyout);
