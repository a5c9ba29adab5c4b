// The transfer test of the momentum-transfer draw (transferAllowed, and the
// start-up estimate's transferAllowedEstimated) against
// the cosine worked out with its division, as the event loop first made it:
// over the runs' ranges, across both edges of the triangle ulp by ulp, and
// on zeros, infinities and NaNs. And its answer without k' (provenTransfer):
// never a claim the cosine does not make, and a claim for nearly every draw.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "transport/constants.h"
#include "transport/event/kinematics.h"

namespace {

bool byQuotient(double q, double wp, double E, double k) {
  const double ep = E - wp * tarn::HBAR_MEV_PS;
  if (!(ep > 0)) return false;
  const double kp = std::sqrt(tarn::TWO_NEUTRON_MASS * ep) / tarn::HBAR_MEV_PS;
  const double cs = ((k * k + kp * kp) - q * q) / ((k * 2) * kp);
  return !(std::fabs(cs) > 1);
}

double outgoingWavenumber(double wp, double E) {
  return std::sqrt(tarn::TWO_NEUTRON_MASS * (E - wp * tarn::HBAR_MEV_PS)) / tarn::HBAR_MEV_PS;
}

TEST(TransferKinematics, AgreesWithTheQuotientOverTheRunsRanges) {
  std::mt19937_64 gen(20261211);
  std::uniform_real_distribution<double> lambda(0.5, 20.0), q(0.0, 3.7), wp(-2.0, 20.0);
  int allowed = 0;
  const int n = 400000;
  for (int i = 0; i < n; ++i) {
    const double E = tarn::energyOfWavelength(static_cast<float>(lambda(gen)));
    const double k = tarn::wavenumber(E);
    const double qi = q(gen), wi = wp(gen);
    const bool got = tarn::transferAllowed(qi, wi, E, k);
    ASSERT_EQ(got, byQuotient(qi, wi, E, k)) << "q " << qi << " wp " << wi << " E " << E;
    ASSERT_EQ(tarn::transferAllowedEstimated(qi, wi, E, k), got);
    allowed += got;
  }
  // Both outcomes are exercised, not only one.
  EXPECT_GT(allowed, n / 20);
  EXPECT_LT(allowed, n - n / 20);
}

// At q = |k - k'| and q = k + k' the cosine is 1 or -1: the quotient rounds
// to 1 on one side and beyond it on the other, where a test of |num| >= |den|
// or one that lost the last bit would differ.
TEST(TransferKinematics, AgreesWithTheQuotientUlpByUlpAcrossBothEdges) {
  std::mt19937_64 gen(7);
  std::uniform_real_distribution<double> lambda(1.0, 10.0), wp(-1.0, 1.5);
  int flips = 0;
  for (int i = 0; i < 300; ++i) {
    const double E = tarn::energyOfWavelength(static_cast<float>(lambda(gen)));
    const double k = tarn::wavenumber(E);
    const double w = wp(gen);
    if (!(E - w * tarn::HBAR_MEV_PS > 0)) continue;
    const double kp = outgoingWavenumber(w, E);
    for (const double edge : {std::fabs(k - kp), k + kp}) {
      double qi = edge;
      for (int s = 0; s < 300; ++s) qi = std::nextafter(qi, 0.0);
      bool previous = tarn::transferAllowed(qi, w, E, k);
      for (int s = 0; s < 600; ++s) {
        qi = std::nextafter(qi, 10.0);
        const bool got = tarn::transferAllowed(qi, w, E, k);
        ASSERT_EQ(got, byQuotient(qi, w, E, k)) << "q " << qi << " (edge " << edge << ") wp " << w << " E " << E;
        ASSERT_EQ(tarn::transferAllowedEstimated(qi, w, E, k), got);
        flips += got != previous;
        previous = got;
      }
    }
  }
  // The scans do cross the edges.
  EXPECT_GT(flips, 300);
}

TEST(TransferKinematics, AgreesWithTheQuotientOnZerosInfinitiesAndNaNs) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double tiny = std::numeric_limits<double>::denorm_min();
  const double big = std::numeric_limits<double>::max();
  const double values[] = {0.0, -0.0, tiny, -tiny, 1e-300, 1e-160, 0.5, 1.0, 2.0, 1e160, big, -1.0, inf, -inf, nan};
  int cases = 0;
  for (const double q : values)
    for (const double wp : values)
      for (const double E : values)
        for (const double k : values) {
          ASSERT_EQ(tarn::transferAllowed(q, wp, E, k), byQuotient(q, wp, E, k))
              << "q " << q << " wp " << wp << " E " << E << " k " << k;
          ASSERT_EQ(tarn::transferAllowedEstimated(q, wp, E, k), byQuotient(q, wp, E, k));
          ++cases;
        }
  EXPECT_EQ(cases, 15 * 15 * 15 * 15);
}

// provenTransfer's claims, wherever it makes one, are the cosine's answer:
// over the runs' ranges (where it decides all but a few in 10^5) and within
// a relative 2^-30 of both edges, where its margin of 2^-40 leaves ever more
// to the exact form down to the last ulps.
TEST(TransferKinematics, ProvenAnswersAreTheQuotientsAndCoverNearlyEveryDraw) {
  std::mt19937_64 gen(11);
  std::uniform_real_distribution<double> lambda(0.5, 20.0), q(0.0, 3.7), wp(-2.0, 20.0), unit(-1.0, 1.0);
  const auto check = [](double qi, double w, double E, double k) {
    const double ep = E - w * tarn::HBAR_MEV_PS;
    if (!(ep > 0)) return true;  // refused before any claim
    const tarn::TransferAnswer a = tarn::provenTransfer(qi, ep, k);
    if (a == tarn::TransferAnswer::Uncertain) return false;
    EXPECT_EQ(a == tarn::TransferAnswer::Allowed, byQuotient(qi, w, E, k)) << "q " << qi << " wp " << w << " E " << E;
    return true;
  };
  int uncertain = 0;
  const int n = 400000;
  for (int i = 0; i < n; ++i) {
    const double E = tarn::energyOfWavelength(static_cast<float>(lambda(gen)));
    uncertain += !check(q(gen), wp(gen), E, tarn::wavenumber(E));
  }
  EXPECT_LT(uncertain, n / 10000);
  // Near the edges: q = edge * (1 + d), d spread over magnitudes down to
  // ulps, with energies left from nearly all of E (k' close to k) down to
  // 10^-8 of it (k' far below k, where S is far above |den|).
  int near = 0, nearUncertain = 0;
  std::uniform_real_distribution<double> leftExponent(-8.0, 0.0);
  for (int i = 0; i < 4000; ++i) {
    const double E = tarn::energyOfWavelength(static_cast<float>(lambda(gen)));
    const double k = tarn::wavenumber(E);
    const double w = i % 2 == 0 ? wp(gen) / 10.0 : E * (1.0 - std::pow(10.0, leftExponent(gen))) / tarn::HBAR_MEV_PS;
    if (!(E - w * tarn::HBAR_MEV_PS > 0)) continue;
    const double kp = outgoingWavenumber(w, E);
    for (const double edge : {std::fabs(k - kp), k + kp})
      for (int e = 30; e <= 53; ++e) {
        const double qi = edge * (1.0 + unit(gen) * std::ldexp(1.0, -e));
        nearUncertain += !check(qi, w, E, k);
        ++near;
      }
  }
  EXPECT_GT(nearUncertain, near / 10);  // the exact form is asked near the edges
  EXPECT_LT(nearUncertain, near);       // and the claims reach close to them
}

}  // namespace
