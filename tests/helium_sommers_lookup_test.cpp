// SOMMERS, which goes straight to the interval of E, against the lookup that
// visits every interval of its energy grid in order: the same bits and the
// same console for every grid point, its neighbours, a dense sweep, both
// sides of the table and NaN, in each of the six temperature columns.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "support/consolecapture.h"
#include "textout/freeformat.h"
#include "transport/helium/sommers.h"
#include "transport/helium/tablelookup.h"

using testsupport::ConsoleCapture;

namespace {

constexpr int POINTS = 18;
constexpr int COLUMNS = 6;

// Energy grid, meV (single precision): neutrons of wavelength 17, 16, ..., 1 Å,
// then 100 meV.
constexpr float ENERGY_GRID[POINTS] = {
    0.2830584f, 0.3195464f, 0.3635728f, 0.4173667f, 0.4840467f, 0.5680825f,
    0.6760652f, 0.8180388f, 1.009925f,  1.278186f,  1.669467f,  2.27233f,
    3.272155f,  5.112742f,  9.08932f,   20.45097f,  81.80388f,  100.0f};

// Cross-section per atom, barn (single precision), one column per range of T.
constexpr float SIGMA_TABLE[COLUMNS][POINTS] = {
    // T <= 1.5 K
    {0.009f, 0.009f, 0.009f, 0.009f, 0.009f, 0.01f, 0.011f, 0.014f, 0.025f, 0.056f, 0.123f,
     0.235f, 0.44f, 0.5688f, 0.6458f, 0.7f, 0.7411f, 0.76f},
    // 1.5 K < T <= 2.17 K
    {0.026f, 0.026f, 0.026f, 0.025f, 0.021f, 0.015f, 0.011f, 0.013f, 0.03f, 0.063f, 0.137f,
     0.252f, 0.476f, 0.5707f, 0.6496f, 0.6984f, 0.7401f, 0.76f},
    // 2.17 K < T <= 3.5 K
    {0.047f, 0.047f, 0.047f, 0.049f, 0.051f, 0.053f, 0.054f, 0.058f, 0.072f, 0.106f, 0.185f,
     0.315f, 0.478f, 0.615f, 0.677f, 0.715f, 0.743f, 0.76f},
    // 3.5 K < T <= 4.1 K
    {0.138f, 0.134f, 0.13f, 0.126f, 0.122f, 0.12f, 0.116f, 0.12f, 0.129f, 0.154f, 0.217f,
     0.336f, 0.537f, 0.615f, 0.667f, 0.7085f, 0.7378f, 0.76f},
    // 4.1 K < T <= 4.4 K
    {0.175f, 0.175f, 0.164f, 0.155f, 0.15f, 0.148f, 0.152f, 0.162f, 0.182f, 0.217f, 0.336f,
     0.467f, 0.575f, 0.6397f, 0.6855f, 0.7188f, 0.7408f, 0.76f},
    // T > 4.4 K
    {0.265f, 0.265f, 0.243f, 0.222f, 0.203f, 0.191f, 0.184f, 0.18f, 0.186f, 0.221f, 0.283f,
     0.405f, 0.562f, 0.604f, 0.666f, 0.71f, 0.7409f, 0.76f}};

// Upper temperature bounds of the first five columns, K.
constexpr double T_BOUND1 = 1.5;
constexpr float T_BOUND2 = 2.17f;
constexpr double T_BOUND3 = 3.5;
constexpr float T_BOUND4 = 4.1f;
constexpr float T_BOUND5 = 4.4f;
int columnFor(double T) {
  if (T <= T_BOUND1) return 0;
  if (T <= T_BOUND2) return 1;
  if (T <= T_BOUND3) return 2;
  if (T <= T_BOUND4) return 3;
  if (T <= T_BOUND5) return 4;
  return 5;
}

// Every interval visited in order, as SOMMERS was first written.
void everyInterval(double T, double E, double& sigma) {
  double column[POINTS];
  const int c = columnFor(T);
  for (int i = 0; i < POINTS; ++i) column[i] = SIGMA_TABLE[c][i];
  const double eFirst = ENERGY_GRID[0];
  const double eLast = ENERGY_GRID[POINTS - 1];
  for (int i = 0; i < POINTS - 1; ++i) {
    if (E < eFirst) {
      textout::print(textout::Line().dbl(E).dbl(eFirst).dbl(eLast));
      textout::print(textout::Line().text(" ..."));
      textout::print(textout::Line().integer(i + 1).text(" The value is out of range ... sommers"));
      sigma = column[0];
      continue;
    }
    if (!tarn::interpolateInterval(E, ENERGY_GRID[i], ENERGY_GRID[i + 1], column[i], column[i + 1], sigma) &&
        E > eLast)
      sigma = column[POINTS - 1];
  }
}

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

}  // namespace

TEST(HeliumSommersLookup, DirectIntervalGivesTheBitsAndLinesOfEveryIntervalVisited) {
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<double> energies = {0.0, -1.0, 0.1, 150.0, 5.0, 1.0, inf, -inf, std::numeric_limits<double>::quiet_NaN()};
  for (int i = 0; i < POINTS; ++i) {
    double below = ENERGY_GRID[i], above = ENERGY_GRID[i];
    energies.push_back(ENERGY_GRID[i]);
    for (int n = 0; n < 8; ++n) {
      energies.push_back(below = std::nextafter(below, 0.0));
      energies.push_back(above = std::nextafter(above, 200.0));
    }
  }
  for (int i = 0; i <= 20000; ++i) energies.push_back(0.28 * std::pow(400.0, i / 20000.0));
  std::vector<double> temperatures = {0.5, 1.9, 3.0, 3.8, 4.3, 5.0, std::numeric_limits<double>::quiet_NaN()};
  for (double t : {T_BOUND1, static_cast<double>(T_BOUND2), T_BOUND3, static_cast<double>(T_BOUND4),
                   static_cast<double>(T_BOUND5)}) {
    temperatures.push_back(t);
    temperatures.push_back(std::nextafter(t, 10.0));
  }
  int outside = 0;
  for (double T : temperatures) {
    for (double E : energies) {
      ConsoleCapture direct;
      double sigma = -3.0;
      SOMMERS(T, E, sigma);
      const std::string lines = direct.text();
      direct.clear();
      double expected = -3.0;
      everyInterval(T, E, expected);
      ASSERT_EQ(bits(sigma), bits(expected)) << std::hexfloat << "T " << T << " E " << E;
      ASSERT_EQ(lines, direct.text()) << std::hexfloat << "T " << T << " E " << E;
      outside += !lines.empty();
    }
  }
  // The reported side was reached: every energy below the first grid
  // point (-inf, -1, 0, 0.1, its neighbours below, the start of the sweep),
  // in each column.
  int below = 0;
  for (double E : energies) below += E < static_cast<double>(ENERGY_GRID[0]);
  EXPECT_GT(below, 20);
  EXPECT_EQ(outside, below * static_cast<int>(temperatures.size()));
}
