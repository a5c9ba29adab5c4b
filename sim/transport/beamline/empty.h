#pragma once
// EMPTY: straight drift of length L (cm) through a rectangular channel
// xmin..xmax, ymin..ymax (cm, bounds inclusive, the same at both ends) whose
// walls absorb; used for the empty half of a target cell. The neutron must be
// inside the window at the entrance and at the exit plane; direction and
// energy pass through unchanged.
// In: E (meV), x, y, z (cm), thx, thy (rad), xmin, xmax, ymin, ymax, L (cm).
// Out: Eout, xout, yout, zout, thxout, thyout, or the lost marker in all six.
void EMPTY(double E, double x, double y, double z, double thx, double thy, double xmin, double xmax,
           double ymin, double ymax, double L, double& Eout, double& xout, double& yout, double& zout,
           double& thxout, double& thyout);
// The same with the slopes slopeX = tan(thx), slopeY = tan(thy) that the
// caller already took for the same angles (bit for bit; not used for a
// neutron outside the entrance window): the same outputs, bit for bit,
// without taking tan again.
void EMPTY(double E, double x, double y, double z, double thx, double thy, double xmin, double xmax,
           double ymin, double ymax, double L, double& Eout, double& xout, double& yout, double& zout,
           double& thxout, double& thyout, double slopeX, double slopeY);
