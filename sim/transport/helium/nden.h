#pragma once
// Density of liquid helium relative to its largest value (1.0 at 2.2 K) at
// temperature T (K), linearly interpolated in a 34-point table from 0.2 to
// 4.4 K.
//
// A temperature outside the table writes two console lines and ends the run
// at once with a non-zero status (textout::abortRun: the run log is flushed
// and closed, nothing else is done).
void NDEN(double T, double& rhoRel);
