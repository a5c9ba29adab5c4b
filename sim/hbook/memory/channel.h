// The channel HF1 fills for a value x of a histogram of nx equal bins from
// xmin to xmax: 0 below, nx + 1 at and above xmax (and for NaN), else
// int((x - XMIN) * NX / (XMAX - XMIN)) + 1, left to right in single
// precision. Store::channelOf and HRNDM1's bin starts use this one form.
#pragma once

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

}  // namespace hbook
