// DSG0: forward differential cross-section of liquid helium against temperature.
#include "transport/helium/dsg0.h"

#include "transport/helium/tablelookup.h"

namespace {

constexpr int POINTS = 13;

// Temperature grid, K (single precision): 1.6 to 4.0 in steps of 0.2.
constexpr float T_GRID[POINTS] = {1.6f, 1.8f, 2.0f, 2.2f, 2.4f, 2.6f, 2.8f,
                               3.0f, 3.2f, 3.4f, 3.6f, 3.8f, 4.0f};

// d(sigma)/d(Omega) per unit volume at q = 0, 1/cm/sr (double precision).
constexpr double DSG_TABLE[POINTS] = {0.0001433225, 0.0001622665, 0.0001820104, 0.0002010544,
                                  0.000224013,  0.000247057,  0.0002730156, 0.0002990743,
                                  0.0003382476, 0.0003928795, 0.0004820847, 0.0006123778,
                                  0.0007687297};

}  // namespace

void DSG0(double T, double& dsg) {
  const double tFirst = T_GRID[0];
  for (int i = 0; i < POINTS - 1; ++i) {
    if (T < tFirst) {
      dsg = DSG_TABLE[0];
      continue;
    }
    if (tarn::interpolateInterval(T, T_GRID[i], T_GRID[i + 1], DSG_TABLE[i], DSG_TABLE[i + 1], dsg)) continue;
    const double tHigh = T_GRID[i + 1];
    if (T > tHigh) {
      // Beyond this interval: its straight line continued; a later interval
      // overwrites it, the last one extrapolates above 4.0 K.
      const double tLow = T_GRID[i];
      const double slope = (DSG_TABLE[i + 1] - DSG_TABLE[i]) / (tHigh - tLow);
      const double intercept = DSG_TABLE[i] - slope * tLow;
      dsg = slope * T + intercept;
    }
  }
}
