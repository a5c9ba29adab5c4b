// The figures the package prints under each object (HPRINT).
//
// A 1-D histogram, a projection, slice or band, or a profile: ENTRIES, ALL
// CHANNELS (the in-range sum), UNDERFLOW, OVERFLOW, BIN WID, MEAN VALUE and
// R . M . S. Mean and RMS are worked out as the package does, so that they
// agree with its printout on every file the format notes hold:
//   BWID = (XMAX - XMIN) / NX in single precision;
//   the centre X starts at XMIN - BWID/2 and grows by BWID in single
//   precision (variable bins: the centre (edge i + edge i+1) / 2 of each bin);
//   W = |content|; SUMW = sum of W in single precision; W*X and (W*X)*X are
//   rounded to single precision and added in double precision;
//   MEAN = SUMWX / SUMW, RMS = sqrt(|SUMWX2 / SUMW - MEAN^2|) (double).
// ALL CHANNELS is the single-precision sum of the signed contents. A profile
// is printed as the histogram of its bin means (HI), under- and overflow 0.
// A 2-D histogram prints the sums of the nine regions of its cells (below,
// inside and above the range in x and in y), each a single-precision sum over
// the cells from the lowest y row up, x inner.
#pragma once

#include <cstdint>
#include <vector>

#include "hbook/objects/histogram.h"
#include "hbook/objects/histogram2d.h"
#include "hbook/objects/profile.h"

namespace hbook {

struct Summary {
  std::int32_t entries = 0;  // -1: contents are the sampler's running sum
  float inRange = 0.0f;      // sum of the in-range contents, with their signs
  float underflow = 0.0f;
  float overflow = 0.0f;
  float binWidth = 0.0f;
  double mean = 0.0;  // 0 when every in-range bin is 0
  double rms = 0.0;

  // The package prints "NO ENTRIES" instead of the statistics.
  bool noEntries() const { return entries == 0; }
  // HRNDM1 has replaced the contents by their normalised running sum.
  bool cumulative() const { return entries == -1; }
};

// Channels 0 (underflow) .. n+1 (overflow) over n bins from low to high, or
// over the n+1 `edges` when given.
Summary summariseChannels(const std::vector<float>& channels, std::int32_t n, float low, float high,
                          std::int32_t entries, const std::vector<float>& edges = {});
Summary summarise(const Histogram& h);
// A projection, slice or band, binned like its histogram's x (PROX, SLIX,
// BANX) or y (PROY, SLIY, BANY) axis.
Summary summarise(const Histogram2D& h, const Projection& p);
Summary summarise(const Profile& p);

// Region sums of a 2-D histogram: [y][x], 0 below the range, 1 inside, 2 above.
struct RegionSums {
  float sum[3][3] = {};
};
RegionSums regionSums(const Histogram2D& h);

// The distribution a cumulative histogram was made from, normalised: bin i
// holds the running sum's step F(i) - F(i-1), entries 0. Other histograms
// come back unchanged.
Histogram increments(const Histogram& h);

}  // namespace hbook
