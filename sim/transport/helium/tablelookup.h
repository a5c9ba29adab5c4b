// One interval of the piecewise-linear table lookups of the helium routines.
//
// The tables hold single-precision entries; they are widened to double here
// and the argument is compared with the widened values. A lookup visits every
// interval of its grid in increasing order, without stopping early, and calls
// this step for each interval it does not handle as out of range itself; the
// value left is that of the last interval taking the argument, which a lookup
// may also call alone (WQ does).
#pragma once

#include <bit>
#include <cstdint>

namespace tarn {

// The straight line through (x0, v0) and (x1, v1) in slope-and-intercept
// form, as the interpolation of an argument inside the interval takes it.
struct IntervalLine {
  double slope = 0.0;
  double intercept = 0.0;
};
inline IntervalLine lineThrough(double x0, double x1, double v0, double v1) {
  IntervalLine line;
  line.slope = (v1 - v0) / (x1 - x0);
  line.intercept = v0 - line.slope * x0;
  return line;
}

// An argument on a grid point of the interval gets that point's value.
inline bool atGridPoint(double a, double x0, double x1, double v0, double v1, double& result) {
  if (a == x0) {
    result = v0;
    return true;
  }
  if (a == x1) {
    result = v1;
    return true;
  }
  return false;
}

// Interval from grid point (x0, v0) to (x1, v1), argument a. Writes result and
// returns true when a is a grid point of the interval or lies strictly inside
// it (linear interpolation on lineThrough); otherwise leaves result alone and
// returns false.
inline bool interpolateInterval(double a, double x0, double x1, double v0, double v1, double& result) {
  if (atGridPoint(a, x0, x1, v0, v1, result)) return true;
  if (x0 < a && a < x1) {
    const IntervalLine line = lineThrough(x0, x1, v0, v1);
    result = line.slope * a + line.intercept;
    return true;
  }
  return false;
}

// interpolateInterval for a table whose lines were worked out once
// (lineThrough of the same x0, x1, v0, v1): the slope and intercept are
// those the call would compute, the same operations on the same numbers, so
// the result has the same bits without a division per call.
inline bool interpolateOnLine(double a, double x0, double x1, double v0, double v1, const IntervalLine& line,
                              double& result) {
  if (atGridPoint(a, x0, x1, v0, v1, result)) return true;
  if (x0 < a && a < x1) {
    result = line.slope * a + line.intercept;
    return true;
  }
  return false;
}

// The interval of an increasing grid of n points that takes a, for
// grid[0] <= a <= grid[n-1]: the largest i <= n - 2 with grid[i] <= a, by
// bisection. Calling interpolateInterval for it alone leaves the value that
// visiting every interval in order leaves: an inner a lies in one interval
// only, and a grid point gets its own table entry from either interval
// ending there.
inline int intervalHolding(const float* grid, int n, double a) {
  int lo = 0;
  int hi = n - 1;
  while (hi - lo > 1) {
    const int mid = lo + (hi - lo) / 2;
    if (static_cast<double>(grid[mid]) <= a)
      lo = mid;
    else
      hi = mid;
  }
  return lo;
}

// The value a lookup interpolated for the last argument, kept so that the
// same argument bits are answered again without the lookup: the same
// arithmetic on the same number gives the same bits. The cells keep one
// temperature through a run, so HEDEN and NDEN are asked for the same T call
// after call. Only arguments inside the table are kept (outside it the
// routines report, or end the run, each time).
struct LastLookup {
  bool held = false;
  std::uint64_t argumentBits = 0;
  double value = 0.0;

  bool find(double a, double& result) const {
    if (!held || std::bit_cast<std::uint64_t>(a) != argumentBits) return false;
    result = value;
    return true;
  }
  void keep(double a, double v) {
    held = true;
    argumentBits = std::bit_cast<std::uint64_t>(a);
    value = v;
  }
};

}  // namespace tarn
