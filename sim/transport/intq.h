#pragma once
// Small-q cross-section per helium atom (barn) at temperature T (K).
void INTQ(double T, double q, double& sigq);
