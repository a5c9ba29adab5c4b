#pragma once
// Cross-section per helium atom (barn) for scattering with a small momentum
// transfer q (1/Å) at temperature T (K): the forward cross-section of DSG0
// falling off with q in Ornstein-Zernike form, times 4 pi, divided by the
// number density from HEDEN. Used by TARGET for q <= 0.562803 1/Å.
void INTQ(double T, double q, double& sigq);

// Ornstein-Zernike fall-off length (Å) at temperature T (K), as INTQ uses it.
double intqCorrelationLength(double T);
