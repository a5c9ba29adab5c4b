#pragma once
// Mass density of liquid helium (g/cm^3) at T (K); rho is left unchanged
// outside the table, so callers initialise it.
void HEDEN(double T, double& rho);
