#pragma once
// SM: last reflecting guide, after OUTCOIL; its exit plane is the detector
// plane. Channel 28 cm long, half-width 2.85 cm, half-height 2.25 cm, centred
// on the axis. Walls reflect at |angle| <= lambda * 0.003 rad/Å and absorb
// beyond; at most two reflections per plane.
// In: E (meV), x, y, z (cm), thx, thy (rad).
// Out: xout, yout, zout (cm), thxout, thyout (rad), or the lost marker: all
// five outside the entrance window, only the absorbing plane's pair otherwise.
void SM(double E, double x, double y, double z, double thx, double thy, double& xout, double& yout,
        double& zout, double& thxout, double& thyout);
