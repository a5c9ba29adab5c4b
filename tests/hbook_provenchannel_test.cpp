// provenChannel (channel.h), HRNDM1's division-free check that a drawn
// value lies in its bin: it never claims a channel that channelIn does not
// give (random and awkward limits, every bin edge and the floats around it,
// values outside, NaN, an infinite width), and it decides nearly every value
// not next to an edge.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "hbook/memory/channel.h"

namespace {

struct Limits {
  std::int32_t nx;
  float xmin, xmax;
  // Many floats per bin and no overflow of (x - XMIN) * NX: nearly every
  // value is away from an edge.
  bool ordinary = true;
};

// Checks every k around x's channel; counts the claims.
int claims(const Limits& l, float x) {
  const std::int32_t channel = hbook::channelIn(l.nx, l.xmin, l.xmax, x);
  int made = 0;
  for (std::int32_t k = channel - 3; k <= channel + 1; ++k) {
    if (!hbook::provenChannel(l.nx, l.xmin, l.xmax, x, k)) continue;
    ++made;
    EXPECT_EQ(channel, k + 1) << std::hexfloat << "nx " << l.nx << " [" << l.xmin << ", " << l.xmax << ") x " << x;
  }
  return made;
}

std::vector<Limits> awkwardLimits() {
  std::vector<Limits> all;
  // The copies of S(q): bins 1..last of 90 bins of 0.04 from 0.
  const float width = 3.6f / 90.0f;
  for (std::int32_t last = 1; last <= 90; ++last) all.push_back({last, 0.0f, static_cast<float>(last) * width});
  all.push_back({90, 1.0f, 10.0f});  // the spectrum
  all.push_back({7, -3.3f, 0.1f});
  all.push_back({1000, -1e-30f, 1e-30f});
  all.push_back({3, 1e-44f, 1e-40f});  // subnormal limits and width
  all.push_back({65535, 0.0f, 1.0f});
  all.push_back({1 << 24, 0.0f, 1.0f});
  all.push_back({13, 1e37f, 3e38f, false});        // (x - XMIN) * NX overflows: the channel is NX + 1
  all.push_back({5, 100.0f, 100.00005f, false});   // a few floats per bin
  return all;
}

TEST(HbookProvenChannel, NeverClaimsAChannelAtOrAroundAnyBinEdge) {
  for (const Limits& l : awkwardLimits()) {
    const float w = (l.xmax - l.xmin) / static_cast<float>(l.nx);
    const std::int32_t edges = std::min<std::int32_t>(l.nx, 400);
    for (std::int32_t j = 0; j <= edges; ++j) {
      const float edge = j == l.nx ? l.xmax : l.xmin + static_cast<float>(j) * w;
      float below = edge, above = edge;
      claims(l, edge);
      for (int s = 0; s < 12; ++s) {
        claims(l, below = std::nextafter(below, -std::numeric_limits<float>::infinity()));
        claims(l, above = std::nextafter(above, std::numeric_limits<float>::infinity()));
      }
    }
  }
}

TEST(HbookProvenChannel, NeverClaimsAndNearlyAlwaysDecidesForRandomValues) {
  std::mt19937_64 gen(1211);
  for (const Limits& l : awkwardLimits()) {
    std::uniform_real_distribution<float> inside(l.xmin, l.xmax);
    int made = 0;
    const int n = 20000;
    for (int i = 0; i < n; ++i) made += claims(l, inside(gen));
    // Each value inside has one channel; only values within a rounding of
    // an edge are left undecided.
    EXPECT_LE(made, n);
    if (l.ordinary) {
      EXPECT_GT(made, n - n / 100) << "nx " << l.nx << " from " << l.xmin;
    }
  }
  // Random limits of every size and sign.
  std::uniform_real_distribution<float> exponent(-40.0f, 37.0f), unit(-1.0f, 1.0f);
  std::uniform_int_distribution<std::int32_t> bins(1, 2000);
  for (int t = 0; t < 2000; ++t) {
    const float a = unit(gen) * std::pow(10.0f, exponent(gen));
    const float b = a + std::fabs(unit(gen)) * std::pow(10.0f, exponent(gen));
    const Limits l{bins(gen), a, b};
    std::uniform_real_distribution<float> inside(l.xmin, l.xmax);
    for (int i = 0; i < 50; ++i) claims(l, inside(gen));
  }
}

TEST(HbookProvenChannel, OutsideNaNAndUnusableLimitsAreNeverDecided) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(hbook::provenChannel(10, 0.0f, 1.0f, 1.0f, 9));               // x = XMAX: overflow
  EXPECT_FALSE(hbook::provenChannel(10, 0.0f, 1.0f, -1e-30f, 0));            // below
  EXPECT_FALSE(hbook::provenChannel(10, 0.0f, 1.0f, nan, 0));
  EXPECT_FALSE(hbook::provenChannel(10, 0.0f, 1.0f, 0.5f, 10));              // no bin 11
  EXPECT_FALSE(hbook::provenChannel(10, 0.0f, 1.0f, 0.05f, -1));
  EXPECT_FALSE(hbook::provenChannel(4, -3e38f, 3e38f, 0.0f, 1));             // infinite width
  EXPECT_FALSE(hbook::provenChannel(4, -inf, 0.0f, -1.0f, 3));
  EXPECT_FALSE(hbook::provenChannel(4, nan, 1.0f, 0.5f, 2));
  EXPECT_FALSE(hbook::provenChannel((1 << 24) + 1, 0.0f, 1.0f, 0.5f, 1 << 23));  // bins beyond exact floats
  EXPECT_TRUE(hbook::provenChannel(10, 0.0f, 1.0f, 0.55f, 5));
  EXPECT_TRUE(hbook::provenChannel(10, 0.0f, 1.0f, 0.0f, 0));                // XMIN is bin 1
}

}  // namespace
