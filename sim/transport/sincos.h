// The sine and cosine of one angle from one libm call.
//
// glibc works out sin, cos and sincos with the same routines (the same
// argument reduction, the same polynomials and rounding), so sincos(x) gives
// sin(x) and cos(x) bit for bit; g++ relies on the same when it merges a sin
// and a cos of one value into a sincos call, as it does for the start
// azimuth. Where it does not always see the pair (TARGET's angles, merged on
// only one of its copies of the code), it is written out here. Other C
// libraries get the two calls.
#pragma once

#include <cmath>

namespace tarn {

struct SinCos {
  double sin, cos;
};

inline SinCos sinAndCos(double x) {
  SinCos out;
#if defined(__GLIBC__)
  ::sincos(x, &out.sin, &out.cos);
#else
  out.sin = std::sin(x);
  out.cos = std::cos(x);
#endif
  return out;
}

}  // namespace tarn
