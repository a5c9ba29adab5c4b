// HRNDM1's bin search (sampleBin, the search sample() inlines) against the
// bisection written plainly with F(0) = 0, over random contents: integrated
// ones with and without the guide, and contents marked integrated that are
// no cumulative sum (decreasing, negative, not finite), for uniform numbers
// anywhere, on every F value and next to it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "hbook/memory/store.h"

namespace {

using hbook::Histogram;

// The bisection as HRNDM1 states it.
std::int32_t plainBin(const Histogram& h, float r) {
  auto F = [&h](std::int32_t k) { return k == 0 ? 0.0f : h.channels[static_cast<std::size_t>(k)]; };
  std::int32_t lo = 0, hi = h.nx;
  if (!(r < F(h.nx))) return 0;
  while (hi - lo > 1) {
    const std::int32_t mid = lo + (hi - lo) / 2;
    if (F(mid) <= r)
      lo = mid;
    else
      hi = mid;
  }
  return lo;
}

Histogram randomContents(std::mt19937& random, bool awkward) {
  std::uniform_int_distribution<int> bins(1, 300), what(0, 9);
  std::uniform_real_distribution<float> value(0.0f, 2.0f);
  Histogram h;
  h.id = 5;
  h.nx = bins(random);
  h.xmin = -1.0f;
  h.xmax = 2.0f;
  h.channels.assign(static_cast<std::size_t>(h.nx) + 2, 0.0f);
  for (std::int32_t k = 1; k <= h.nx; ++k) {
    const int w = what(random);
    float v = w < 3 ? 0.0f : value(random);
    if (awkward && w == 9) v = -v;
    if (awkward && w == 8 && k % 7 == 0) v = std::numeric_limits<float>::quiet_NaN();
    h.channels[static_cast<std::size_t>(k)] = v;
  }
  h.entries = h.nx;
  if (awkward) {
    h.entries = -1;  // taken as integrated as they stand
  } else {
    h.channels[static_cast<std::size_t>(1 + what(random) % h.nx)] += 1.0f;  // something to draw
    hbook::resetRndm();
    hbook::sample(h);  // integrates and makes the guide
  }
  return h;
}

}  // namespace

TEST(HbookSampleBin, TheSameBinAsThePlainBisection) {
  std::mt19937 random(20261212);
  std::uniform_real_distribution<float> uniform(0.0f, 1.0f);
  for (int n = 0; n < 600; ++n) {
    const bool awkward = n % 3 == 2;
    Histogram h = randomContents(random, awkward);
    Histogram unguided = h;
    unguided.sampleGuide.drop();
    if (!awkward) {
      ASSERT_TRUE(h.sampleGuide.madeFor(h.nx));
    }
    std::vector<float> rs = {0.0f, -0.0f, 1.0f, std::nextafter(1.0f, 0.0f), 0x1p-25f};
    for (int k = 0; k < 200; ++k) rs.push_back(uniform(random));
    for (std::int32_t k = 1; k <= h.nx; ++k) {
      const float f = h.channels[static_cast<std::size_t>(k)];
      rs.push_back(f);
      rs.push_back(std::nextafter(f, 0.0f));
      rs.push_back(std::nextafter(f, 2.0f));
    }
    for (float r : rs) {
      const std::int32_t expected = plainBin(h, r);
      ASSERT_EQ(hbook::sampleBin(h, r), expected) << "histogram " << n << " r " << std::hexfloat << r;
      ASSERT_EQ(hbook::sampleBin(unguided, r), expected) << "histogram " << n << " r " << std::hexfloat << r;
    }
  }
}
