#pragma once
// Total scattering cross-section per helium atom (barn) at T (K) and E (meV).
void SOMMERS(double T, double E, double& sigma);
