// HEDEN: mass density of liquid helium against temperature.
#include "transport/helium/heden.h"

#include <cmath>

#include "textout/freeformat.h"
#include "transport/helium/densitygrid.h"
#include "transport/helium/tablelookup.h"

namespace {

// Mass density, g/cm^3 (single precision), on the shared temperature grid.
constexpr float RHO_TABLE[tarn::DENSITY_GRID_POINTS] = {
    0.145f,  0.145f,  0.145f,  0.145f,  0.145f,  0.145f,  0.145f,  0.145f,  0.145f,
    0.145f,  0.145f,  0.145f,  0.145f,  0.1451f, 0.1451f, 0.1452f, 0.1453f, 0.1454f,
    0.1456f, 0.1458f, 0.146f,  0.1457f, 0.1453f, 0.1448f, 0.1442f, 0.1429f, 0.1412f,
    0.1392f, 0.1369f, 0.1343f, 0.1315f, 0.1284f, 0.1251f, 0.1216f};

// The density of the last temperature looked up (tablelookup.h).
tarn::LastLookup lastDensity;

}  // namespace

void HEDEN(double T, double& rho) {
  const float* grid = tarn::DENSITY_GRID_T;
  const double tFirst = grid[0];
  const double tLast = grid[tarn::DENSITY_GRID_POINTS - 1];

  if (T < tFirst || T > tLast) {
    // Out of range: reported for every interval, rho untouched.
    for (int i = 0; i < tarn::DENSITY_GRID_POINTS - 1; ++i) {
      textout::print(textout::Line().dbl(T).dbl(tFirst).dbl(tLast));
      textout::print(textout::Line().text("The value is out of range ... heden code"));
    }
  } else if (!std::isnan(T)) {
    // Straight to the interval holding T (tablelookup.h); a NaN leaves rho.
    // The last T's density is given again for the same T.
    if (lastDensity.find(T, rho)) return;
    const int i = tarn::intervalHolding(grid, tarn::DENSITY_GRID_POINTS, T);
    tarn::interpolateInterval(T, grid[i], grid[i + 1], RHO_TABLE[i], RHO_TABLE[i + 1], rho);
    lastDensity.keep(T, rho);
  }
}
