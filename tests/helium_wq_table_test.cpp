// WQ at the grid points of its table: from q = 0.1 1/Å up (no small-q
// correction there) the dispersion returns the table entry itself, bit for
// bit, whatever the neutron's energy.
#include <gtest/gtest.h>

#include <cmath>

#include "console_capture.h"
#include "wq.h"

using testsupport::ConsoleCapture;

namespace {

// The dispersion table, as published with the model (single precision):
// q from 0 to 3.6 1/Å in steps of 0.1, wp in 1/ps.
constexpr float GRID_Q[37] = {0.0f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1.0f, 1.1f, 1.2f,
                              1.3f, 1.4f, 1.5f, 1.6f, 1.7f, 1.8f, 1.9f, 2.0f, 2.1f, 2.2f, 2.3f, 2.4f, 2.5f,
                              2.6f, 2.7f, 2.8f, 2.9f, 3.0f, 3.1f, 3.2f, 3.3f, 3.4f, 3.5f, 3.6f};
constexpr float GRID_WP[37] = {
    0.0f,      0.235735f, 0.484567f, 0.739947f, 0.969134f, 1.198321f, 1.407863f, 1.538827f,
    1.656695f, 1.722177f, 1.774562f, 1.807303f, 1.800755f, 1.768014f, 1.695984f, 1.597761f,
    1.466797f, 1.342381f, 1.211417f, 1.139387f, 1.172128f, 1.30964f,  1.52573f,  1.774562f,
    2.029942f, 2.154358f, 2.226388f, 2.265677f, 2.29187f,  2.318063f, 2.337707f, 2.357352f,
    2.376997f, 2.396641f, 2.403189f, 2.409738f, 2.416286f};

double waveNumber(double e) { return std::sqrt(e * 0.2090815502) / 0.6582122; }

}  // namespace

TEST(HeliumWqTable, EveryGridPointFromPointOneGivesItsEntryBitForBit) {
  ConsoleCapture console;
  for (int i = 1; i < 37; ++i) {
    const double q = static_cast<double>(GRID_Q[i]);
    ASSERT_GE(q, 0.1);
    for (double E : {0.05, 1.0, 25.0}) {
      double wp = -1.0;
      WQ(q, wp, E, waveNumber(E));
      EXPECT_EQ(wp, static_cast<double>(GRID_WP[i])) << std::hexfloat << "q = " << q << ", E = " << E << ", wp = " << wp;
    }
  }
  EXPECT_EQ(console.text(), "");
}
