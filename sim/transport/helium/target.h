#pragma once
// Passage of one neutron through the helium half of a target cell.
//
// The cell spans z to z + L (cm) with the window xmin..xmax, ymin..ymax (cm)
// at both ends. For a neutron of energy E (meV) entering at (x, y) with
// direction angles thx, thy (rad), TARGET derives from the momentum transfer
// q (1/Å, chosen by the caller and kinematically allowed at E) the energy
// transfer (WQ), the scattering angle thetaS, a uniform azimuth, the outgoing
// direction theta_p, phi_p (rad, about the beam axis), the cross-section sigma
// (barn; INTQ for q <= 0.562803, SOMMERS above) and, with the helium densities
// (HEDEN, NDEN) at T (K), a sampled free path (cm). If the interaction point
// lies inside the cell the neutron scatters there (scattered = true) and
// leaves with the new direction and energy; otherwise it drifts straight
// through. A neutron missing the exit window is lost (LOST_MARKER in all six
// neutron outputs).
//
// A neutron outside the entrance window gets the marker in the six neutron
// outputs and nothing else is written or drawn; every other call draws one
// RANLUX vector of three numbers (azimuth, free path, one unused).
// A transfer that is not possible at E (no energy left, or the momentum
// triangle does not close) prints its diagnostics and the neutron is carried
// through unscattered; the angles that cannot be defined are written as 0.
void TARGET(double q, double T, double E, double x, double y, double z, double thx, double thy,
            double xmin, double xmax, double ymin, double ymax, double L, double& Eout, double& xout,
            double& yout, double& zout, double& thxout, double& thyout, double& sigma, double& path,
            double& thetaS, double& sigmaSommers, double& sigmaIntq, bool& scattered, double& theta_p,
            double& phi_p);

// Azimuth (rad) about the beam axis of the direction with angles thx, thy
// (rad), measured from +x towards +y and placed in its quadrant with the
// program's pi = 3.14159 and 2 pi = 6.28318; 0 along the axis.
double incomingAzimuth(double thx, double thy);
