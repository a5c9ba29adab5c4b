#pragma once
// Total scattering cross-section per helium atom (barn) for a neutron of
// energy E (meV) in liquid helium at temperature T (K): linear interpolation
// in an 18-point energy table (0.283 to 100 meV), one of six measured columns
// chosen by T (boundaries 1.5, 2.17, 3.5, 4.1, 4.4 K).
//
// Below the table sigma is held at its first value and three console lines
// are written for each of the 17 intervals; above it sigma is held at its
// last value silently.
void SOMMERS(double T, double E, double& sigma);
