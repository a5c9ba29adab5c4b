// The channel HF1 fills for a value x of a histogram of nx equal bins from
// xmin to xmax: 0 below, nx + 1 at and above xmax (and for NaN), else
// int((x - XMIN) * NX / (XMAX - XMIN)) + 1, left to right in single
// precision. Store::channelOf and HRNDM1's bin starts use this one form.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

namespace hbook {

inline std::int32_t channelIn(std::int32_t nx, float xmin, float xmax, float x) {
  if (x < xmin) return 0;          // also -Inf
  if (!(x < xmax)) return nx + 1;  // x >= xmax, +Inf and NaN
  const float scaled = (x - xmin) * static_cast<float>(nx) / (xmax - xmin);
  // x just below XMAX can round up to NX: the package then writes the
  // overflow word. Anything not finite (a histogram with unusable edges)
  // also goes there, and never reaches the integer conversion.
  if (!(scaled < static_cast<float>(nx))) return nx + 1;
  if (!(scaled >= 0.0f)) return 0;
  return static_cast<std::int32_t>(scaled) + 1;
}

// True only when channelIn(nx, xmin, xmax, x) is k + 1 (0 <= k < nx),
// found without the division; false when that is not certain (x within
// about one rounding of an edge of bin k + 1, or outside it), and the
// channel is then to be worked out. With u = x - xmin and p = u * NX as
// channelIn rounds them and D = XMAX - XMIN finite and positive (xmin <= x
// < xmax), the quotient's rounding is monotone, so
//   p >= K * D                   gives p / D >= K, rounded at least K;
//   p <= D * (float below K + 1) gives at most that float, below K + 1;
// and the channel is K + 1. Both products are of two floats of at most 24
// significant bits, exact in double precision; K + 1 <= NX <= 2^24 is exact
// in single precision, so the test against NX passes too.
inline bool provenChannel(std::int32_t nx, float xmin, float xmax, float x, std::int32_t k) {
  constexpr std::int32_t EXACT_INTEGERS = 1 << 24;  // floats hold every integer up to here
  if (!(xmin <= x && x < xmax) || k < 0 || k >= nx || nx > EXACT_INTEGERS) return false;
  const float D = xmax - xmin;
  if (!std::isfinite(D)) return false;  // an infinite width
  const float p = (x - xmin) * static_cast<float>(nx);
  const float above = static_cast<float>(k + 1);
  const float below = std::bit_cast<float>(std::bit_cast<std::uint32_t>(above) - 1u);  // the float below k + 1
  const double pd = p;
  return pd >= static_cast<double>(k) * static_cast<double>(D) && pd <= static_cast<double>(D) * static_cast<double>(below);
}

}  // namespace hbook
