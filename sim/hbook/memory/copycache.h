// The copies HCOPYR makes of one source histogram, kept by range.
//
// A copy of bins ifirst..ilast of a source is a booking filled at the
// source's nx bin centres with their contents (store.h): what it holds
// depends on nothing but the source's nx, edges and contents and the range.
// The cache keeps, for the last source copied, the channels each range gave
// and what HRNDM1's integration makes of them, so that a repeated copy takes
// the stored channels instead of nx fills and its first draw the stored
// integration instead of a new one - the same bits, since both were made by
// the same code from the same numbers. A source whose nx, edges or contents
// differ in any bit from the one the copies were made of starts the cache
// afresh.
#pragma once

#include <cstdint>
#include <vector>

#include "hbook/objects/histogram.h"

namespace hbook {

// HCOPYR's fills: source bins 1..nx at their centres xmin + (i - 0.5) * width,
// with their contents as the weights, into copy (HF1 rules).
void fillCopy(Histogram& copy, const float* sourceBins, std::int32_t nx, float xmin, float width);

class CopyCache {
 public:
  static constexpr std::int32_t MAX_SOURCE_BINS = 256;

  // A kept copy: its channels as booked and filled and, when its total is
  // non-zero and finite (no message), HRNDM1's integration of them.
  struct Copy {
    bool made = false;
    std::vector<float> channels;
    bool integrable = false;
    std::vector<float> integrated;
    SampleGuide guide;
  };

  // The kept copy of `source`'s bins ifirst..ifirst+bins-1 booked from
  // newXmin to newXmax (made now when not yet kept), or null when such a
  // range is not kept (more bins than the source has plus one, or a source
  // of more than MAX_SOURCE_BINS bins).
  const Copy* copy(const Histogram& source, std::int32_t ifirst, std::int32_t bins, float newXmin, float newXmax);
  // ... its channels 0..bins+1.
  const std::vector<float>* channels(const Histogram& source, std::int32_t ifirst, std::int32_t bins,
                                     float newXmin, float newXmax) {
    const Copy* c = copy(source, ifirst, bins, newXmin, newXmax);
    return c ? &c->channels : nullptr;
  }

  // The kept, integrable copy whose channels are bit for bit h's, or null.
  const Copy* integrable(const Histogram& h) const;

  std::size_t ranges() const;  // ranges kept
  void clear();

 private:
  bool sameSource(const Histogram& source, std::int32_t ifirst) const;

  // The source the copies were made of: nx, edges, bins 1..nx, first bin.
  std::int32_t nx_ = 0;
  float xmin_ = 0.0f, xmax_ = 0.0f;
  std::vector<float> bins_;
  std::int32_t ifirst_ = 0;
  std::vector<Copy> byBins_;  // index: bins of the copy - 1
};

}  // namespace hbook
