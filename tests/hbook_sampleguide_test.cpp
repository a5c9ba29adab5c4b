// HRNDM1's guided bin search finds exactly the bin of the plain bisection:
// for every uniform number RNDM can give on the run's spectrum and S(q)
// copies, and for every boundary value on contents made to be awkward.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "hbook/memory/sampleguide.h"
#include "hbook/memory/store.h"
#include "support/hbookdumps.h"

namespace {

using hbook::Histogram;
using hbook::Store;

Histogram withContents(const std::vector<float>& contents) {
  Histogram h;
  h.id = 9;
  h.nx = static_cast<std::int32_t>(contents.size());
  h.xmin = 0.0f;
  h.xmax = 1.0f;
  h.channels.assign(contents.size() + 2, 0.0f);
  for (std::size_t i = 0; i < contents.size(); ++i) h.channels[i + 1] = contents[i];
  h.entries = h.nx;
  return h;
}

// h integrated by a first draw (which makes its guide).
Histogram integrated(Histogram h) {
  hbook::resetRndm();
  hbook::sample(h);
  return h;
}

Histogram unguided(const Histogram& h) {
  Histogram plain = h;
  plain.sampleGuide.drop();
  return plain;
}

// Every multiple of 2^-24 in [0, 1): all RNDM can give.
void expectSameBinForEveryRndmValue(const Histogram& guided) {
  ASSERT_TRUE(guided.sampleGuide.madeFor(guided.nx));
  const Histogram plain = unguided(guided);
  std::int64_t differing = 0;
  for (std::uint32_t k = 0; k < (1u << 24); ++k) {
    const float r = static_cast<float>(k) * 0x1p-24f;
    differing += hbook::sampleBin(guided, r) != hbook::sampleBin(plain, r);
  }
  EXPECT_EQ(differing, 0);
}

// r at and next to every F(K) and every guide boundary g/G, a sweep of
// 2^16 values, and tiny values as RANLUX's padded numbers can be.
void expectSameBinAtEveryBoundary(const Histogram& guided) {
  ASSERT_TRUE(guided.sampleGuide.madeFor(guided.nx));
  const Histogram plain = unguided(guided);
  std::vector<float> rs = {0.0f, 0x1p-48f, 0x1p-25f, 0x1p-24f, std::nextafter(1.0f, 0.0f)};
  for (std::int32_t k = 1; k <= guided.nx; ++k) rs.push_back(guided.channels[k]);
  for (std::int32_t g = 0; g <= guided.sampleGuide.cells; ++g)
    rs.push_back(static_cast<float>(g) / static_cast<float>(guided.sampleGuide.cells));
  for (int i = 0; i < 65536; ++i) rs.push_back(static_cast<float>(i) / 65536.0f + 0x1p-30f);
  for (float r : std::vector<float>(rs)) {
    rs.push_back(std::nextafter(r, 0.0f));
    rs.push_back(std::nextafter(r, 1.0f));
  }
  for (float r : rs) {
    if (!(r >= 0.0f && r < 1.0f)) continue;
    ASSERT_EQ(hbook::sampleBin(guided, r), hbook::sampleBin(plain, r)) << std::hexfloat << r;
  }
}

}  // namespace

TEST(HbookSampleGuide, ShippedSpectrumEveryRndmValue) {
  Histogram lam = testsupport::readDump("lam.dump.txt").at(100);
  expectSameBinForEveryRndmValue(integrated(lam));
}

TEST(HbookSampleGuide, StructureFactorCopiesEveryRndmValue) {
  Store store;
  store.put(testsupport::readDump("sq.dump.txt").at(301));
  // A wide copy (empty first bin) and a narrow one (few bins, coarse guide).
  for (std::int32_t last : {77, 6}) {
    store.copyRange(301, 302, " ", 0, last);
    store.random(302);
    expectSameBinForEveryRndmValue(*store.find(302));
  }
}

TEST(HbookSampleGuide, AwkwardContentsAtEveryBoundary) {
  // Plateaus (empty bins) at the start, middle and end; one full bin; bins
  // whose cumulative sums fall exactly on guide boundaries; one bin; a
  // power of two and a number just above one; tiny and huge ratios.
  const std::vector<std::vector<float>> cases = {
      {0, 0, 1, 0, 0, 0, 1, 1, 0, 0},
      {0, 0, 0, 0, 0, 0, 0, 1},
      {1, 0, 0, 0, 0, 0, 0, 0, 0},
      {1, 1, 1, 1, 1, 1, 1, 1},
      {1, 1, 1, 1, 1, 1, 1, 1, 1},
      {1},
      {1e-30f, 1.0f, 1e-30f, 1e30f, 1e-30f},
      {3, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
  };
  for (const auto& contents : cases) expectSameBinAtEveryBoundary(integrated(withContents(contents)));
  std::vector<float> ramp(1000);
  for (int i = 0; i < 1000; ++i) ramp[i] = static_cast<float>(i % 17 == 0 ? 0 : i * i);
  expectSameBinAtEveryBoundary(integrated(withContents(ramp)));
}

TEST(HbookSampleGuide, NoGuideWhereOnlyThePlainBisectionIsExact) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  // Decreasing, not finite, or beyond 1: contents marked integrated by hand.
  for (const std::vector<float>& c : std::vector<std::vector<float>>{
           {0.5f, 0.4f, 1.0f}, {0.2f, nan, 1.0f}, {0.5f, 1.0f, 1.5f}, {-0.1f, 0.5f, 1.0f}}) {
    const Histogram h = withContents(c);
    hbook::SampleGuide guide;
    EXPECT_FALSE(hbook::makeSampleGuide(h.channels, h.nx, guide));
    EXPECT_FALSE(guide.madeFor(h.nx));
  }
  hbook::SampleGuide guide;
  EXPECT_TRUE(hbook::makeSampleGuide(withContents({0.25f, 0.5f, 1.0f}).channels, 3, guide));
  EXPECT_TRUE(guide.madeFor(3));
  // More bins than 16-bit entries can name.
  std::vector<float> many(65536, 0.5f);
  many.back() = 1.0f;
  EXPECT_FALSE(hbook::makeSampleGuide(withContents(many).channels, 65536, guide));
  EXPECT_FALSE(guide.madeFor(3));
  many.pop_back();
  many.back() = 1.0f;
  EXPECT_TRUE(hbook::makeSampleGuide(withContents(many).channels, 65535, guide));
  // A fill into an integrated histogram drops its guide; the draw after it
  // integrates again and makes a new one.
  Store store;
  store.put(withContents({1, 2, 3}));
  store.random(9);
  ASSERT_TRUE(store.find(9)->sampleGuide.madeFor(3));
  store.fill(9, 0.5f, 1.0f);
  EXPECT_FALSE(store.find(9)->sampleGuide.madeFor(3));
  store.random(9);
  EXPECT_TRUE(store.find(9)->sampleGuide.madeFor(3));
}

TEST(HbookSampleGuide, DrawsWithAndWithoutTheGuideAgree) {
  Histogram guided = integrated(testsupport::readDump("lam.dump.txt").at(100));
  Histogram plain = unguided(guided);
  hbook::resetRndm();
  std::vector<float> a;
  for (int i = 0; i < 100000; ++i) a.push_back(hbook::sample(guided));
  hbook::resetRndm();
  for (int i = 0; i < 100000; ++i) ASSERT_EQ(testsupport::bitsOf(hbook::sample(plain)), testsupport::bitsOf(a[i])) << i;
}
