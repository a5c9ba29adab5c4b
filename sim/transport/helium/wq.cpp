// WQ: phonon-roton dispersion with the small-q kinematic correction.
#include "transport/helium/wq.h"

#include <cmath>

#include "textout/freeformat.h"
#include "transport/constants.h"
#include "transport/helium/tablelookup.h"

namespace {

constexpr int POINTS = 37;

// Momentum transfer grid, 1/Å (single precision).
constexpr float Q_GRID[POINTS] = {
    0.0f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1.0f, 1.1f, 1.2f,
    1.3f, 1.4f, 1.5f, 1.6f, 1.7f, 1.8f, 1.9f, 2.0f, 2.1f, 2.2f, 2.3f, 2.4f, 2.5f,
    2.6f, 2.7f, 2.8f, 2.9f, 3.0f, 3.1f, 3.2f, 3.3f, 3.4f, 3.5f, 3.6f};

// Angular frequency of the excitation, 1/ps (single precision).
constexpr float WP_TABLE[POINTS] = {
    0.0f,      0.235735f, 0.484567f, 0.739947f, 0.969134f, 1.198321f, 1.407863f, 1.538827f,
    1.656695f, 1.722177f, 1.774562f, 1.807303f, 1.800755f, 1.768014f, 1.695984f, 1.597761f,
    1.466797f, 1.342381f, 1.211417f, 1.139387f, 1.172128f, 1.30964f,  1.52573f,  1.774562f,
    2.029942f, 2.154358f, 2.226388f, 2.265677f, 2.29187f,  2.318063f, 2.337707f, 2.357352f,
    2.376997f, 2.396641f, 2.403189f, 2.409738f, 2.416286f};

// The table widened to double precision (exact) as the lookup compares and
// interpolates it, and the line of each interval worked out once
// (tablelookup.h), so that none of it is redone on a call's way from q to wp.
struct WideTable {
  double q[POINTS];
  double wp[POINTS];
  tarn::IntervalLine interval[POINTS - 1];
};
const WideTable WQ_TABLE = [] {
  WideTable t;
  for (int i = 0; i < POINTS; ++i) {
    t.q[i] = static_cast<double>(Q_GRID[i]);
    t.wp[i] = static_cast<double>(WP_TABLE[i]);
  }
  for (int i = 0; i < POINTS - 1; ++i) t.interval[i] = tarn::lineThrough(t.q[i], t.q[i + 1], t.wp[i], t.wp[i + 1]);
  return t;
}();

// Below this q (double precision, strict) the kinematic correction runs.
constexpr double SMALL_Q = 0.1;
// The correction lowers wp by this fraction of its table value per trial.
constexpr double STEP_DIVISOR = 20.0;

// The interval i with Q_GRID[i] <= q <= Q_GRID[i+1] for q in the table: q * 10
// lands in it or next to it (the single-precision grid is not exactly
// 0.1 apart), and the steps below settle it.
int intervalOf(double q) {
  int i = static_cast<int>(q * 10.0);
  if (i > POINTS - 2) i = POINTS - 2;
  while (i > 0 && q < WQ_TABLE.q[i]) --i;
  while (i < POINTS - 2 && q > WQ_TABLE.q[i + 1]) ++i;
  return i;
}

// The report of a q outside the table, once for each of the 36 intervals;
// out of line, so that the lookup's own code keeps its registers.
[[gnu::noinline, gnu::cold]] void reportOutOfRange(double q, double qFirst, double qLast) {
  for (int i = 0; i < POINTS - 1; ++i) {
    textout::print(textout::Line()
                       .integer(i + 1)
                       .dbl(q)
                       .dbl(qFirst)
                       .dbl(qLast)
                       .text(" The value is out of range ... wq code"));
  }
}

}  // namespace

void WQ(double q, double& wp, double E, double k) {
  const double qFirst = Q_GRID[0];
  const double qLast = Q_GRID[POINTS - 1];

  if (q < qFirst || q > qLast) {
    // Out of range: clamped, and reported for each of the 36 intervals.
    reportOutOfRange(q, qFirst, qLast);
    wp = (q < qFirst) ? static_cast<double>(WP_TABLE[0]) : static_cast<double>(WP_TABLE[POINTS - 1]);
  } else if (!std::isnan(q)) {
    // Table lookup. Visiting every interval in order, the value left is
    // that of the last interval taking q: an inner q lies in one interval
    // only, and a grid point gets its own table entry from either interval
    // ending there. Going straight to the interval of q gives those bits
    // with the same arithmetic, its line worked out once. (No interval takes
    // a NaN: wp stays.)
    const int i = intervalOf(q);
    tarn::interpolateOnLine(q, WQ_TABLE.q[i], WQ_TABLE.q[i + 1], WQ_TABLE.wp[i], WQ_TABLE.wp[i + 1],
                            WQ_TABLE.interval[i], wp);
  }

  if (!(q < SMALL_Q)) return;

  // Small q: lower wp until the transfer closes the momentum triangle,
  // q > |k - k'| with k' the wave number left to the neutron.
  const double step = wp / STEP_DIVISOR;
  if (step == 0.0) {
    // wp = 0 already (q = 0, or q < 0 clamped to 0): nothing to lower.
    wp = 0.0;
    return;
  }
  for (;;) {
    if (wp < 0.0) {
      wp = 0.0;
      textout::print(textout::Line().text(" setting wp=0"));
      return;
    }
    const double eLeft = E - wp * tarn::HBAR_MEV_PS;  // meV
    if (eLeft >= 0.0) {
      const double s = std::sqrt(eLeft * tarn::TWO_NEUTRON_MASS);  // hbar k'
      const double a = eLeft * tarn::TWO_NEUTRON_MASS / tarn::HBAR_SQUARED -
                       (k * 2.0 * s) / tarn::HBAR_MEV_PS;  // k'^2 - 2 k k'
      const double b = q * q - k * k;
      if (b > a) return;
    }
    wp = wp - step;
  }
}
