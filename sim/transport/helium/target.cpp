// TARGET: free-path sampling and scattering in the helium half of a cell.
#include "transport/helium/target.h"

#include <cmath>

#include "ranlux/ranlux.h"
#include "textout/freeformat.h"
#include "transport/constants.h"
#include "transport/helium/heden.h"
#include "transport/helium/intq.h"
#include "transport/helium/nden.h"
#include "transport/helium/sommers.h"
#include "transport/helium/wq.h"
#include "transport/lost.h"
#include "transport/recentcalls.h"
#include "transport/sincos.h"

namespace {

// Momentum transfer (1/Å) up to which INTQ gives the cross-section, above
// which SOMMERS does (single precision; equality takes INTQ).
constexpr float INTQ_Q_LIMIT = 0.562803f;
// Cosine of the momentum triangle above which the triangle is reported.
constexpr float TRIANGLE_REPORT_LIMIT = 1.05f;

}  // namespace

using tarn::inWindow;

double incomingAzimuth(double thx, double thy) {
  // Along the axis the azimuth is undefined; the physics does not depend on it.
  if (thx == 0.0 && thy == 0.0) return 0.0;
  const double b = tarn::recentAtan(tarn::recentTan(thy) / tarn::recentTan(thx));  // principal value
  if (thx >= 0.0 && thy >= 0.0) return b;
  if (thx < 0.0 && thy >= 0.0) return b + tarn::PI_6;
  if (thx < 0.0 && thy < 0.0) return b + tarn::PI_6;
  return b + tarn::TWO_PI_6;
}

void TARGET(double q, double T, double E, double x, double y, double z, double thx, double thy,
            double xmin, double xmax, double ymin, double ymax, double L, double& Eout, double& xout,
            double& yout, double& zout, double& thxout, double& thyout, double& sigma, double& path,
            double& thetaS, double& sigmaSommers, double& sigmaIntq, bool& scattered, double& theta_p,
            double& phi_p) {
  // Entrance window.
  if (!inWindow(x, y, xmin, xmax, ymin, ymax)) {
    tarn::markAllLost(Eout, xout, yout, zout, thxout, thyout);
    return;
  }

  // Incoming direction: polar angle and azimuth about z.
  const double tx = tarn::recentTan(thx);
  const double ty = tarn::recentTan(thy);
  const double theta0 = std::atan(std::sqrt(tx * tx + ty * ty));
  const double phi0 = incomingAzimuth(thx, thy);

  // Incoming wave number and the energy given to the helium.
  const double k0 = std::sqrt(E * tarn::TWO_NEUTRON_MASS) / tarn::HBAR_MEV_PS;  // 1/Å
  double wp = 0.0;                                                              // 1/ps
  WQ(q, wp, E, k0);
  const double ep = E - wp * tarn::HBAR_MEV_PS;  // meV
  if (!(ep > 0.0)) textout::print(textout::Line().text(" ep < 0:").dbl(ep));
  const double kp = std::sqrt(ep * tarn::TWO_NEUTRON_MASS) / tarn::HBAR_MEV_PS;  // 1/Å

  // Scattering angle from the triangle of k0, kp and q.
  double cosS = ((k0 * k0 + kp * kp) - q * q) / ((k0 * 2.0) * kp);
  if (cosS > TRIANGLE_REPORT_LIMIT) {
    textout::print(textout::Line().text("----------ooo----------"));
    textout::print(
        textout::Line().text("k0:").dbl(k0).text("   kp:").dbl(kp).text("   q:").dbl(q));
  }
  if (cosS > 1.0) cosS = 1.0;
  // No energy left, or a cosine below -1 (or undefined): no scattering angle.
  const bool possible = ep > 0.0 && cosS >= -1.0;
  thetaS = possible ? std::acos(cosS) : 0.0;

  // Azimuth of the scattering and the free path: r1, r2; r3 is not used.
  float r[3];
  ranlux::RANLUX(r, 3);
  const double phiS = r[0] * tarn::TWO_PI_6;

  // Each angle's sine and cosine from one call, the same bits (sincos.h).
  const auto [st0, ct0] = tarn::sinAndCos(theta0);
  const auto [sp0, cp0] = tarn::sinAndCos(phi0);

  if (possible) {
    // Outgoing direction: (thetaS, phiS) about the incoming direction, turned
    // by theta0 about y and then by phi0 about z.
    const auto [sS, cS] = tarn::sinAndCos(thetaS);
    const auto [sf, cf] = tarn::sinAndCos(phiS);
    const double uz = ct0 * cS - (st0 * sS) * cf;
    const double ux = (ct0 * (cp0 * (sS * cf)) - sp0 * (sS * sf)) + st0 * (cS * cp0);
    const double uy = (ct0 * (sp0 * (sS * cf)) + cp0 * (sS * sf)) + st0 * (cS * sp0);

    double cosTh = uz;
    if (cosTh > 1.0) {
      textout::print(textout::Line().text(" theta_p error :  cos(th_p) =").dbl(cosTh));
      cosTh = 1.0;
    } else if (cosTh < -1.0) {
      textout::print(textout::Line().text(" theta_p error :  cos(th_p) =").dbl(cosTh));
      cosTh = -1.0;
    }
    theta_p = std::acos(cosTh);

    if (theta_p == 0.0) {
      // Along the axis: the azimuth is undefined and not needed.
      phi_p = 0.0;
    } else {
      // sin(theta_p) taken once for both components: the same call on the
      // same argument gives the same bits.
      const double sinTheta = std::sin(theta_p);
      double cosPh = ux / sinTheta;
      if (cosPh > 1.0) {
        textout::print(textout::Line().text(" phi_p error :  cos(ph_p) =").dbl(cosPh));
        cosPh = 1.0;
      } else if (cosPh < -1.0) {
        textout::print(textout::Line().text(" phi_p error :  cos(ph_p) =").dbl(cosPh));
        cosPh = -1.0;
      }
      phi_p = std::acos(cosPh);
      const double sinPh = uy / sinTheta;
      if (sinPh < 0.0) phi_p = tarn::TWO_PI_6 - phi_p;
    }
  } else {
    theta_p = 0.0;
    phi_p = 0.0;
  }

  // Cross-section per atom, barn.
  if (q <= INTQ_Q_LIMIT) {
    INTQ(T, q, sigmaIntq);
    sigma = sigmaIntq;
  } else {
    SOMMERS(T, E, sigmaSommers);
    sigma = sigmaSommers;
  }

  // Helium number density (atoms/Å^3, numerically 1e24/cm^3) and relative density.
  double rho = 0.0;  // g/cm^3; HEDEN leaves it alone out of range
  HEDEN(T, rho);
  const double nHe = rho * tarn::AVOGADRO_E24 / tarn::HELIUM_MOLAR_MASS;
  double rhoRel = 0.0;
  NDEN(T, rhoRel);

  // Free path (cm) and the interaction point along the incoming direction.
  path = -std::log(static_cast<double>(r[1])) / ((nHe * sigma) * rhoRel);
  const double dx = cp0 * (st0 * path);
  const double dy = sp0 * (st0 * path);
  const double dz = ct0 * path;
  const double xi = dx + x;
  const double yi = dy + y;
  const double zi = dz + z;

  scattered = false;

  const bool inside = possible && (z <= zi && zi <= z + L) && (xmin <= xi && xi <= xmax) &&
                      (ymin <= yi && yi <= ymax);
  if (inside) {
    // Scattered at (xi, yi, zi): on to the exit plane along the new direction.
    scattered = true;
    const auto [sinPhi, cosPhi] = tarn::sinAndCos(phi_p);
    const double thxS = std::atan(tarn::recentTan(theta_p) * cosPhi);
    const double thyS = std::atan(tarn::recentTan(theta_p) * sinPhi);
    const double remaining = L - dz;
    const double X = tarn::recentTan(thxS) * remaining + xi;
    const double Y = tarn::recentTan(thyS) * remaining + yi;
    if (inWindow(X, Y, xmin, xmax, ymin, ymax)) {
      xout = X;
      yout = Y;
      zout = z + L;
      thxout = thxS;
      thyout = thyS;
      Eout = ep;
    } else {
      tarn::markAllLost(Eout, xout, yout, zout, thxout, thyout);
    }
    return;
  }

  // Not scattered: straight through the whole cell.
  const double X = tx * L + x;
  const double Y = ty * L + y;
  if (inWindow(X, Y, xmin, xmax, ymin, ymax)) {
    xout = X;
    yout = Y;
    zout = z + L;
    thxout = thx;
    thyout = thy;
    Eout = E;
  } else {
    tarn::markAllLost(Eout, xout, yout, zout, thxout, thyout);
  }
}
