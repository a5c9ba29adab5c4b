// The package's printed figures; statistics.h gives the arithmetic.
#include "hbook/print/statistics.h"

#include <cmath>
#include <cstddef>

namespace hbook {

Summary summariseChannels(const std::vector<float>& channels, std::int32_t n, float low, float high,
                          std::int32_t entries, const std::vector<float>& edges) {
  Summary s;
  s.entries = entries;
  s.underflow = channels.front();
  s.overflow = channels.back();
  s.binWidth = (high - low) / static_cast<float>(n);
  float x = low - s.binWidth / 2.0f;
  float sumW = 0.0f;
  double sumWX = 0.0;
  double sumWX2 = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) {
    const auto k = static_cast<std::size_t>(i);
    x = edges.empty() ? x + s.binWidth : (edges[k - 1] + edges[k]) / 2.0f;
    const float content = channels[k];
    const float w = std::fabs(content);
    const float wx = w * x;
    const float wx2 = wx * x;
    s.inRange += content;
    sumW += w;
    sumWX += wx;
    sumWX2 += wx2;
  }
  if (sumW != 0.0f) {
    s.mean = sumWX / sumW;
    s.rms = std::sqrt(std::fabs(sumWX2 / sumW - s.mean * s.mean));
  }
  return s;
}

Summary summarise(const Histogram& h) {
  return summariseChannels(h.channels, h.nx, h.xmin, h.xmax, h.entries, h.edges);
}

Summary summarise(const Histogram2D& h, const Projection& p) {
  const bool onX = p.onX();
  return summariseChannels(p.channels, onX ? h.nx : h.ny, onX ? h.xmin : h.ymin, onX ? h.xmax : h.ymax, p.entries);
}

Summary summarise(const Profile& p) {
  std::vector<float> means(static_cast<std::size_t>(p.nx) + 2, 0.0f);
  for (std::int32_t b = 1; b <= p.nx; ++b) means[static_cast<std::size_t>(b)] = p.mean(b);
  return summariseChannels(means, p.nx, p.xmin, p.xmax, p.entries);
}

RegionSums regionSums(const Histogram2D& h) {
  RegionSums r;
  auto region = [](int i, int n) { return i == 0 ? 0 : i <= n ? 1 : 2; };
  for (int iy = 0; iy <= h.ny + 1; ++iy) {
    for (int ix = 0; ix <= h.nx + 1; ++ix) r.sum[region(iy, h.ny)][region(ix, h.nx)] += h.cell(ix, iy);
  }
  return r;
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
