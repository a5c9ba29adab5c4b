#pragma once
// GUIDE: first reflecting guide of the beamline; a new neutron starts at its
// entrance plane. Rectangular channel of length L (cm; 116 in the shipped
// beamline), half-width W and half-height H (cm; 3.05 and 2.55), centred on
// the axis. Walls reflect at |angle| <= lambda * critFactor (rad/Å; 0.001)
// and absorb beyond; at most two reflections per plane.
// In: L, critFactor, W, H, E (meV), x, y, z (cm), thx, thy (rad).
// Out: xout, yout, zout (cm), thxout, thyout (rad), or the lost marker: all
// five outside the entrance window, only the absorbing plane's pair otherwise.
void GUIDE(double L, double critFactor, double W, double H, double E, double x, double y, double z, double thx,
           double thy, double& xout, double& yout, double& zout, double& thxout, double& thyout);
// The same with the slopes slopeX = tan(thx), slopeY = tan(thy) that the
// caller already took for the same angles (bit for bit; not used for a
// neutron outside the entrance window): the same outputs, bit for bit,
// without taking tan again.
void GUIDE(double L, double critFactor, double W, double H, double E, double x, double y, double z, double thx,
           double thy, double& xout, double& yout, double& zout, double& thxout, double& thyout, double slopeX,
           double slopeY);
