// Where each bin of a histogram of equal bins begins as HF1's channel
// arithmetic (channel.h) sees it, for HRNDM1's check that a drawn value lies
// in the bin it was drawn in: two comparisons with the starts of that bin
// and the next one give the same answer as working the channel out (see
// makeBinStarts). They depend on the limits only, and say which ones.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

namespace hbook {

struct BinStarts {
  // For nx bins from xmin to xmax, start[j] (j = 0..nx) is the smallest
  // float whose channel is j + 1 or more, and width the bin width
  // (XMAX - XMIN) / NX as HRNDM1 works it out. nx 0: none.
  std::int32_t nx = 0;
  float xmin = 0.0f;
  float xmax = 0.0f;
  float width = 0.0f;
  std::vector<float> start;

  // Made for exactly these limits (compared bit for bit, so -0 is not 0)?
  bool madeFor(std::int32_t bins, float low, float high) const {
    return nx > 0 && nx == bins && std::bit_cast<std::uint32_t>(xmin) == std::bit_cast<std::uint32_t>(low) &&
           std::bit_cast<std::uint32_t>(xmax) == std::bit_cast<std::uint32_t>(high);
  }
  void drop() { nx = 0; }  // keeps the storage
};

// Makes in `starts` those of nx equal bins from xmin to xmax. Returns false
// and leaves none when the limits are not finite with xmin < xmax and a
// finite difference, or a start fails its check; HRNDM1 then works out the
// channel.
bool makeBinStarts(std::int32_t nx, float xmin, float xmax, BinStarts& starts);

}  // namespace hbook
