// The kinematics of the momentum-transfer draw, written once: a neutron's
// wave number and energy, the part of S(q) a cell's copy holds, and the
// test that a transfer is allowed. The event loop draws with them
// (transferstage.cpp) and the start-up estimate of the draw's cost
// (run/transferestimate.cpp) works them out without drawing; the estimate
// is right only because both use these.
#pragma once

#include <cmath>
#include <cstdint>

#include "transport/constants.h"

namespace tarn {

// S(q): 90 bins of 0.04 1/Å from 0 to 3.6 1/Å.
constexpr std::int32_t Q_TABLE_BINS = 90;
constexpr double Q_BIN_WIDTH = 0.04;
constexpr double BINS_PER_INV_ANGSTROM = 25.0;
constexpr float Q_TABLE_END = 3.6f;
// Draws after which the retry gives up on an event.
constexpr std::int32_t MAX_REJECTED_DRAWS = 1000000;

// Wave number (1/Å) of a neutron of energy E (meV).
inline double wavenumber(double E) { return std::sqrt(E * TWO_NEUTRON_MASS) / HBAR_MEV_PS; }

// Energy (meV) of a neutron of wavelength lambda (Å, single precision as drawn).
inline double energyOfWavelength(float lambda) {
  const double t = PLANCK_MEV_PS / static_cast<double>(lambda);
  return t * t * INV_TWO_NEUTRON_MASS;
}

// The last bin of S(q) the copy for a neutron of wave number k (1/Å) holds:
// int(2k * 25), or all 90 bins when 2k is beyond the table.
inline std::int32_t lastTransferBin(double k) {
  const double twoK = 2 * k;
  if (twoK <= static_cast<double>(Q_TABLE_END)) return static_cast<std::int32_t>(twoK * BINS_PER_INV_ANGSTROM);
  return Q_TABLE_BINS;
}

// Is the transfer q (1/Å), which excites the helium at angular frequency wp
// (1/ps, from WQ), allowed for a neutron of energy E (meV) and wave number
// k: a positive energy left, and a closed triangle of k, k' and q, that is
// the cosine cs = ((k^2 + k'^2) - q^2) / (2k k') not beyond 1 in magnitude.
//
// The test |cs| > 1 is made as |num| > |den| without the division, which
// gives the same answer for every pair of doubles. The rounded quotient's
// magnitude is that of |num| / |den|. If |num| <= |den| the exact quotient is
// at most 1, and so is its rounding. If |num| > |den| then |num| is at least
// the next double above |den|, so the exact quotient exceeds 1 by at least
// ulp(den) / |den| > 2^-53, half the spacing of the doubles above 1, and it
// rounds above 1 (or to infinity). A zero, infinite or NaN operand gives
// NaN, 0 or infinity on both sides alike (0/0 and inf/inf are NaN, not
// above 1, as 0 > 0 and inf > inf are false).
inline bool transferAllowed(double q, double wp, double E, double k) {
  const double ep = E - wp * HBAR_MEV_PS;
  if (!(ep > 0)) return false;
  const double kp = std::sqrt(TWO_NEUTRON_MASS * ep) / HBAR_MEV_PS;
  const double num = (k * k + kp * kp) - q * q;
  const double den = (k * 2) * kp;
  return !(std::fabs(num) > std::fabs(den));
}

}  // namespace tarn
