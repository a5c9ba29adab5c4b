// The guide table of HRNDM1's bin search (see sampleguide.h).
#include "sampleguide.h"

#include <cmath>

namespace hbook {

std::shared_ptr<const SampleGuide> makeSampleGuide(const std::vector<float>& c, std::int32_t nx) {
  if (nx < 1 || c.size() < static_cast<std::size_t>(nx) + 1) return nullptr;
  float previous = 0.0f;  // F(0)
  for (std::int32_t k = 1; k <= nx; ++k) {
    if (!std::isfinite(c[k]) || !(previous <= c[k])) return nullptr;
    previous = c[k];
  }
  if (!(previous <= 1.0f)) return nullptr;

  auto guide = std::make_shared<SampleGuide>();
  guide->nx = nx;
  guide->cells = 1;
  while (guide->cells < nx && guide->cells < (1 << 20)) guide->cells *= 2;
  guide->edge.resize(static_cast<std::size_t>(guide->cells) + 1);
  std::int32_t k = 0;
  for (std::int32_t g = 0; g <= guide->cells; ++g) {
    // g / G is exact: G is a power of two not above 2^20.
    const float t = static_cast<float>(g) / static_cast<float>(guide->cells);
    while (k < nx && c[k + 1] <= t) ++k;
    guide->edge[static_cast<std::size_t>(g)] = k;
  }
  return guide;
}

}  // namespace hbook
