// DSG0: forward differential cross-section of liquid helium against temperature.
#include "transport/helium/dsg0.h"

#include "transport/helium/tablelookup.h"

namespace {

constexpr int kPoints = 13;

// Temperature grid, K (single precision): 1.6 to 4.0 in steps of 0.2.
constexpr float kT[kPoints] = {1.6f, 1.8f, 2.0f, 2.2f, 2.4f, 2.6f, 2.8f,
                               3.0f, 3.2f, 3.4f, 3.6f, 3.8f, 4.0f};

// d(sigma)/d(Omega) per unit volume at q = 0, 1/cm/sr (double precision).
constexpr double kDsg[kPoints] = {0.0001433225, 0.0001622665, 0.0001820104, 0.0002010544,
                                  0.000224013,  0.000247057,  0.0002730156, 0.0002990743,
                                  0.0003382476, 0.0003928795, 0.0004820847, 0.0006123778,
                                  0.0007687297};

}  // namespace

void DSG0(double T, double& dsg) {
  const double tFirst = kT[0];
  for (int i = 0; i < kPoints - 1; ++i) {
    if (T < tFirst) {
      dsg = kDsg[0];
      continue;
    }
    if (tarn::interpolateInterval(T, kT[i], kT[i + 1], kDsg[i], kDsg[i + 1], dsg)) continue;
    const double tHigh = kT[i + 1];
    if (T > tHigh) {
      // Beyond this interval: its straight line continued; a later interval
      // overwrites it, the last one extrapolates above 4.0 K.
      const double tLow = kT[i];
      const double slope = (kDsg[i + 1] - kDsg[i]) / (tHigh - tLow);
      const double intercept = kDsg[i] - slope * tLow;
      dsg = slope * T + intercept;
    }
  }
}
