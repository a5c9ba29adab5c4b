// Statistics as the package prints them; see summary.h for the arithmetic.
#include "hbook/print/statistics.h"

#include <cmath>
#include <cstddef>

namespace hbook {

Summary summarise(const Histogram& h) {
  Summary s;
  s.entries = h.entries;
  s.underflow = h.underflow();
  s.overflow = h.overflow();
  s.binWidth = h.binWidth();
  const float halfWidth = s.binWidth * 0.5f;
  double sumW = 0.0;
  double sumWX = 0.0;
  double sumWX2 = 0.0;
  float low = h.xmin;
  for (int i = 1; i <= h.nx; ++i) {
    const float content = h.channels[static_cast<std::size_t>(i)];
    const float x = low + halfWidth;
    const float w = std::fabs(content);
    s.inRange += content;
    sumW += w;
    sumWX += x * w;
    sumWX2 += x * x * w;
    low += s.binWidth;
  }
  if (sumW != 0.0) {
    s.mean = sumWX / sumW;
    s.rms = std::sqrt(std::fabs(sumWX2 / sumW - s.mean * s.mean));
  }
  return s;
}

Histogram increments(const Histogram& h) {
  Histogram d = h;
  if (h.entries != -1) return d;
  float previous = 0.0f;
  for (int i = 1; i <= h.nx; ++i) {
    const float f = h.channels[static_cast<std::size_t>(i)];
    d.channels[static_cast<std::size_t>(i)] = f - previous;
    previous = f;
  }
  d.channels.front() = 0.0f;
  d.channels.back() = 0.0f;
  d.entries = 0;
  d.sumw2.clear();
  return d;
}

}  // namespace hbook
