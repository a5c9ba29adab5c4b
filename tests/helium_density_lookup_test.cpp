// HEDEN and NDEN, which go straight to the interval of T, against the
// lookup that visits every interval of the temperature grid in order: the
// same bits for every grid point, its neighbours and a dense sweep.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "support/consolecapture.h"
#include "transport/helium/heden.h"
#include "transport/helium/nden.h"
#include "transport/helium/tablelookup.h"

using testsupport::ConsoleCapture;

namespace {

// The tables as published with the model (single precision).
constexpr float GRID_T[34] = {0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1.0f, 1.1f, 1.2f, 1.3f,
                              1.4f, 1.5f, 1.6f, 1.7f, 1.8f, 1.9f, 2.0f, 2.1f, 2.2f, 2.3f, 2.4f, 2.5f,
                              2.6f, 2.8f, 3.0f, 3.2f, 3.4f, 3.6f, 3.8f, 4.0f, 4.2f, 4.4f};
constexpr float RHO[34] = {0.145f,  0.145f,  0.145f,  0.145f,  0.145f,  0.145f,  0.145f,  0.145f,  0.145f,
                           0.145f,  0.145f,  0.145f,  0.145f,  0.1451f, 0.1451f, 0.1452f, 0.1453f, 0.1454f,
                           0.1456f, 0.1458f, 0.146f,  0.1457f, 0.1453f, 0.1448f, 0.1442f, 0.1429f, 0.1412f,
                           0.1392f, 0.1369f, 0.1343f, 0.1315f, 0.1284f, 0.1251f, 0.1216f};
constexpr float RHO_REL[34] = {
    0.9931507f, 0.9931507f, 0.9931507f, 0.9931507f, 0.9931507f, 0.9931507f, 0.9931507f,
    0.9931507f, 0.9931507f, 0.9931507f, 0.9931507f, 0.9931507f, 0.9931507f, 0.9938356f,
    0.9938356f, 0.9945205f, 0.9952055f, 0.9958904f, 0.9972603f, 0.9986301f, 1.0f,
    0.9979452f, 0.9952055f, 0.9917809f, 0.9876713f, 0.9787672f, 0.9671233f, 0.9534247f,
    0.9376712f, 0.919863f,  0.900685f,  0.879452f,  0.8568493f, 0.8328767f};

// Every interval visited in order, as the lookups were first written.
double everyInterval(const float* table, double T, double start) {
  double v = start;
  for (int i = 0; i < 33; ++i) tarn::interpolateInterval(T, GRID_T[i], GRID_T[i + 1], table[i], table[i + 1], v);
  return v;
}

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

}  // namespace

TEST(HeliumDensityLookup, DirectIntervalGivesTheBitsOfEveryIntervalVisited) {
  std::vector<double> temperatures = {2.1, 0.2000000029802322, 4.4, std::numeric_limits<double>::quiet_NaN()};
  for (int i = 0; i < 34; ++i) {
    double below = GRID_T[i], above = GRID_T[i];
    temperatures.push_back(GRID_T[i]);
    for (int n = 0; n < 8; ++n) {
      temperatures.push_back(below = std::nextafter(below, 0.0));
      temperatures.push_back(above = std::nextafter(above, 5.0));
    }
  }
  for (int i = 0; i <= 42000; ++i) temperatures.push_back(0.2 + i * 1e-4);
  ConsoleCapture console;
  for (double T : temperatures) {
    if (!(T >= static_cast<double>(GRID_T[0]) && T <= static_cast<double>(GRID_T[33])) && !std::isnan(T)) continue;
    double rho = -3.0, rhoRel = -3.0;
    HEDEN(T, rho);
    NDEN(T, rhoRel);
    ASSERT_EQ(bits(rho), bits(everyInterval(RHO, T, -3.0))) << std::hexfloat << T;
    ASSERT_EQ(bits(rhoRel), bits(everyInterval(RHO_REL, T, -3.0))) << std::hexfloat << T;
  }
  EXPECT_EQ(console.text(), "");
}

TEST(HeliumDensityLookup, IntervalHoldingIsTheLastIntervalTakingTheArgument) {
  for (int i = 0; i < 34; ++i) {
    const double g = GRID_T[i];
    EXPECT_EQ(tarn::intervalHolding(GRID_T, 34, g), i == 33 ? 32 : i);
    if (i > 0) {
      EXPECT_EQ(tarn::intervalHolding(GRID_T, 34, std::nextafter(g, 0.0)), i - 1);
    }
    if (i < 33) {
      EXPECT_EQ(tarn::intervalHolding(GRID_T, 34, std::nextafter(g, 5.0)), i);
    }
  }
}

// The last temperature's value is given again only for the same bits of T:
// a neighbouring T, another T in between, an out-of-range T (rho left alone,
// reported) or a NaN get their own answers, and the kept T its own after them.
TEST(HeliumDensityLookup, ARepeatedTemperatureAndEveryOtherGetTheirOwnBits) {
  const double T = 2.15;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double first = GRID_T[0], last = GRID_T[33];
  const std::vector<double> sequence = {T,    T,     std::nextafter(T, 0.0), T, std::nextafter(T, 5.0), T,   0.45, 0.45, T,
                                        last, first, T,                      nan, T, 0.35,              2.15, T};
  ConsoleCapture console;
  for (double t : sequence) {
    double rho = -3.0, rhoRel = -3.0;
    HEDEN(t, rho);
    NDEN(t, rhoRel);
    ASSERT_EQ(bits(rho), bits(everyInterval(RHO, t, -3.0))) << std::hexfloat << t;
    ASSERT_EQ(bits(rhoRel), bits(everyInterval(RHO_REL, t, -3.0))) << std::hexfloat << t;
  }
  EXPECT_EQ(console.text(), "");
  // Outside the table HEDEN reports and leaves rho each time, also right
  // after the same T was inside it, and the T before is kept.
  for (int round = 0; round < 2; ++round) {
    double rho = -3.0;
    HEDEN(T, rho);
    ASSERT_EQ(bits(rho), bits(everyInterval(RHO, T, -3.0)));
    console.clear();
    rho = -5.0;
    HEDEN(5.0, rho);
    EXPECT_EQ(rho, -5.0);
    EXPECT_EQ(console.lines().size(), 66u);
  }
}
