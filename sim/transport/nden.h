#pragma once
// Helium density relative to its maximum (1.0 at 2.2 K) at T (K). A
// temperature outside the table ends the run with a non-zero status.
void NDEN(double T, double& rhoRel);
