#pragma once
// GUIDE: first reflecting guide of the beamline; a new neutron starts at its
// entrance plane. Rectangular channel of length L (cm; 116 in the beamline),
// half-width 3.05 cm, half-height 2.55 cm, centred on the axis. Walls reflect
// at |angle| <= lambda * critFactor (rad/Å; 0.001 in the beamline) and absorb
// beyond; at most two reflections per plane.
// In: L, critFactor, E (meV), x, y, z (cm), thx, thy (rad).
// Out: xout, yout, zout (cm), thxout, thyout (rad), or the lost marker: all
// five outside the entrance window, only the absorbing plane's pair otherwise.
void GUIDE(double L, double critFactor, double E, double x, double y, double z, double thx, double thy,
           double& xout, double& yout, double& zout, double& thxout, double& thyout);
