#pragma once
// OUTCOIL: split guide after the target cells, of length L (cm; 108 in the
// shipped beamline), divided by a central septum (-S < x < S) into a right
// channel S <= x <= W and a left channel -W <= x <= -S, both -H <= y <= H
// (bounds inclusive; W, S, H in cm: 3.0, 0.35, 2.5). Walls and septum faces
// reflect at |angle| <= lambda * critFactor (rad/Å; 0.001) and absorb beyond.
// Limits: at most two reflections in x, one in y; the vertical image is not
// tested again, so a path needing two vertical reflections leaves with
// |yout| > H and is not marked lost here.
// In: L, critFactor, W, S, H, E (meV), x, y, z (cm), thx, thy (rad).
// Out: xout, yout, zout (cm), thxout, thyout (rad), or the lost marker: all
// five outside the entrance window, only the absorbing plane's pair otherwise.
void OUTCOIL(double L, double critFactor, double W, double S, double H, double E, double x, double y, double z,
             double thx, double thy, double& xout, double& yout, double& zout, double& thxout, double& thyout);
// The same with the slopes slopeX = tan(thx), slopeY = tan(thy) that the
// caller already took for the same angles (bit for bit; not used for a
// neutron outside the entrance window): the same outputs, bit for bit,
// without taking tan again.
void OUTCOIL(double L, double critFactor, double W, double S, double H, double E, double x, double y, double z,
             double thx, double thy, double& xout, double& yout, double& zout, double& thxout, double& thyout,
             double slopeX, double slopeY);
