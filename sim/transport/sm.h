#pragma once
// Last reflecting guide, 28 cm long, half-width 2.85 cm, half-height 2.25 cm,
// 0.003 rad/Å; its exit plane is the detector plane.
void SM(double E, double x, double y, double z, double thx, double thy, double& xout, double& yout,
        double& zout, double& thxout, double& thyout);
