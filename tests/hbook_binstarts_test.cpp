// HRNDM1's bin starts against the channel arithmetic they stand for: the
// number of starts at or below x is x's channel for every x tried (random
// limits, every start and the floats next to it, values beyond the range),
// and draws with the starts are bit for bit those without them.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "hbook/memory/channel.h"
#include "hbook/memory/binstarts.h"
#include "hbook/memory/store.h"

namespace {

struct Limits {
  std::int32_t nx;
  float xmin, xmax;
};

// Limits as runs book them (S(q) copies from 0, a spectrum from 1 Å) and
// awkward ones: negative, narrow against their size, tiny, huge, and so
// huge that (x - XMIN) * NX overflows inside the range (kind 6).
Limits randomLimits(std::mt19937& random, int* kindOut = nullptr) {
  std::uniform_int_distribution<int> bins(1, 300), kind(0, 6);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  const std::int32_t nx = bins(random);
  const int k = kind(random);
  if (kindOut) *kindOut = k;
  switch (k) {
    case 0: return {nx, 0.0f, 0.04f * static_cast<float>(nx)};
    case 1: return {nx, 1.0f, 10.0f};
    case 2: return {nx, -3.0f + unit(random), 2.0f + unit(random)};
    case 3: {
      const float low = 1000.0f + unit(random);
      return {nx, low, low + 0.001f + 1e-4f * unit(random)};
    }
    case 4: return {nx, 1e-38f * (unit(random) - 1.5f), 1e-37f};
    case 5: return {nx, -1e30f, 3e35f * (unit(random) + 1.5f)};
    default: return {nx, -1e30f, 3e37f * (unit(random) + 1.5f)};
  }
}

std::int32_t channelFromStarts(const hbook::BinStarts& g, float x) {
  std::int32_t channel = 0;
  for (float s : g.start) channel += s <= x ? 1 : 0;
  return channel;
}

TEST(HbookBinStarts, CountOfStartsAtOrBelowIsTheChannel) {
  std::mt19937 random(20261209);
  std::uniform_real_distribution<float> where(-0.2f, 1.2f);
  for (int n = 0; n < 400; ++n) {
    int kind = 0;
    const Limits l = randomLimits(random, &kind);
    hbook::BinStarts g;
    const bool made = hbook::makeBinStarts(l.nx, l.xmin, l.xmax, g);
    // Where the product overflows, the channel jumps to the overflow far
    // from where the bins' starts are looked for: none may be made then.
    if (kind == 6 && !made) {
      EXPECT_FALSE(g.madeFor(l.nx, l.xmin, l.xmax));
      continue;
    }
    ASSERT_TRUE(made) << n << " kind " << kind << ": " << l.nx << " bins " << std::hexfloat << l.xmin << " " << l.xmax;
    ASSERT_TRUE(g.madeFor(l.nx, l.xmin, l.xmax));
    ASSERT_EQ(g.start.size(), static_cast<std::size_t>(l.nx) + 1);
    ASSERT_EQ(std::bit_cast<std::uint32_t>(g.width),
              std::bit_cast<std::uint32_t>((l.xmax - l.xmin) / static_cast<float>(l.nx)));
    std::vector<float> xs = {
        l.xmin, l.xmax, -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::infinity(), 0.0f, -0.0f};
    for (float s : g.start)
      for (float x = std::nextafter(std::nextafter(s, -INFINITY), -INFINITY), k = 0; k < 5;
           ++k, x = std::nextafter(x, INFINITY))
        xs.push_back(x);
    for (int k = 0; k < 300; ++k) xs.push_back(l.xmin + (l.xmax - l.xmin) * where(random));
    for (float x : xs)
      ASSERT_EQ(channelFromStarts(g, x), hbook::channelIn(l.nx, l.xmin, l.xmax, x))
          << n << ": " << l.nx << " bins " << std::hexfloat << l.xmin << " " << l.xmax << " x " << x;
  }
}

TEST(HbookBinStarts, NoneForLimitsWithoutAnOrder) {
  hbook::BinStarts g;
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (Limits l : {Limits{10, 1.0f, 1.0f}, Limits{10, 2.0f, 1.0f}, Limits{10, 0.0f, inf}, Limits{10, -inf, 0.0f},
                   Limits{10, nan, 1.0f}, Limits{10, -3e38f, 3e38f}, Limits{0, 0.0f, 1.0f}}) {
    EXPECT_FALSE(hbook::makeBinStarts(l.nx, l.xmin, l.xmax, g)) << l.nx << " " << l.xmin << " " << l.xmax;
    EXPECT_FALSE(g.madeFor(l.nx, l.xmin, l.xmax));
  }
  ASSERT_TRUE(hbook::makeBinStarts(10, 0.0f, 1.0f, g));
  EXPECT_FALSE(g.madeFor(10, -0.0f, 1.0f));  // other bits: not the same limits
  EXPECT_FALSE(g.madeFor(11, 0.0f, 1.0f));
  EXPECT_FALSE(g.madeFor(10, 0.0f, std::nextafter(1.0f, 2.0f)));
}

float nextUniform = 0.0f;
float givenUniform() { return nextUniform; }

TEST(HbookBinStarts, DrawsWithTheStartsAreTheDrawsWithout) {
  std::mt19937 random(20261210);
  std::uniform_real_distribution<float> content(0.0f, 2.0f), uniform(0.0f, 1.0f);
  std::uniform_int_distribution<int> empty(0, 3);
  hbook::setSamplerSource(givenUniform);
  for (int n = 0; n < 300; ++n) {
    int kind = 0;
    const Limits l = randomLimits(random, &kind);
    if (kind == 6) continue;
    hbook::Histogram h;
    h.id = 7;
    h.nx = l.nx;
    h.xmin = l.xmin;
    h.xmax = l.xmax;
    h.channels.assign(static_cast<std::size_t>(l.nx) + 2, 0.0f);
    for (std::int32_t k = 1; k <= l.nx; ++k)
      h.channels[static_cast<std::size_t>(k)] = empty(random) == 0 ? 0.0f : content(random);
    h.channels[1] += 1.0f;
    nextUniform = 0.5f;
    hbook::sample(h);  // integrates, with the guide and the starts
    ASSERT_TRUE(h.binStarts.madeFor(h.nx, h.xmin, h.xmax)) << n;
    hbook::Histogram without = h;
    without.binStarts.drop();
    std::vector<float> rs = {0.0f, std::nextafter(1.0f, 0.0f), 0x1p-25f};
    for (int k = 0; k < 200; ++k) rs.push_back(uniform(random));
    for (std::int32_t k = 1; k < h.nx; ++k) {
      const float f = h.channels[static_cast<std::size_t>(k)];
      for (float r : {f, std::nextafter(f, 0.0f), std::nextafter(f, 2.0f)}) rs.push_back(r);
    }
    for (float r : rs) {
      nextUniform = r;
      const float a = hbook::sample(h);
      const float b = hbook::sample(without);
      ASSERT_EQ(std::bit_cast<std::uint32_t>(a), std::bit_cast<std::uint32_t>(b))
          << n << " r " << std::hexfloat << r << ": " << a << " against " << b;
    }
  }
  hbook::setSamplerSource(nullptr);
}

}  // namespace
