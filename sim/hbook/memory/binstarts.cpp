// HRNDM1's bin starts (binstarts.h).
#include "hbook/memory/binstarts.h"

#include <cmath>
#include <limits>

#include "hbook/memory/channel.h"

namespace hbook {
namespace {

// Steps of one float from a bin's estimated start tried before a bisection.
constexpr int MAX_START_STEPS = 8;

// The floats in their order as integers: -0 and 0 both 0, the next float up
// one more, the next one down one less.
std::int64_t floatOrder(float x) {
  const std::uint32_t u = std::bit_cast<std::uint32_t>(x);
  const auto magnitude = static_cast<std::int64_t>(u & 0x7fffffffu);
  return (u & 0x80000000u) != 0 ? -magnitude : magnitude;
}

float floatAt(std::int64_t order) {
  if (order >= 0) return std::bit_cast<float>(static_cast<std::uint32_t>(order));
  return std::bit_cast<float>(0x80000000u | static_cast<std::uint32_t>(-order));
}

}  // namespace

// Why two comparisons can stand for the channel: for finite limits with
// xmin < xmax and a finite difference, channelIn is non-decreasing in x.
// Below xmin it is 0 and from xmax up nx + 1; between them x - xmin, the
// product with nx and the quotient by the positive xmax - xmin are each
// non-decreasing in x (rounding to nearest keeps the order of its
// arguments; an overflow to infinity goes to the overflow channel), and so
// are the test against nx and the conversion to an integer. A
// non-decreasing channel is j + 1 or more exactly from the smallest float
// that has it, start[j], so the channel is j + 1 exactly when start[j] <= x
// < start[j + 1]. Each start is looked for a few floats from an estimate,
// else by bisection over the floats between the start before it and xmax,
// and is checked: its channel is j + 1 or more and that of the float below
// it is less.
bool makeBinStarts(std::int32_t nx, float xmin, float xmax, BinStarts& starts) {
  starts.nx = 0;
  starts.start.clear();
  if (nx < 1 || !std::isfinite(xmin) || !std::isfinite(xmax) || !(xmin < xmax) || !std::isfinite(xmax - xmin))
    return false;
  const float width = (xmax - xmin) / static_cast<float>(nx);
  constexpr float lowest = -std::numeric_limits<float>::infinity();
  constexpr float highest = std::numeric_limits<float>::infinity();
  auto below = [&](float x, std::int32_t j) { return channelIn(nx, xmin, xmax, x) < j + 1; };
  starts.start.resize(static_cast<std::size_t>(nx) + 1);
  float previous = std::nextafter(xmin, lowest);  // in channel 0
  for (std::int32_t j = 0; j <= nx; ++j) {
    float x = xmin + static_cast<float>(j) * width;  // only where the search starts
    if (!std::isfinite(x)) x = j == 0 ? xmin : xmax;
    int steps = 0;
    while (!below(x, j) && steps++ < MAX_START_STEPS) x = std::nextafter(x, lowest);
    while (below(x, j) && steps++ < 2 * MAX_START_STEPS) x = std::nextafter(x, highest);
    if (below(x, j) || !below(std::nextafter(x, lowest), j)) {
      // Bisection keeping below(lo) and !below(hi): the float at xmax is in
      // the overflow channel, the start before this one's predecessor below.
      std::int64_t lo = floatOrder(previous);
      std::int64_t hi = floatOrder(xmax);
      while (hi - lo > 1) {
        const std::int64_t mid = lo + (hi - lo) / 2;
        if (below(floatAt(mid), j))
          lo = mid;
        else
          hi = mid;
      }
      x = floatAt(hi);
    }
    if (below(x, j) || !below(std::nextafter(x, lowest), j)) {
      starts.start.clear();
      return false;
    }
    starts.start[static_cast<std::size_t>(j)] = x;
    previous = std::nextafter(x, lowest);
  }
  starts.nx = nx;
  starts.xmin = xmin;
  starts.xmax = xmax;
  starts.width = width;
  return true;
}

}  // namespace hbook
