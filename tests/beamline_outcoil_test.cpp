// OUTCOIL: split guide, two channels either side of a septum (cm, rad, meV).
#include <cmath>

#include <gtest/gtest.h>

#include "transport/beamline/outcoil.h"
#include "transport/lost.h"

namespace {

constexpr double MARKER = -1.0e6;

double lambdaOf(double E) { return 4.135665730796 / std::sqrt(E * 0.2090815502); }
// Displacement over the 108 cm section.
double shift(double th) { return std::tan(th) * 108.0; }

struct Out {
  double x = 0.0, y = 0.0, z = 0.0, thx = 0.0, thy = 0.0;
};

Out outcoil(double crit, double E, double x, double y, double z, double thx, double thy) {
  Out o;
  OUTCOIL(108.0, crit, 3.0, 0.35, 2.5, E, x, y, z, thx, thy, o.x, o.y, o.z, o.thx, o.thy);
  return o;
}
Out outcoil(double E, double x, double thx) { return outcoil(0.001, E, x, 0.0, 0.0, thx, 0.0); }

void expectAllMarked(const Out& o) {
  EXPECT_EQ(o.x, MARKER);
  EXPECT_EQ(o.y, MARKER);
  EXPECT_EQ(o.z, MARKER);
  EXPECT_EQ(o.thx, MARKER);
  EXPECT_EQ(o.thy, MARKER);
  EXPECT_TRUE(tarn::isLost(o.x, o.y));
}

// Energies (meV) and their critical angles at 0.001 rad/Å.
constexpr double E5 = 5.0;     // thcrit ~ 0.0040
constexpr double E1 = 1.0;     // thcrit ~ 0.0090
constexpr double E02 = 0.2;    // thcrit ~ 0.0202
constexpr double E005 = 0.05;  // thcrit ~ 0.0404

TEST(BeamlineOutcoil, CriticalAnglesOfTheTestEnergies) {
  EXPECT_NEAR(lambdaOf(E5) * 0.001, 0.004045, 1e-6);
  EXPECT_GT(lambdaOf(E1) * 0.001, 0.005);
  EXPECT_GE(lambdaOf(E02) * 0.001, 0.02);
  EXPECT_GE(lambdaOf(E005) * 0.001, 0.04);
}

TEST(BeamlineOutcoil, EntranceWindow) {
  // Septum faces and outer walls are inside.
  for (double x : {0.35, -0.35, 3.0, -3.0}) {
    Out o = outcoil(E5, x, 0.0);
    EXPECT_EQ(o.x, x) << x;
    EXPECT_EQ(o.z, 108.0);
  }
  Out o = outcoil(0.001, E5, 1.0, 2.5, 0.0, 0.0, 0.0);
  EXPECT_EQ(o.y, 2.5);
  o = outcoil(0.001, E5, -1.0, -2.5, 0.0, 0.0, 0.0);
  EXPECT_EQ(o.y, -2.5);

  // Septum, beyond the outer walls, above and below: all five marked.
  for (double x : {0.3, 0.0, -0.3, 3.05, -3.05, std::nextafter(0.35, 0.0),
                   std::nextafter(3.0, 4.0)}) {
    expectAllMarked(outcoil(E5, x, 0.0));
  }
  expectAllMarked(outcoil(0.001, E5, 1.0, std::nextafter(2.5, 3.0), 0.0, 0.0, 0.0));
  expectAllMarked(outcoil(0.001, E5, -1.0, std::nextafter(-2.5, -3.0), 0.0, 0.0, 0.0));
}

TEST(BeamlineOutcoil, StaysInItsChannel) {
  // x = 1.0, thx = 0.01: X ~ 2.08 in the right channel.
  Out o = outcoil(0.001, E5, 1.0, 0.5, 343.0, 0.01, -0.01);
  EXPECT_EQ(o.x, shift(0.01) + 1.0);
  EXPECT_NEAR(o.x, 2.08, 1e-3);
  EXPECT_EQ(o.thx, 0.01);
  EXPECT_EQ(o.y, shift(-0.01) + 0.5);
  EXPECT_EQ(o.thy, -0.01);
  EXPECT_EQ(o.z, 343.0 + 108.0);

  o = outcoil(E5, -2.0, 0.005);
  EXPECT_EQ(o.x, shift(0.005) + -2.0);
  EXPECT_EQ(o.thx, 0.005);
}

TEST(BeamlineOutcoil, SingleReflectionsInX) {
  // Right channel, septum face at 0.35: x = 0.5, thx = -0.005, X ~ -0.04.
  Out o = outcoil(E1, 0.5, -0.005);
  EXPECT_EQ(o.x, 0.7 - shift(-0.005) - 0.5);
  EXPECT_NEAR(o.x, 0.74, 1e-3);
  EXPECT_EQ(o.thx, 0.005);

  // Right channel, outer wall at 3.0: x = 2.9, X ~ 3.116.
  o = outcoil(E5, 2.9, 0.002);
  EXPECT_EQ(o.x, 6.0 - shift(0.002) - 2.9);
  EXPECT_EQ(o.thx, -0.002);

  // Left channel, septum face at -0.35, path aimed into the right channel:
  // x = -0.5, thx = 0.02, X ~ 1.66.
  EXPECT_NEAR(shift(0.02) + -0.5, 1.66, 1e-2);
  o = outcoil(E02, -0.5, 0.02);
  EXPECT_EQ(o.x, -0.7 - shift(0.02) - -0.5);
  EXPECT_NEAR(o.x, -2.36, 1e-2);
  EXPECT_EQ(o.thx, -0.02);

  // The mirror case: from the right channel aimed into the left one.
  o = outcoil(E02, 0.5, -0.02);
  EXPECT_EQ(o.x, 0.7 - shift(-0.02) - 0.5);
  EXPECT_NEAR(o.x, 2.36, 1e-2);
  EXPECT_EQ(o.thx, 0.02);

  // Left channel, outer wall at -3.0.
  o = outcoil(E5, -2.9, -0.002);
  EXPECT_EQ(o.x, -6.0 - shift(-0.002) - -2.9);
  EXPECT_EQ(o.thx, 0.002);
}

TEST(BeamlineOutcoil, MirrorImageIsEvaluatedLeftToRight) {
  // (0.7 - t) - x; here 0.7 - (t + x) differs in the last bit.
  const double t = shift(-0.0005);
  ASSERT_NE((0.7 - t) - 0.35, 0.7 - (t + 0.35));
  Out o = outcoil(E5, 0.35, -0.0005);
  EXPECT_EQ(o.x, (0.7 - t) - 0.35);

  const double tl = shift(0.0005);
  ASSERT_NE((-0.7 - tl) - -0.35, -0.7 - (tl + -0.35));
  o = outcoil(E5, -0.35, 0.0005);
  EXPECT_EQ(o.x, (-0.7 - tl) - -0.35);
}

TEST(BeamlineOutcoil, AbsorbedInXKeepsYAndZ) {
  // x = -0.5, thx = 0.02 at 5 meV: thcrit ~ 0.004 < 0.02, lost in x.
  Out o = outcoil(0.001, E5, -0.5, 1.0, 20.0, 0.02, 0.001);
  EXPECT_EQ(o.x, MARKER);
  EXPECT_EQ(o.thx, MARKER);
  EXPECT_EQ(o.y, shift(0.001) + 1.0);
  EXPECT_EQ(o.thy, 0.001);
  EXPECT_EQ(o.z, 20.0 + 108.0);
  EXPECT_TRUE(tarn::isLost(o.x, o.y));

  // The same from the right channel and at the outer walls.
  o = outcoil(E5, 0.5, -0.02);
  EXPECT_EQ(o.x, MARKER);
  o = outcoil(E5, 2.9, 0.005);
  EXPECT_EQ(o.x, MARKER);
  o = outcoil(E5, -2.9, -0.005);
  EXPECT_EQ(o.x, MARKER);
}

TEST(BeamlineOutcoil, CriticalAngleBoundary) {
  const double thcrit = lambdaOf(E1) * 0.001;
  // Right channel toward the septum face: x = 0.5, X ~ -0.47.
  Out o = outcoil(E1, 0.5, -thcrit);
  EXPECT_EQ(o.thx, thcrit);
  EXPECT_EQ(o.x, 0.7 - shift(-thcrit) - 0.5);
  o = outcoil(E1, 0.5, -std::nextafter(thcrit, 1.0));
  EXPECT_EQ(o.x, MARKER);
  EXPECT_EQ(o.thx, MARKER);
}

TEST(BeamlineOutcoil, DoubleReflectionsInX) {
  // Right, outer wall then septum face: image 6.0 - t - x < 0.35.
  double t = shift(0.035);
  ASSERT_LT(6.0 - t - 1.95, 0.35);
  ASSERT_NE((t - 5.3) + 1.95, t + (1.95 - 5.3));  // the order is visible
  Out o = outcoil(E005, 1.95, 0.035);
  EXPECT_EQ(o.x, (t - 5.3) + 1.95);
  EXPECT_EQ(o.thx, 0.035);

  // Right, septum face then outer wall: image 0.7 - t - x > 3.0.
  t = shift(-0.04);
  ASSERT_GT(0.7 - t - 0.5, 3.0);
  o = outcoil(E005, 0.5, -0.04);
  EXPECT_EQ(o.x, t + 5.3 + 0.5);
  EXPECT_NEAR(o.x, 1.48, 1e-2);
  EXPECT_EQ(o.thx, -0.04);

  // Left, septum face then outer wall: image -0.7 - t - x < -3.0.
  t = shift(0.04);
  ASSERT_LT(-0.7 - t - -0.5, -3.0);
  o = outcoil(E005, -0.5, 0.04);
  EXPECT_EQ(o.x, t - 5.3 + -0.5);
  EXPECT_NEAR(o.x, -1.48, 1e-2);
  EXPECT_EQ(o.thx, 0.04);

  // Left, outer wall then septum face: image -6.0 - t - x > -0.35.
  t = shift(-0.035);
  ASSERT_GT(-6.0 - t - -1.95, -0.35);
  o = outcoil(E005, -1.95, -0.035);
  EXPECT_EQ(o.x, t + 5.3 + -1.95);
  EXPECT_EQ(o.thx, -0.035);
}

TEST(BeamlineOutcoil, VerticalPlane) {
  // One reflection at the top: (5.0 - u) - y; 5.0 - (u + y) differs here.
  double u = shift(0.0001);
  ASSERT_NE((5.0 - u) - 2.49, 5.0 - (u + 2.49));
  Out o = outcoil(0.001, E5, 1.0, 2.49, 0.0, 0.0, 0.0001);
  EXPECT_EQ(o.y, (5.0 - u) - 2.49);
  EXPECT_EQ(o.thy, -0.0001);
  EXPECT_EQ(o.x, 1.0);

  // At the bottom.
  u = shift(-0.003);
  o = outcoil(0.001, E5, 1.0, -2.4, 0.0, 0.0, -0.003);
  EXPECT_EQ(o.y, -5.0 - u - -2.4);
  EXPECT_EQ(o.thy, 0.003);

  // Beyond the critical angle: lost in y, x and z real.
  o = outcoil(0.001, E5, 1.0, 2.4, 0.0, 0.0, 0.005);
  EXPECT_EQ(o.y, MARKER);
  EXPECT_EQ(o.thy, MARKER);
  EXPECT_EQ(o.x, 1.0);
  EXPECT_EQ(o.z, 108.0);
  EXPECT_TRUE(tarn::isLost(o.x, o.y));

  // A path that needs two reflections: only one is made; yout lies below
  // -2.5 and the neutron is not marked lost. 0.01 meV: thcrit ~ 0.090.
  u = shift(0.07);
  o = outcoil(0.001, 0.01, 1.0, 1.0, 0.0, 0.0, 0.07);
  EXPECT_EQ(o.y, 5.0 - u - 1.0);
  EXPECT_LT(o.y, -2.5);
  EXPECT_EQ(o.thy, -0.07);
  EXPECT_FALSE(tarn::isLost(o.x, o.y));
}

}  // namespace

// Other dimensions (a described beamline): the channels, the walls and the
// mirror images follow the arguments.
TEST(BeamlineOutcoil, DimensionsFromTheArguments) {
  // 200 cm, outer walls at 4.0, septum faces at 1.0, walls at y = +-3.0.
  auto run = [](double x, double y, double thx, double thy) {
    Out o;
    OUTCOIL(200.0, 0.01, 4.0, 1.0, 3.0, 5.0, x, y, 10.0, thx, thy, o.x, o.y, o.z, o.thx, o.thy);
    return o;
  };
  const double t = std::tan(0.01) * 200.0;  // 2.0 cm
  // 0.9 is inside the septum, 1.0 and 4.0 on the faces are in; |y| = 3.0 in, 3.1 out.
  expectAllMarked(run(0.9, 0.0, 0.0, 0.0));
  EXPECT_EQ(run(1.0, 3.0, 0.0, 0.0).x, 1.0);
  EXPECT_EQ(run(-4.0, -3.0, 0.0, 0.0).x, -4.0);
  expectAllMarked(run(2.0, 3.1, 0.0, 0.0));
  // Right channel: reflected at the outer wall 4.0 (image 8 - t - x), then at
  // the septum face 1.0 when the image passes it (t - 6 + x).
  Out o = run(3.0, 0.0, 0.01, 0.0);
  EXPECT_EQ(o.x, 8.0 - t - 3.0);
  EXPECT_EQ(o.thx, -0.01);
  EXPECT_EQ(o.z, 210.0);
  o = run(1.5, 0.0, -0.01, 0.0);  // at the septum face 1.0: image 2 - t - x
  EXPECT_EQ(o.x, 2.0 - std::tan(-0.01) * 200.0 - 1.5);
  EXPECT_EQ(o.thx, 0.01);
  o = run(1.5, 0.0, -0.03, 0.0);  // the image 6.5 lies beyond 4.0: twice, at t + 2 (4 - 1) + x
  EXPECT_EQ(o.x, std::tan(-0.03) * 200.0 + 6.0 + 1.5);
  EXPECT_EQ(o.thx, -0.03);
  // Left channel, towards the septum face at -1.0: image -2 - t - x.
  o = run(-1.5, 0.0, 0.004, 0.0);
  EXPECT_EQ(o.x, -2.0 - std::tan(0.004) * 200.0 - -1.5);
  // One vertical reflection at y = 3.0: image 6 - u - y.
  o = run(2.0, 2.5, 0.0, 0.005);
  EXPECT_EQ(o.y, 6.0 - std::tan(0.005) * 200.0 - 2.5);
  EXPECT_EQ(o.thy, -0.005);
}
