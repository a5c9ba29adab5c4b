#pragma once
// Passage through the helium half of a target cell, with free-path sampling
// and scattering at momentum transfer q (1/Å). Draws three RANLUX numbers
// per call that passes the entrance window.
void TARGET(double q, double T, double E, double x, double y, double z, double thx, double thy,
            double xmin, double xmax, double ymin, double ymax, double L, double& Eout, double& xout,
            double& yout, double& zout, double& thxout, double& thyout, double& sigma, double& path,
            double& thetaS, double& sigmaSommers, double& sigmaIntq, bool& scattered, double& theta_p,
            double& phi_p);
