// The guide table of HRNDM1's bin search (see sampleguide.h).
#include "hbook/memory/sampleguide.h"

#include <cmath>

namespace hbook {

bool makeSampleGuide(const std::vector<float>& c, std::int32_t nx, SampleGuide& guide) {
  guide.drop();
  if (nx < 1 || nx > SAMPLE_GUIDE_MAX_BINS || c.size() < static_cast<std::size_t>(nx) + 1) return false;
  float previous = 0.0f;  // F(0)
  for (std::int32_t k = 1; k <= nx; ++k) {
    if (!std::isfinite(c[k]) || !(previous <= c[k])) return false;
    previous = c[k];
  }
  if (!(previous <= 1.0f)) return false;

  guide.cells = 1;
  while (guide.cells < nx) guide.cells *= 2;
  guide.edge.resize(static_cast<std::size_t>(guide.cells) + 1);
  std::int32_t k = 0;
  for (std::int32_t g = 0; g <= guide.cells; ++g) {
    // g / G is exact: G is a power of two not above 2^16.
    const float t = static_cast<float>(g) / static_cast<float>(guide.cells);
    while (k < nx && c[k + 1] <= t) ++k;
    guide.edge[static_cast<std::size_t>(g)] = static_cast<std::uint16_t>(k);
  }
  guide.nx = nx;
  return true;
}

}  // namespace hbook
