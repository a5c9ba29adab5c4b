// The statistics the package prints under a 1-D histogram (HPRINT): entries,
// the in-range sum, under- and overflow, bin width, mean and RMS.
//
// Mean and RMS come from the bin centres weighted by the absolute contents,
// worked out as the package does it, so that they agree with its printout to
// the printed digits: the centres are stepped along in single precision (low
// edge advanced by the bin width, plus half a width), the products x*|w| and
// x*x*|w| are formed in single precision and summed in double, and
// RMS = sqrt(|sum x²w / sum w - mean²|). A single filled bin therefore shows
// an RMS of a few 1e-4 of its centre, as the package prints it.
#pragma once

#include <cstdint>

#include "hbook/objects/histogram.h"

namespace hbook {

struct Summary {
  std::int32_t entries = 0;  // -1: contents are the sampler's running sum
  double inRange = 0.0;      // sum of the in-range contents, with their signs
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

Summary summarise(const Histogram& h);

// The distribution a cumulative histogram was made from, normalised: bin i
// holds the running sum's step F(i) - F(i-1), entries 0. Other histograms
// come back unchanged.
Histogram increments(const Histogram& h);

}  // namespace hbook
