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
//
// transferAllowedByCosine makes the triangle's test for the energy left
// ep = E - wp hbar > 0 through k' itself, for every value; transferAllowed
// below decides most draws before that, without k' (provenTransfer).
inline bool transferAllowedByCosine(double q, double ep, double k) {
  const double kp = std::sqrt(TWO_NEUTRON_MASS * ep) / HBAR_MEV_PS;
  const double num = (k * k + kp * kp) - q * q;
  const double den = (k * 2) * kp;
  return !(std::fabs(num) > std::fabs(den));
}

// provenTransfer's answer: the triangle closes, it does not, or only the
// test through k' can tell.
enum class TransferAnswer { Allowed, Refused, Uncertain };

// k'^2 per meV of the neutron's energy, 1/(Å^2 meV).
constexpr double KP2_PER_MEV = TWO_NEUTRON_MASS / HBAR_SQUARED;

// transferAllowed's answer for the energy left ep > 0, when it is certain
// without the square root and division that make k' (Uncertain otherwise).
// P = KP2_PER_MEV * ep stands for kp * kp: the exact form reaches that
// through T * ep, its root, the division by hbar and the square, and the
// two differ by less than 12 roundings u = 2^-53 of P. So num as rounded and
// a = |(K2 + P) - Q2| (K2 = k * k, Q2 = q * q) differ by less than 16u S,
// S = K2 + P + Q2, and den^2 = (2k kp)^2 as rounded and 4 K2 P by less than
// 20u of it. MARGIN = 2^-40 is 2^13 u: tau = S * MARGIN covers the first,
// 4 K2 P (1 +- 2 MARGIN) the second and the roundings of the tests here, so
//   a > tau and (a - tau)^2 > 4 K2 P (1 + 2 MARGIN)  gives |num| > |den|;
//   (a + tau)^2 < 4 K2 P (1 - 2 MARGIN)              gives |num| < |den|.
// Values within about 2^-40 of the edge, and magnitudes so small or large
// that the squares would leave the normal doubles (or NaN and infinities),
// are left to the exact form.
inline TransferAnswer provenTransfer(double q, double ep, double k) {
  constexpr double MARGIN = 0x1p-40;
  constexpr double SMALLEST = 0x1p-400, LARGEST = 0x1p+400;  // squares stay normal
  const double K2 = k * k;
  const double Q2 = q * q;
  const double P = KP2_PER_MEV * ep;
  const double S = (K2 + P) + Q2;
  if (!(K2 >= SMALLEST && P >= SMALLEST && S <= LARGEST)) return TransferAnswer::Uncertain;
  const double a = std::fabs((K2 + P) - Q2);
  const double tau = S * MARGIN;
  const double den2 = (4 * K2) * P;
  if (a > tau && (a - tau) * (a - tau) > den2 * (1 + 2 * MARGIN)) return TransferAnswer::Refused;
  if ((a + tau) * (a + tau) < den2 * (1 - 2 * MARGIN)) return TransferAnswer::Allowed;
  return TransferAnswer::Uncertain;
}

// The event loop's test, on the draw's chain: decided without k' where
// that is certain, the same answer for every value. The start-up estimate,
// which makes many tests independent of each other (where the root and the
// division cost less than provenTransfer's instructions), asks
// transferAllowedEstimated.
inline bool transferAllowed(double q, double wp, double E, double k) {
  const double ep = E - wp * HBAR_MEV_PS;
  if (!(ep > 0)) return false;
  const TransferAnswer proven = provenTransfer(q, ep, k);
  if (proven != TransferAnswer::Uncertain) return proven == TransferAnswer::Allowed;
  return transferAllowedByCosine(q, ep, k);
}

inline bool transferAllowedEstimated(double q, double wp, double E, double k) {
  const double ep = E - wp * HBAR_MEV_PS;
  if (!(ep > 0)) return false;
  return transferAllowedByCosine(q, ep, k);
}

}  // namespace tarn
