#pragma once
// Forward differential cross-section per unit volume of liquid helium at
// q = 0, dsg (1/cm/sr), at temperature T (K): linear interpolation in a
// 13-point table from 1.6 to 4.0 K. Held at the 1.6 K value below the table,
// extrapolated along the 3.8-4.0 K line above it; prints nothing.
void DSG0(double T, double& dsg);
