#pragma once
// OUTCOIL: split guide after the target cells, 108 cm long, divided by a
// central septum (-0.35 < x < 0.35 cm) into a right channel 0.35 <= x <= 3.0
// and a left channel -3.0 <= x <= -0.35 cm, both -2.5 <= y <= 2.5 cm (bounds
// inclusive). Walls and septum faces reflect at |angle| <= lambda * critFactor
// (rad/Å; 0.001 in the beamline) and absorb beyond.
// Limits: at most two reflections in x, one in y; the vertical image is not
// tested again, so a path needing two vertical reflections leaves with
// |yout| > 2.5 and is not marked lost here.
// In: critFactor, E (meV), x, y, z (cm), thx, thy (rad).
// Out: xout, yout, zout (cm), thxout, thyout (rad), or the lost marker: all
// five outside the entrance window, only the absorbing plane's pair otherwise.
void OUTCOIL(double critFactor, double E, double x, double y, double z, double thx, double thy,
             double& xout, double& yout, double& zout, double& thxout, double& thyout);
