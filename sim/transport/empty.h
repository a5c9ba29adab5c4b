#pragma once
// Straight drift through an absorbing rectangular channel (cm, rad, meV).
void EMPTY(double E, double x, double y, double z, double thx, double thy, double xmin, double xmax,
           double ymin, double ymax, double L, double& Eout, double& xout, double& yout, double& zout,
           double& thxout, double& thyout);
