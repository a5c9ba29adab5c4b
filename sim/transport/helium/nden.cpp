// NDEN: relative density of liquid helium against temperature.
#include "transport/helium/nden.h"

#include <cmath>

#include "textout/console.h"
#include "textout/freeformat.h"
#include "transport/helium/densitygrid.h"
#include "transport/helium/tablelookup.h"

namespace {

// Density relative to its maximum (single precision), on the shared grid.
constexpr float RHO_REL_TABLE[tarn::DENSITY_GRID_POINTS] = {
    0.9931507f, 0.9931507f, 0.9931507f, 0.9931507f, 0.9931507f, 0.9931507f, 0.9931507f,
    0.9931507f, 0.9931507f, 0.9931507f, 0.9931507f, 0.9931507f, 0.9931507f, 0.9938356f,
    0.9938356f, 0.9945205f, 0.9952055f, 0.9958904f, 0.9972603f, 0.9986301f, 1.0f,
    0.9979452f, 0.9952055f, 0.9917809f, 0.9876713f, 0.9787672f, 0.9671233f, 0.9534247f,
    0.9376712f, 0.919863f,  0.900685f,  0.879452f,  0.8568493f, 0.8328767f};

// Exit status of a run ended by a temperature outside the table.
constexpr int OUT_OF_TABLE_STATUS = 1;

// The relative density of the last temperature looked up (tablelookup.h).
tarn::LastLookup lastDensity;

}  // namespace

void NDEN(double T, double& rhoRel) {
  const float* grid = tarn::DENSITY_GRID_T;
  const double tFirst = grid[0];
  const double tLast = grid[tarn::DENSITY_GRID_POINTS - 1];

  if (T < tFirst || T > tLast) {
    // Out of range: the run cannot go on without a density.
    textout::print(textout::Line().dbl(T).dbl(tFirst).dbl(tLast));
    textout::print(textout::Line().text("The value is out of range ... nden code"));
    textout::abortRun(OUT_OF_TABLE_STATUS);
  }
  if (std::isnan(T)) return;  // no interval takes it: rhoRel stays
  // Straight to the interval holding T (tablelookup.h); the last T's
  // relative density is given again for the same T.
  if (lastDensity.find(T, rhoRel)) return;
  const int i = tarn::intervalHolding(grid, tarn::DENSITY_GRID_POINTS, T);
  tarn::interpolateInterval(T, grid[i], grid[i + 1], RHO_REL_TABLE[i], RHO_REL_TABLE[i + 1], rhoRel);
  lastDensity.keep(T, rhoRel);
}
