// GUIDE, INCOIL and SM: reflecting guide sections (cm, rad, meV, Å).
#include <cmath>

#include <gtest/gtest.h>

#include "transport/beamline/guide.h"
#include "transport/beamline/incoil.h"
#include "transport/beamline/reflect.h"
#include "transport/beamline/sm.h"
#include "transport/lost.h"

namespace {

constexpr double MARKER = -1.0e6;

// Neutron wavelength (Å) from energy (meV): h / sqrt(2 m E).
double lambdaOf(double E) { return 4.135665730796 / std::sqrt(E * 0.2090815502); }

struct Out {
  double x = 0.0, y = 0.0, z = 0.0, thx = 0.0, thy = 0.0;
};

Out guide(double L, double crit, double E, double x, double y, double z, double thx, double thy) {
  Out o;
  GUIDE(L, crit, 3.05, 2.55, E, x, y, z, thx, thy, o.x, o.y, o.z, o.thx, o.thy);
  return o;
}
Out guide116(double E, double x, double y, double thx, double thy) {
  return guide(116.0, 0.001, E, x, y, 0.0, thx, thy);
}
Out incoil(double crit, double E, double x, double y, double z, double thx, double thy) {
  Out o;
  INCOIL(89.0, crit, 3.05, 2.55, E, x, y, z, thx, thy, o.x, o.y, o.z, o.thx, o.thy);
  return o;
}
Out sm(double E, double x, double y, double z, double thx, double thy) {
  Out o;
  SM(28.0, 0.003, 2.85, 2.25, E, x, y, z, thx, thy, o.x, o.y, o.z, o.thx, o.thy);
  return o;
}

void expectAllMarked(const Out& o) {
  EXPECT_EQ(o.x, MARKER);
  EXPECT_EQ(o.y, MARKER);
  EXPECT_EQ(o.z, MARKER);
  EXPECT_EQ(o.thx, MARKER);
  EXPECT_EQ(o.thy, MARKER);
  EXPECT_TRUE(tarn::isLost(o.x, o.y));
}

// ---- Wavelength and critical angle ----

TEST(BeamlineGuide, WavelengthFromEnergy) {
  EXPECT_EQ(tarn::wavelengthAngstrom(81.8), lambdaOf(81.8));
  EXPECT_NEAR(lambdaOf(81.8), 1.0, 5e-5);  // 1.000 Å to four digits
  EXPECT_NEAR(lambdaOf(5.0), 4.045, 5e-4);
  EXPECT_EQ(tarn::wavelengthAngstrom(5.0), lambdaOf(5.0));
}

TEST(BeamlineGuide, CriticalAngleBoundaryInX) {
  // E = 81.8 meV, 0.001 rad/Å: thcrit is 0.001 rad to four digits.
  const double E = 81.8;
  const double thcrit = lambdaOf(E) * 0.001;
  EXPECT_NEAR(thcrit, 0.001, 5e-8);

  // x = 3.0: X = 3.0 + 0.116 lies beyond the wall at 3.05.
  // |thx| == thcrit: reflected once at +W.
  Out o = guide116(E, 3.0, 0.4, thcrit, 0.003);
  EXPECT_EQ(o.thx, -thcrit);
  EXPECT_EQ(o.x, 6.1 - std::tan(thcrit) * 116.0 - 3.0);
  EXPECT_FALSE(tarn::isLost(o.x, o.y));

  // Just above: lost in x, the y plane and zout keep real values.
  const double above = std::nextafter(thcrit, 1.0);
  o = guide116(E, 3.0, 0.4, above, 0.003);
  EXPECT_EQ(o.x, MARKER);
  EXPECT_EQ(o.thx, MARKER);
  EXPECT_EQ(o.y, std::tan(0.003) * 116.0 + 0.4);
  EXPECT_EQ(o.thy, 0.003);
  EXPECT_EQ(o.z, 116.0);
  EXPECT_TRUE(tarn::isLost(o.x, o.y));

  // Same boundary at the wall at -W.
  o = guide116(E, -3.0, 0.0, -thcrit, 0.0);
  EXPECT_EQ(o.thx, thcrit);
  EXPECT_EQ(o.x, -6.1 - std::tan(-thcrit) * 116.0 - -3.0);
  o = guide116(E, -3.0, 0.0, -above, 0.0);
  EXPECT_EQ(o.x, MARKER);
  EXPECT_EQ(o.thx, MARKER);
}

TEST(BeamlineGuide, CriticalAngleBoundaryInY) {
  const double E = 81.8;
  const double thcrit = lambdaOf(E) * 0.001;
  // y = 2.5: Y = 2.616 beyond the wall at 2.55.
  Out o = guide116(E, 0.2, 2.5, 0.0, thcrit);
  EXPECT_EQ(o.thy, -thcrit);
  EXPECT_EQ(o.y, 5.1 - std::tan(thcrit) * 116.0 - 2.5);
  EXPECT_EQ(o.x, 0.2);
  EXPECT_EQ(o.thx, 0.0);

  // Lost in y only: x plane and zout real; the lost test finds it on yout.
  o = guide116(E, 0.2, 2.5, 0.0, std::nextafter(thcrit, 1.0));
  EXPECT_EQ(o.y, MARKER);
  EXPECT_EQ(o.thy, MARKER);
  EXPECT_EQ(o.x, 0.2);
  EXPECT_EQ(o.thx, 0.0);
  EXPECT_EQ(o.z, 116.0);
  EXPECT_TRUE(tarn::isLost(o.x, o.y));
}

// ---- One and two reflections ----

TEST(BeamlineGuide, SingleReflectionQuotedCase) {
  // L = 116, 0.001 rad/Å, E = 5.0 (thcrit ~ 0.004045), x = 3.0, thx = 0.001.
  EXPECT_NEAR(lambdaOf(5.0) * 0.001, 0.004045, 5e-7);
  EXPECT_NEAR(std::tan(0.001) * 116.0 + 3.0, 3.116, 1e-6);
  Out o = guide(116.0, 0.001, 5.0, 3.0, -1.0, 12.5, 0.001, 0.0);
  EXPECT_EQ(o.thx, -0.001);
  EXPECT_EQ(o.x, 6.1 - 116.0 * std::tan(0.001) - 3.0);
  EXPECT_NEAR(o.x, 2.984, 1e-3);
  EXPECT_EQ(o.y, -1.0);
  EXPECT_EQ(o.z, 116.0 + 12.5);
}

TEST(BeamlineGuide, MirrorImageIsEvaluatedLeftToRight) {
  // xout = 2W - tan(thx) * L - x, i.e. (6.1 - t) - x. These inputs are chosen
  // so that 6.1 - (t + x) differs in the last bit.
  const double t = std::tan(0.0002) * 116.0;
  const double expected = (6.1 - t) - 3.03;
  ASSERT_NE(expected, 6.1 - (t + 3.03));
  Out o = guide116(5.0, 3.03, 0.0, 0.0002, 0.0);
  EXPECT_EQ(o.x, expected);
  EXPECT_EQ(o.thx, -0.0002);

  const double tn = std::tan(-0.0002) * 116.0;
  const double expectedNeg = (-6.1 - tn) - -3.03;
  ASSERT_NE(expectedNeg, -6.1 - (tn + -3.03));
  o = guide116(5.0, -3.03, 0.0, -0.0002, 0.0);
  EXPECT_EQ(o.x, expectedNeg);
  EXPECT_EQ(o.thx, 0.0002);
}

TEST(BeamlineGuide, DoubleReflectionRestoresIncomingSign) {
  // 0.02 rad/Å at 5 meV: thcrit ~ 0.081. thx = 0.053 from x = 3.05:
  // X ~ 9.20 > 3W, the image 6.1 - X ~ -3.10 lies beyond -W.
  const double t = std::tan(0.053) * 116.0;
  ASSERT_LT(6.1 - t - 3.05, -3.05);
  const double expected = (t - 12.2) + 3.05;
  ASSERT_NE(expected, t + (3.05 - 12.2));  // the order is visible here
  Out o = guide(116.0, 0.02, 5.0, 3.05, 0.0, 0.0, 0.053, 0.0);
  EXPECT_EQ(o.thx, 0.053);
  EXPECT_EQ(o.x, expected);
  EXPECT_NEAR(o.x, -2.996, 1e-3);

  // Mirror case at the wall at -W first.
  const double tn = std::tan(-0.053) * 116.0;
  const double expectedNeg = (tn + 12.2) + -3.05;
  ASSERT_NE(expectedNeg, tn + (-3.05 + 12.2));
  o = guide(116.0, 0.02, 5.0, -3.05, 0.0, 0.0, -0.053, 0.0);
  EXPECT_EQ(o.thx, -0.053);
  EXPECT_EQ(o.x, expectedNeg);

  // Vertical plane: thy = 0.05 from y = 2.55, Y ~ 8.35 > 3H.
  const double u = std::tan(0.05) * 116.0;
  ASSERT_LT(5.1 - u - 2.55, -2.55);
  o = guide(116.0, 0.02, 5.0, 0.0, 2.55, 0.0, 0.0, 0.05);
  EXPECT_EQ(o.thy, 0.05);
  EXPECT_EQ(o.y, u - 10.2 + 2.55);
}

TEST(BeamlineGuide, SecondReflectionIsFinal) {
  // Far beyond what two reflections cover: X ~ 23.5. The second image,
  // t - 12.2 + 0 ~ 11.3, lies outside the channel but is returned as it is.
  const double t = std::tan(0.2) * 116.0;
  Out o = guide(116.0, 0.1, 5.0, 0.0, 0.0, 0.0, 0.2, 0.0);
  EXPECT_EQ(o.x, t - 12.2 + 0.0);
  EXPECT_GT(o.x, 3.05);
  EXPECT_EQ(o.thx, 0.2);
  EXPECT_FALSE(tarn::isLost(o.x, o.y));
}

// ---- Entrance window and straight passage ----

TEST(BeamlineGuide, EntranceWindowInclusive) {
  Out o = guide116(5.0, 3.05, 2.55, 0.0, 0.0);
  EXPECT_EQ(o.x, 3.05);
  EXPECT_EQ(o.y, 2.55);
  o = guide116(5.0, -3.05, -2.55, 0.0, 0.0);
  EXPECT_EQ(o.x, -3.05);
  EXPECT_EQ(o.y, -2.55);

  expectAllMarked(guide116(5.0, std::nextafter(3.05, 4.0), 0.0, 0.0, 0.0));
  expectAllMarked(guide116(5.0, std::nextafter(-3.05, -4.0), 0.0, 0.0, 0.0));
  expectAllMarked(guide116(5.0, 0.0, std::nextafter(2.55, 3.0), 0.0, 0.0));
  expectAllMarked(guide116(5.0, 0.0, std::nextafter(-2.55, -3.0), 0.0, 0.0));
}

TEST(BeamlineGuide, ExitExactlyOnWallPassesUnreflected) {
  const double thx = 0.001;
  const double x = 3.05 - std::tan(thx) * 116.0;
  ASSERT_EQ(std::tan(thx) * 116.0 + x, 3.05);
  // Far above the critical angle: a wall contact would lose it.
  Out o = guide(116.0, 0.0001, 5.0, x, 0.0, 0.0, thx, 0.0);
  EXPECT_EQ(o.x, 3.05);
  EXPECT_EQ(o.thx, thx);
}

TEST(BeamlineGuide, StraightPassage) {
  Out o = guide(116.0, 0.001, 5.0, 1.0, -0.5, 3.0, 0.004, -0.002);
  EXPECT_EQ(o.x, std::tan(0.004) * 116.0 + 1.0);
  EXPECT_EQ(o.y, std::tan(-0.002) * 116.0 + -0.5);
  EXPECT_EQ(o.z, 116.0 + 3.0);
  EXPECT_EQ(o.thx, 0.004);
  EXPECT_EQ(o.thy, -0.002);
  // The length is an argument.
  o = guide(50.0, 0.001, 5.0, 1.0, -0.5, 3.0, 0.004, -0.002);
  EXPECT_EQ(o.x, std::tan(0.004) * 50.0 + 1.0);
  EXPECT_EQ(o.z, 53.0);
}

// ---- INCOIL: 89 cm, same cross-section ----

TEST(BeamlineIncoil, FixedLengthAndGeometry) {
  Out o = incoil(0.001, 5.0, 1.0, 0.3, 116.0, 0.002, 0.001);
  EXPECT_EQ(o.x, std::tan(0.002) * 89.0 + 1.0);
  EXPECT_EQ(o.y, std::tan(0.001) * 89.0 + 0.3);
  EXPECT_EQ(o.z, 89.0 + 116.0);

  // X = 3.089 > 3.05: one reflection.
  o = incoil(0.001, 5.0, 3.0, 0.0, 116.0, 0.001, 0.0);
  EXPECT_EQ(o.thx, -0.001);
  EXPECT_EQ(o.x, 6.1 - std::tan(0.001) * 89.0 - 3.0);
  EXPECT_NEAR(o.x, 3.011, 1e-3);

  // critFactor is an argument: 0.0001 rad/Å makes thcrit ~ 0.0004 < 0.001.
  o = incoil(0.0001, 5.0, 3.0, 0.0, 116.0, 0.001, 0.0);
  EXPECT_EQ(o.x, MARKER);
  EXPECT_EQ(o.thx, MARKER);
  EXPECT_EQ(o.z, 205.0);

  expectAllMarked(incoil(0.001, 5.0, 0.0, std::nextafter(2.55, 3.0), 116.0, 0.0, 0.0));
  o = incoil(0.001, 5.0, -3.05, 2.55, 116.0, 0.0, 0.0);
  EXPECT_EQ(o.x, -3.05);
  EXPECT_EQ(o.y, 2.55);
}

// ---- SM: 28 cm, 0.003 rad/Å, half-width 2.85, half-height 2.25 ----

TEST(BeamlineSm, CriticalAngleUsesDoublePrecisionFactor) {
  const double E = 81.8;
  const double thcrit = lambdaOf(E) * 0.003;
  const double above = std::nextafter(thcrit, 1.0);
  // A single-precision 0.003 would still reflect `above`.
  ASSERT_LE(above, lambdaOf(E) * static_cast<double>(0.003f));

  // x = 2.8: X = 2.8 + 0.084 > 2.85.
  Out o = sm(E, 2.8, 0.0, 424.0, thcrit, 0.0);
  EXPECT_EQ(o.thx, -thcrit);
  EXPECT_EQ(o.x, 5.7 - std::tan(thcrit) * 28.0 - 2.8);
  o = sm(E, 2.8, 0.0, 424.0, above, 0.0);
  EXPECT_EQ(o.x, MARKER);
  EXPECT_EQ(o.thx, MARKER);
  EXPECT_EQ(o.y, 0.0);
  EXPECT_EQ(o.z, 424.0 + 28.0);
}

TEST(BeamlineSm, GeometryAndReflections) {
  // Straight, zout = z + 28.0.
  Out o = sm(5.0, 1.0, 1.0, 424.0, 0.01, -0.01);
  EXPECT_EQ(o.x, std::tan(0.01) * 28.0 + 1.0);
  EXPECT_EQ(o.y, std::tan(-0.01) * 28.0 + 1.0);
  EXPECT_EQ(o.z, 424.0 + 28.0);
  EXPECT_NEAR(o.z, 452.0, 0.0);

  // One reflection in each plane (thcrit ~ 0.0121 at 5 meV).
  o = sm(5.0, 2.8, -2.2, 424.0, 0.005, -0.005);
  EXPECT_EQ(o.x, 5.7 - std::tan(0.005) * 28.0 - 2.8);
  EXPECT_EQ(o.thx, -0.005);
  EXPECT_EQ(o.y, -4.5 - std::tan(-0.005) * 28.0 - -2.2);
  EXPECT_EQ(o.thy, 0.005);

  // Two reflections: at 0.005 meV thcrit ~ 0.38; thx = 0.21 from x = 2.85.
  const double t = std::tan(0.21) * 28.0;
  ASSERT_LT(5.7 - t - 2.85, -2.85);
  o = sm(0.005, 2.85, 0.0, 424.0, 0.21, 0.0);
  EXPECT_EQ(o.x, t - 11.4 + 2.85);
  EXPECT_EQ(o.thx, 0.21);
  const double u = std::tan(-0.21) * 28.0;
  ASSERT_GT(-4.5 - u - -2.25, 2.25);
  o = sm(0.005, 0.0, -2.25, 424.0, 0.0, -0.21);
  EXPECT_EQ(o.y, u + 9.0 + -2.25);
  EXPECT_EQ(o.thy, -0.21);

  // Entrance window.
  o = sm(5.0, 2.85, -2.25, 424.0, 0.0, 0.0);
  EXPECT_EQ(o.x, 2.85);
  EXPECT_EQ(o.y, -2.25);
  expectAllMarked(sm(5.0, std::nextafter(2.85, 3.0), 0.0, 424.0, 0.0, 0.0));
  expectAllMarked(sm(5.0, 0.0, std::nextafter(-2.25, -3.0), 424.0, 0.0, 0.0));
  expectAllMarked(sm(5.0, 2.9, 0.0, 424.0, 0.0, 0.0));  // inside GUIDE, not SM
}

}  // namespace

// Other dimensions (a described beamline): GUIDE, INCOIL and SM reflect at
// the walls they are given, with the mirror images 2W - tan(th) L - x and
// tan(th) L - 4W + x.
TEST(BeamlineGuide, DimensionsFromTheArguments) {
  const double E = 5.0;  // lambda about 4.045 Å, critical angle 0.00809 rad at 0.002 rad/Å
  const double t = std::tan(0.008) * 300.0;  // 2.4 cm
  Out g, i, s;
  GUIDE(300.0, 0.002, 1.0, 0.5, E, 0.9, 0.0, 0.0, 0.008, 0.0, g.x, g.y, g.z, g.thx, g.thy);
  INCOIL(300.0, 0.002, 1.0, 0.5, E, 0.9, 0.0, 0.0, 0.008, 0.0, i.x, i.y, i.z, i.thx, i.thy);
  SM(300.0, 0.002, 1.0, 0.5, E, 0.9, 0.0, 0.0, 0.008, 0.0, s.x, s.y, s.z, s.thx, s.thy);
  // X = 3.3: beyond the wall at 1.0, its image 2 - t - 0.9 = -1.3 beyond -1.0:
  // two reflections, the incoming sign restored, at t - 4 + 0.9.
  for (const Out* o : {&g, &i, &s}) {
    EXPECT_EQ(o->x, t - 4.0 + 0.9);
    EXPECT_EQ(o->thx, 0.008);
    EXPECT_EQ(o->z, 300.0);
  }
  // Beyond the critical angle: absorbed in x; a half-height of 0.5 keeps y = 0.6 out.
  GUIDE(300.0, 0.001, 1.0, 0.5, E, 0.9, 0.0, 0.0, 0.008, 0.0, g.x, g.y, g.z, g.thx, g.thy);
  EXPECT_EQ(g.x, MARKER);
  EXPECT_EQ(g.y, 0.0);
  GUIDE(300.0, 0.002, 1.0, 0.5, E, 0.0, 0.6, 0.0, 0.0, 0.0, g.x, g.y, g.z, g.thx, g.thy);
  expectAllMarked(g);
}
