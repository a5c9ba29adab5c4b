// WQ at the grid points of its table: from q = 0.1 1/Å up (no small-q
// correction there) the dispersion returns the table entry itself, bit for
// bit, whatever the neutron's energy. And WQ, which goes straight to the
// interval of q with its line worked out once, against the lookup that
// visits every interval in order and works each line out per call.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "support/consolecapture.h"
#include "textout/freeformat.h"
#include "transport/helium/tablelookup.h"
#include "transport/helium/wq.h"

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

// The table lookup and correction of WQ as first written: every interval
// visited in order, each out-of-range one reported.
void referenceWq(double q, double& wp, double E, double k) {
  const double qFirst = GRID_Q[0], qLast = GRID_Q[36];
  for (int i = 0; i < 36; ++i) {
    if (q < qFirst || q > qLast) {
      textout::print(textout::Line().integer(i + 1).dbl(q).dbl(qFirst).dbl(qLast).text(
          " The value is out of range ... wq code"));
      wp = (q < qFirst) ? static_cast<double>(GRID_WP[0]) : static_cast<double>(GRID_WP[36]);
      continue;
    }
    tarn::interpolateInterval(q, GRID_Q[i], GRID_Q[i + 1], GRID_WP[i], GRID_WP[i + 1], wp);
  }
  if (!(q < 0.1)) return;
  const double step = wp / 20.0;
  if (step == 0.0) {
    wp = 0.0;
    return;
  }
  for (;;) {
    if (wp < 0.0) {
      wp = 0.0;
      textout::print(textout::Line().text(" setting wp=0"));
      return;
    }
    const double eLeft = E - wp * 0.6582122;
    if (eLeft >= 0.0) {
      const double s = std::sqrt(eLeft * 0.2090815502);
      const double a = eLeft * 0.2090815502 / 0.43324330022884006 - (k * 2.0 * s) / 0.6582122;
      const double b = q * q - k * k;
      if (b > a) return;
    }
    wp = wp - step;
  }
}

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

TEST(HeliumWqTable, DirectIntervalGivesTheBitsOfEveryIntervalVisited) {
  std::vector<double> qs = {0.0, -0.0, 0.1, 3.6, -1e-300, 3.6000001, std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity()};
  // Every grid point in single and double precision and eight doubles on
  // either side of it.
  for (int i = 0; i < 37; ++i)
    for (double g : {static_cast<double>(GRID_Q[i]), 0.1 * i}) {
      double below = g, above = g;
      for (int n = 0; n < 8; ++n) {
        qs.push_back(below = std::nextafter(below, -1.0));
        qs.push_back(above = std::nextafter(above, 4.0));
      }
      qs.push_back(g);
    }
  // A dense sweep and random values over the table.
  for (int i = 0; i <= 360000; ++i) qs.push_back(i * 1e-5);
  std::mt19937_64 gen(8);
  std::uniform_real_distribution<double> uni(0.0, 3.6);
  for (int i = 0; i < 200000; ++i) qs.push_back(uni(gen));

  ConsoleCapture console;
  for (double q : qs) {
    for (double E : {0.03, 2.0}) {
      const double k = waveNumber(E);
      double fast = -7.0, reference = -7.0;
      WQ(q, fast, E, k);
      const std::string fastLines = console.text();
      console.clear();
      referenceWq(q, reference, E, k);
      ASSERT_EQ(console.text(), fastLines) << q;
      console.clear();
      ASSERT_EQ(std::bit_cast<std::uint64_t>(fast), std::bit_cast<std::uint64_t>(reference))
          << std::hexfloat << "q = " << q << ", E = " << E << ": " << fast << " vs " << reference;
    }
  }
}
