#pragma once
// Forward differential cross-section per unit volume at q = 0 (1/cm/sr) at T (K).
void DSG0(double T, double& dsg);
