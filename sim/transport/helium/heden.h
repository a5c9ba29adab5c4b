#pragma once
// Mass density rho (g/cm^3) of liquid helium at temperature T (K), linearly
// interpolated in a 34-point table from 0.2 to 4.4 K.
//
// Outside the table two console lines are written for each of the 33
// intervals and rho is left as it was, so callers initialise it (to 0.0).
void HEDEN(double T, double& rho);
