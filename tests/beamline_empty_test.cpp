// EMPTY: straight drift through an absorbing window (cm, rad, meV).
#include <cmath>

#include <gtest/gtest.h>

#include "transport/beamline/empty.h"
#include "transport/lost.h"

namespace {

constexpr double MARKER = -1.0e6;

struct Out {
  double E = 0.0, x = 0.0, y = 0.0, z = 0.0, thx = 0.0, thy = 0.0;
};

// Upstream cell, empty left half: x in [-3.0, -0.35], y in [-2.5, 2.5], 41.6 cm.
Out driftLeft(double E, double x, double y, double z, double thx, double thy) {
  Out o;
  EMPTY(E, x, y, z, thx, thy, -3.0, -0.35, -2.5, 2.5, 41.6, o.E, o.x, o.y, o.z, o.thx, o.thy);
  return o;
}

// Downstream cell, empty right half: x in [0.35, 3.0].
Out driftRight(double E, double x, double y, double z, double thx, double thy) {
  Out o;
  EMPTY(E, x, y, z, thx, thy, 0.35, 3.0, -2.5, 2.5, 41.6, o.E, o.x, o.y, o.z, o.thx, o.thy);
  return o;
}

void expectAllMarked(const Out& o) {
  EXPECT_EQ(o.E, MARKER);
  EXPECT_EQ(o.x, MARKER);
  EXPECT_EQ(o.y, MARKER);
  EXPECT_EQ(o.z, MARKER);
  EXPECT_EQ(o.thx, MARKER);
  EXPECT_EQ(o.thy, MARKER);
  EXPECT_TRUE(tarn::isLost(o.x, o.y));
}

TEST(BeamlineEmpty, MarkerIsTheSharedConstant) { EXPECT_EQ(tarn::LOST_MARKER, MARKER); }

TEST(BeamlineEmpty, StraightThroughKeepsStateAndAdvancesZ) {
  // thx = thy = 0: position unchanged, zout = z + L.
  Out o = driftLeft(3.2, -1.5, 0.7, 219.0, 0.0, 0.0);
  EXPECT_EQ(o.E, 3.2);
  EXPECT_EQ(o.x, -1.5);
  EXPECT_EQ(o.y, 0.7);
  EXPECT_EQ(o.z, 219.0 + 41.6);
  EXPECT_EQ(o.thx, 0.0);
  EXPECT_EQ(o.thy, 0.0);
  EXPECT_FALSE(tarn::isLost(o.x, o.y));

  // Inclined: X = tan(thx) * L + x, direction and energy unchanged.
  const double thx = 0.01, thy = -0.02;
  o = driftRight(5.0, 1.0, 0.5, 267.4, thx, thy);
  EXPECT_EQ(o.x, std::tan(thx) * 41.6 + 1.0);
  EXPECT_EQ(o.y, std::tan(thy) * 41.6 + 0.5);
  EXPECT_NEAR(o.x, 1.416, 1e-4);
  EXPECT_NEAR(o.y, -0.332, 1e-3);
  EXPECT_EQ(o.z, 267.4 + 41.6);
  EXPECT_EQ(o.thx, thx);
  EXPECT_EQ(o.thy, thy);
  EXPECT_EQ(o.E, 5.0);
}

TEST(BeamlineEmpty, WindowEdgesAreInclusive) {
  // Entrance exactly on each edge of the left-half window.
  EXPECT_EQ(driftLeft(5.0, -0.35, 0.0, 0.0, 0.0, 0.0).x, -0.35);
  EXPECT_EQ(driftLeft(5.0, -3.0, 0.0, 0.0, 0.0, 0.0).x, -3.0);
  EXPECT_EQ(driftLeft(5.0, -1.0, 2.5, 0.0, 0.0, 0.0).y, 2.5);
  EXPECT_EQ(driftLeft(5.0, -1.0, -2.5, 0.0, 0.0, 0.0).y, -2.5);

  // Exit exactly on the edge -0.35 with an inclined path.
  const double thx = 0.02;
  const double x = -0.35 - std::tan(thx) * 41.6;
  ASSERT_EQ(std::tan(thx) * 41.6 + x, -0.35);  // the chosen path ends on the edge
  Out o = driftLeft(5.0, x, 0.0, 0.0, thx, 0.0);
  EXPECT_EQ(o.x, -0.35);
  EXPECT_EQ(o.thx, thx);
  EXPECT_EQ(o.E, 5.0);
  EXPECT_EQ(o.z, 41.6);

  // Just outside the entrance window: lost.
  expectAllMarked(driftLeft(5.0, std::nextafter(-0.35, 0.0), 0.0, 0.0, 0.0, 0.0));
  expectAllMarked(driftLeft(5.0, std::nextafter(-3.0, -4.0), 0.0, 0.0, 0.0, 0.0));
  expectAllMarked(driftLeft(5.0, -1.0, std::nextafter(2.5, 3.0), 0.0, 0.0, 0.0));
  expectAllMarked(driftRight(5.0, std::nextafter(0.35, 0.0), 0.0, 0.0, 0.0, 0.0));
}

TEST(BeamlineEmpty, LeavingTheWindowLosesAllSixOutputs) {
  // Inside at the entrance, X = 0.416 - 0.5 beyond -0.35 at the exit.
  expectAllMarked(driftLeft(5.0, -0.5, 0.0, 10.0, 0.01, 0.0));
  // Leaves through the top: Y = 2.0 + 0.832.
  expectAllMarked(driftRight(5.0, 1.0, 2.0, 10.0, 0.0, 0.02));
  // Crossing the gap between the halves from the right.
  expectAllMarked(driftRight(5.0, 0.5, 0.0, 10.0, -0.01, 0.0));
}

TEST(BeamlineEmpty, GapBetweenHalvesFailsBothCells) {
  expectAllMarked(driftLeft(5.0, 0.0, 0.0, 0.0, 0.0, 0.0));
  expectAllMarked(driftRight(5.0, 0.0, 0.0, 0.0, 0.0, 0.0));
}

}  // namespace
