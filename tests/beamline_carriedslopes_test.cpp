// The routines given the slopes tan(thx), tan(thy) by their caller give the
// outputs they give when they take the slopes themselves, bit for bit: GUIDE,
// INCOIL, SM, OUTCOIL and EMPTY over many random neutrons (straight
// passages, one and two reflections, absorption, outside the window), the
// chain GUIDE -> INCOIL and OUTCOIL -> SM with the slopes carried across by
// slopeAfter, and slopeAfter itself.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "transport/beamline/empty.h"
#include "transport/beamline/guide.h"
#include "transport/beamline/incoil.h"
#include "transport/beamline/outcoil.h"
#include "transport/beamline/sm.h"
#include "transport/recentcalls.h"

namespace {

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }

struct Neutron {
  double E, x, y, z, thx, thy;
};

struct Out {
  double E = 0.0, x = 0.0, y = 0.0, z = 0.0, thx = 0.0, thy = 0.0;
};

void expectSameBits(const Out& a, const Out& b, int k) {
  ASSERT_EQ(bits(a.E), bits(b.E)) << k;
  ASSERT_EQ(bits(a.x), bits(b.x)) << k;
  ASSERT_EQ(bits(a.y), bits(b.y)) << k;
  ASSERT_EQ(bits(a.z), bits(b.z)) << k;
  ASSERT_EQ(bits(a.thx), bits(b.thx)) << k;
  ASSERT_EQ(bits(a.thy), bits(b.thy)) << k;
}

// Neutrons of 0.5 to 80 meV over |x| <= xMax, |y| <= yMax (a few beyond, to
// miss the window), at angles up to 4 times the critical angle of 0.001
// rad/Å (most of them reflect or are absorbed in a long guide), some of
// them exactly zero, and a quarter grazing a wall.
class Neutrons {
 public:
  Neutrons(std::uint64_t seed, double xMax, double yMax) : random_(seed), xMax_(xMax), yMax_(yMax) {}
  Neutron next() {
    Neutron n;
    n.E = 0.5 + 79.5 * uniform();
    const double lambda = 4.135665730796 / std::sqrt(n.E * 0.2090815502);
    n.x = (2.0 * uniform() - 1.0) * xMax_ * 1.05;
    n.y = (2.0 * uniform() - 1.0) * yMax_ * 1.05;
    n.z = 100.0 * uniform();
    n.thx = (2.0 * uniform() - 1.0) * 0.004 * lambda;
    n.thy = (2.0 * uniform() - 1.0) * 0.004 * lambda;
    const auto pick = random_() % 16;
    if (pick == 0) n.thx = 0.0;
    if (pick == 1) n.thy = -0.0;
    if (pick >= 12) n.x = std::copysign(xMax_ * (1.0 - 0.01 * uniform()), n.thx);
    return n;
  }

 private:
  double uniform() { return std::uniform_real_distribution<double>(0.0, 1.0)(random_); }
  std::mt19937_64 random_;
  double xMax_, yMax_;
};

constexpr int NEUTRONS = 100000;

template <typename Plain, typename Carried>
void compareGuide(std::uint64_t seed, double W, double H, Plain plain, Carried carried) {
  Neutrons source(seed, W, H);
  int reflected = 0, lost = 0;
  for (int k = 0; k < NEUTRONS; ++k) {
    const Neutron n = source.next();
    Out a, b;
    plain(n, a);
    carried(n, std::tan(n.thx), std::tan(n.thy), b);
    expectSameBits(a, b, k);
    if (::testing::Test::HasFatalFailure()) return;
    if (a.x < -1.0e5 || a.y < -1.0e5)
      ++lost;
    else if (bits(a.thx) != bits(n.thx) || bits(a.thy) != bits(n.thy))
      ++reflected;
  }
  // The sample reaches reflections and losses, not only straight passages.
  EXPECT_GT(reflected, NEUTRONS / 50);
  EXPECT_GT(lost, NEUTRONS / 20);
}

}  // namespace

TEST(BeamlineCarriedSlopes, GuideGivesTheSameBits) {
  compareGuide(
      1, 3.05, 2.55,
      [](const Neutron& n, Out& o) {
        GUIDE(116.0, 0.001, 3.05, 2.55, n.E, n.x, n.y, n.z, n.thx, n.thy, o.x, o.y, o.z, o.thx, o.thy);
      },
      [](const Neutron& n, double sx, double sy, Out& o) {
        GUIDE(116.0, 0.001, 3.05, 2.55, n.E, n.x, n.y, n.z, n.thx, n.thy, o.x, o.y, o.z, o.thx, o.thy, sx, sy);
      });
}

TEST(BeamlineCarriedSlopes, IncoilGivesTheSameBits) {
  compareGuide(
      2, 3.05, 2.55,
      [](const Neutron& n, Out& o) {
        INCOIL(89.0, 0.001, 3.05, 2.55, n.E, n.x, n.y, n.z, n.thx, n.thy, o.x, o.y, o.z, o.thx, o.thy);
      },
      [](const Neutron& n, double sx, double sy, Out& o) {
        INCOIL(89.0, 0.001, 3.05, 2.55, n.E, n.x, n.y, n.z, n.thx, n.thy, o.x, o.y, o.z, o.thx, o.thy, sx, sy);
      });
}

TEST(BeamlineCarriedSlopes, SmGivesTheSameBits) {
  compareGuide(
      3, 2.85, 2.25,
      [](const Neutron& n, Out& o) {
        SM(28.0, 0.001, 2.85, 2.25, n.E, n.x, n.y, n.z, n.thx, n.thy, o.x, o.y, o.z, o.thx, o.thy);
      },
      [](const Neutron& n, double sx, double sy, Out& o) {
        SM(28.0, 0.001, 2.85, 2.25, n.E, n.x, n.y, n.z, n.thx, n.thy, o.x, o.y, o.z, o.thx, o.thy, sx, sy);
      });
}

TEST(BeamlineCarriedSlopes, OutcoilGivesTheSameBits) {
  compareGuide(
      4, 3.0, 2.5,
      [](const Neutron& n, Out& o) {
        OUTCOIL(108.0, 0.001, 3.0, 0.35, 2.5, n.E, n.x, n.y, n.z, n.thx, n.thy, o.x, o.y, o.z, o.thx, o.thy);
      },
      [](const Neutron& n, double sx, double sy, Out& o) {
        OUTCOIL(108.0, 0.001, 3.0, 0.35, 2.5, n.E, n.x, n.y, n.z, n.thx, n.thy, o.x, o.y, o.z, o.thx, o.thy, sx, sy);
      });
}

TEST(BeamlineCarriedSlopes, EmptyGivesTheSameBits) {
  Neutrons source(5, 3.0, 2.5);
  int passed = 0;
  for (int k = 0; k < NEUTRONS; ++k) {
    const Neutron n = source.next();
    Out a, b;
    EMPTY(n.E, n.x, n.y, n.z, n.thx, n.thy, -3.0, -0.35, -2.5, 2.5, 41.6, a.E, a.x, a.y, a.z, a.thx, a.thy);
    EMPTY(n.E, n.x, n.y, n.z, n.thx, n.thy, -3.0, -0.35, -2.5, 2.5, 41.6, b.E, b.x, b.y, b.z, b.thx, b.thy,
          std::tan(n.thx), std::tan(n.thy));
    expectSameBits(a, b, k);
    if (HasFatalFailure()) return;
    passed += a.x > -1.0e5;
  }
  EXPECT_GT(passed, NEUTRONS / 20);
  EXPECT_LT(passed, NEUTRONS / 2);
}

// GUIDE then INCOIL as the guide stage runs them: the slopes of GUIDE's
// outputs from slopeAfter, against both routines taking their own.
TEST(BeamlineCarriedSlopes, GuideThenIncoilWithCarriedSlopes) {
  Neutrons source(6, 3.05, 2.55);
  int mirrored = 0;
  for (int k = 0; k < NEUTRONS; ++k) {
    const Neutron n = source.next();
    Out g, a, b;
    GUIDE(116.0, 0.001, 3.05, 2.55, n.E, n.x, n.y, n.z, n.thx, n.thy, g.x, g.y, g.z, g.thx, g.thy);
    if (g.x < -1.0e5 || g.y < -1.0e5) continue;
    INCOIL(89.0, 0.001, 3.05, 2.55, n.E, g.x, g.y, g.z, g.thx, g.thy, a.x, a.y, a.z, a.thx, a.thy);
    const double sx = std::tan(n.thx), sy = std::tan(n.thy);
    const double gx = tarn::slopeAfter(g.thx, n.thx, sx), gy = tarn::slopeAfter(g.thy, n.thy, sy);
    ASSERT_EQ(bits(gx), bits(std::tan(g.thx))) << k;
    ASSERT_EQ(bits(gy), bits(std::tan(g.thy))) << k;
    INCOIL(89.0, 0.001, 3.05, 2.55, n.E, g.x, g.y, g.z, g.thx, g.thy, b.x, b.y, b.z, b.thx, b.thy, gx, gy);
    expectSameBits(a, b, k);
    if (HasFatalFailure()) return;
    mirrored += bits(g.thx) != bits(n.thx);
  }
  EXPECT_GT(mirrored, NEUTRONS / 50);
}

// OUTCOIL then SM as the output stage runs them.
TEST(BeamlineCarriedSlopes, OutcoilThenSmWithCarriedSlopes) {
  Neutrons source(7, 3.0, 2.5);
  int mirrored = 0;
  for (int k = 0; k < NEUTRONS; ++k) {
    const Neutron n = source.next();
    Out o, a, b;
    const double sx = std::tan(n.thx), sy = std::tan(n.thy);
    OUTCOIL(108.0, 0.001, 3.0, 0.35, 2.5, n.E, n.x, n.y, n.z, n.thx, n.thy, o.x, o.y, o.z, o.thx, o.thy, sx, sy);
    if (o.x < -1.0e5 || o.y < -1.0e5) continue;
    SM(28.0, 0.003, 2.85, 2.25, n.E, o.x, o.y, o.z, o.thx, o.thy, a.x, a.y, a.z, a.thx, a.thy);
    SM(28.0, 0.003, 2.85, 2.25, n.E, o.x, o.y, o.z, o.thx, o.thy, b.x, b.y, b.z, b.thx, b.thy,
       tarn::slopeAfter(o.thx, n.thx, sx), tarn::slopeAfter(o.thy, n.thy, sy));
    expectSameBits(a, b, k);
    if (HasFatalFailure()) return;
    mirrored += bits(o.thx) != bits(n.thx) || bits(o.thy) != bits(n.thy);
  }
  EXPECT_GT(mirrored, NEUTRONS / 50);
}

TEST(BeamlineCarriedSlopes, SlopeAfterKeepsOnlyTheSameBits) {
  const double a = 0.0123;
  const double s = std::tan(a);
  EXPECT_EQ(bits(tarn::slopeAfter(a, a, s)), bits(s));
  // A stand-in slope is returned only for the very same angle.
  EXPECT_EQ(bits(tarn::slopeAfter(a, a, 7.0)), bits(7.0));
  EXPECT_EQ(bits(tarn::slopeAfter(-a, a, 7.0)), bits(std::tan(-a)));
  EXPECT_EQ(bits(tarn::slopeAfter(std::nextafter(a, 1.0), a, 7.0)), bits(std::tan(std::nextafter(a, 1.0))));
  // +0 and -0 are different angles with different slopes.
  EXPECT_EQ(bits(tarn::slopeAfter(-0.0, 0.0, 0.0)), bits(-0.0));
  EXPECT_EQ(bits(tarn::slopeAfter(0.0, -0.0, -0.0)), bits(0.0));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(std::isnan(tarn::slopeAfter(nan, a, s)));
}
