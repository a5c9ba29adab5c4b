// HRNDM1 and RNDM: the package's draws reproduced bit for bit, the in-place
// integration, and safe behaviour on empty, all-zero and odd contents.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "hbook/memory/store.h"
#include "support/consolecapture.h"
#include "support/hbookdumps.h"

namespace {

using hbook::Histogram;
using hbook::Store;
using testsupport::bitsOf;
using testsupport::readDump;

using testsupport::ConsoleCapture;

// The draws of hrndm1-sequences.txt: the float bits of each line, per sequence.
std::vector<std::vector<std::uint32_t>> readSequences() {
  std::ifstream in(testsupport::dataPath("hrndm1-sequences.txt"));
  std::vector<std::vector<std::uint32_t>> sequences;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("SEQUENCE", 0) == 0) {
      sequences.emplace_back();
      continue;
    }
    std::istringstream s(line);
    std::string index, value, hex;
    if (s >> index >> value >> hex)
      sequences.back().push_back(static_cast<std::uint32_t>(std::stoul(hex, nullptr, 16)));
  }
  return sequences;
}

Histogram makeHistogram(std::int32_t id, std::vector<float> contents, float xmin, float xmax) {
  Histogram h;
  h.id = id;
  h.nx = static_cast<std::int32_t>(contents.size());
  h.xmin = xmin;
  h.xmax = xmax;
  h.channels.assign(contents.size() + 2, 0.0f);
  for (std::size_t i = 0; i < contents.size(); ++i) h.channels[i + 1] = contents[i];
  h.entries = h.nx;
  return h;
}

// ---------------------------------------------------------------- RNDM

TEST(HbookRndm, MultiplicativeCongruentialFromTwelveThousand345) {
  hbook::resetRndm();
  std::uint64_t state = 12345;
  for (int i = 0; i < 1000; ++i) {
    state = (state * 69069u) % 4294967296u;
    const double expected = static_cast<double>(state >> 8) / 16777216.0;
    const float r = hbook::rndm();
    ASSERT_EQ(static_cast<double>(r), expected) << "draw " << i;
    ASSERT_GT(r, 0.0f);
    ASSERT_LT(r, 1.0f);
  }
  hbook::resetRndm();
  EXPECT_EQ(static_cast<double>(hbook::rndm()), 3330690.0 / 16777216.0);  // 12345 * 69069 >> 8
}

// The 16140854th number of the sequence has a zero top: RNDM gives 2^-25
// there, never zero (a zero would take HRNDM1 below the first bin).
TEST(HbookRndm, TheZeroOfTheSequenceIsGivenAsTwoToTheMinus25) {
  hbook::resetRndm();
  std::uint32_t state = 12345u;
  for (std::uint64_t i = 1; i < 16140854u; ++i) {
    state *= 69069u;
    const float r = hbook::rndm();
    if (r <= 0.0f) FAIL() << "draw " << i << " is " << r;
  }
  state *= 69069u;
  ASSERT_EQ(state >> 8, 0u);
  EXPECT_EQ(hbook::rndm(), 0x1p-25f);
  EXPECT_EQ(hbook::rndmDraws(), 16140854u);
  hbook::resetRndm();
}

// ---------------------------------------------------------------- exact draws

TEST(HbookHrndm1, SequencesOfThePackageAreReproducedBitForBit) {
  const auto expected = readSequences();
  ASSERT_EQ(expected.size(), 3u);
  ASSERT_EQ(expected[0].size(), 20u);
  ASSERT_EQ(expected[1].size(), 21u);
  ASSERT_EQ(expected[2].size(), 11u);

  ConsoleCapture console;
  Store s;
  s.put(readDump("lam.dump.txt").at(100));
  s.put(readDump("sq.dump.txt").at(301));
  hbook::resetRndm();

  // A: 20 draws from the wavelength spectrum.
  for (std::size_t i = 0; i < 20; ++i) EXPECT_EQ(bitsOf(s.random(100)), expected[0][i]) << "A " << i + 1;
  // B: copy up to bin 77, one draw from 100, 20 from the copy.
  ASSERT_TRUE(s.copyRange(301, 302, " ", 0, 77));
  EXPECT_EQ(bitsOf(s.random(100)), expected[1][0]) << "B 0";
  for (std::size_t i = 1; i <= 20; ++i) EXPECT_EQ(bitsOf(s.random(302)), expected[1][i]) << "B " << i;
  // C: delete, copy up to bin 5, one draw from 100, 10 from the new copy.
  ASSERT_TRUE(s.remove(302));
  ASSERT_TRUE(s.copyRange(301, 302, " ", 0, 5));
  EXPECT_EQ(bitsOf(s.random(100)), expected[2][0]) << "C 0";
  for (std::size_t i = 1; i <= 10; ++i) EXPECT_EQ(bitsOf(s.random(302)), expected[2][i]) << "C " << i;
  EXPECT_EQ(console.text(), "");
}

TEST(HbookHrndm1, IntegrationReplacesContentsOnceInPlace) {
  Store s;
  s.put(readDump("sq.dump.txt").at(301));
  const Histogram original = *s.find(301);
  hbook::resetRndm();
  s.random(301);
  const Histogram* h = s.find(301);
  EXPECT_EQ(h->entries, -1);
  EXPECT_EQ(h->underflow(), 0.0f);
  EXPECT_EQ(h->content(90), 1.0f);
  // Running single-precision sum divided by the total, bin by bin.
  float total = 0.0f;
  for (int i = 1; i <= 90; ++i) total += original.content(i);
  float running = 0.0f;
  for (int i = 1; i <= 90; ++i) {
    running += original.content(i);
    EXPECT_EQ(bitsOf(h->content(i)), bitsOf(running / total)) << i;
  }
  // Further draws leave the cumulative contents as they are.
  const std::vector<float> integrated = h->channels;
  for (int i = 0; i < 100; ++i) s.random(301);
  EXPECT_EQ(h->channels, integrated);
  EXPECT_EQ(h->entries, -1);
}

TEST(HbookHrndm1, AlreadyIntegratedHistogramDrawsTheSame) {
  // One store integrates on its first draw; the other receives the
  // integrated contents with entries -1, as read back from a file.
  Store fresh, readBack;
  fresh.put(readDump("lam.dump.txt").at(100));
  hbook::resetRndm();
  fresh.random(100);
  readBack.put(*fresh.find(100));
  ASSERT_EQ(readBack.find(100)->entries, -1);
  std::vector<std::uint32_t> a, b;
  hbook::resetRndm();
  for (int i = 0; i < 200; ++i) a.push_back(bitsOf(fresh.random(100)));
  hbook::resetRndm();
  for (int i = 0; i < 200; ++i) b.push_back(bitsOf(readBack.random(100)));
  EXPECT_EQ(a, b);
  EXPECT_EQ(readBack.find(100)->channels, fresh.find(100)->channels);
}

TEST(HbookHrndm1, MissingIdReturnsZeroWithoutDrawing) {
  Store s;
  hbook::resetRndm();
  EXPECT_EQ(s.random(302), 0.0f);
  EXPECT_EQ(static_cast<double>(hbook::rndm()), 3330690.0 / 16777216.0);  // still the first number
}

// ---------------------------------------------------------------- never an empty bin

// Every draw must fall, by the filling rule, into a bin whose original
// content is positive, inside the histogram's range.
void expectDrawsFromPositiveBins(Store& s, std::int32_t id, const std::vector<float>& original,
                                 int draws) {
  const Histogram* h = s.find(id);
  for (int i = 0; i < draws; ++i) {
    const float x = s.random(id);
    ASSERT_TRUE(std::isfinite(x)) << "draw " << i;
    ASSERT_GE(x, h->xmin) << "draw " << i;
    ASSERT_LT(x, h->xmax) << "draw " << i;
    const std::int32_t bin = Store::channelOf(*h, x);
    ASSERT_GE(bin, 1) << "draw " << i << " x " << x;
    ASSERT_LE(bin, h->nx) << "draw " << i << " x " << x;
    ASSERT_GT(original[static_cast<std::size_t>(bin)], 0.0f) << "draw " << i << " x " << x << " bin " << bin;
  }
}

TEST(HbookHrndm1, WavelengthSpectrumNeverDrawsItsEmptyBins) {
  Store s;
  const Histogram lam = readDump("lam.dump.txt").at(100);
  ASSERT_EQ(lam.content(1), 0.0f);  // the spectrum starts with empty bins
  s.put(lam);
  hbook::resetRndm();
  expectDrawsFromPositiveBins(s, 100, lam.channels, 300000);
}

TEST(HbookHrndm1, CopyWithEmptyFirstBinNeverDrawsIt) {
  Store s;
  s.put(readDump("sq.dump.txt").at(301));
  for (std::int32_t last : {1, 5, 77, 90}) {
    ASSERT_TRUE(s.copyRange(301, 302, " ", 0, last));
    const std::vector<float> original = s.find(302)->channels;
    ASSERT_EQ(original[1], 0.0f);
    hbook::resetRndm();
    // The copy's current limits are used at once: nothing at or above its upper edge.
    expectDrawsFromPositiveBins(s, 302, original, 50000);
    // The empty first bin lies below q = 0: no momentum transfer is negative.
    hbook::resetRndm();
    for (int i = 0; i < 50000; ++i) ASSERT_GE(s.random(302), 0.0f) << "last " << last;
    ASSERT_TRUE(s.remove(302));
  }
}

TEST(HbookHrndm1, SparseContentsAreDrawnOnlyFromFilledBins) {
  Store s;
  const Histogram h = makeHistogram(7, {0, 0, 3, 0, 0, 0, 1, 0, 0, 0}, 0.1f, 1.3f);
  s.put(h);
  hbook::resetRndm();
  expectDrawsFromPositiveBins(s, 7, h.channels, 100000);
}

TEST(HbookHrndm1, DrawExactlyOnACumulativeBoundaryGoesToTheNextFilledBin) {
  // Make F(1) = F(2) equal to the first R of the stream: R then sits on the
  // boundary of a plateau (bin 2 is empty) and must be drawn from bin 3.
  hbook::resetRndm();
  const float r = hbook::rndm();
  for (float xmin : {0.0f, 0.3f, -7.1f, 83.15f}) {
    Store s;
    const Histogram h = makeHistogram(9, {r, 0.0f, 1.0f - r}, xmin, xmin + 0.7f);
    s.put(h);
    hbook::resetRndm();
    const float x = s.random(9);
    EXPECT_EQ(bitsOf(s.find(9)->content(1)), bitsOf(r));  // F(1) = R exactly
    EXPECT_EQ(Store::channelOf(*s.find(9), x), 3) << "xmin " << xmin << " x " << x;
  }
}

TEST(HbookHrndm1, NegativeContentsAreNeverDrawn) {
  Store s;
  const Histogram h = makeHistogram(8, {1.0f, -0.5f, 1.0f, 0.0f, 2.0f, -3.0f, 0.5f}, -1.0f, 1.0f);
  s.put(h);
  hbook::resetRndm();
  expectDrawsFromPositiveBins(s, 8, h.channels, 50000);
}

// ---------------------------------------------------------------- degenerate histograms

TEST(HbookHrndm1, AllZeroHistogramIsUniformWithTheMessage) {
  ConsoleCapture console;
  Store s;
  ASSERT_TRUE(s.book(77, "empty", 4, 0.0f, 2.0f));
  hbook::resetRndm();
  for (int i = 0; i < 10000; ++i) {
    const float x = s.random(77);
    ASSERT_GE(x, 0.0f);
    ASSERT_LT(x, 2.0f);
  }
  EXPECT_EQ(console.text(), " ***** ERROR in HRNDM1 : Integral is zero : ID=      77 \n");
  const Histogram* h = s.find(77);
  EXPECT_EQ(h->entries, -1);
  EXPECT_EQ(h->content(1), 0.25f);
  EXPECT_EQ(h->content(2), 0.5f);
  EXPECT_EQ(h->content(3), 0.75f);
  EXPECT_EQ(h->content(4), 1.0f);
}

TEST(HbookHrndm1, CopyWithNothingInRangeIsSafe) {
  // HCOPYR(301, 302, ' ', 0, 0, ...): one empty bin below 0, all of 301 in the overflow.
  ConsoleCapture console;
  Store s;
  s.put(readDump("sq.dump.txt").at(301));
  ASSERT_TRUE(s.copyRange(301, 302, " ", 0, 0));
  const Histogram* copy = s.find(302);
  EXPECT_EQ(copy->nx, 1);
  EXPECT_EQ(copy->content(1), 0.0f);
  for (int i = 0; i < 1000; ++i) {
    const float x = s.random(302);
    ASSERT_TRUE(std::isfinite(x));
    ASSERT_GE(x, copy->xmin);
    ASSERT_LT(x, copy->xmax);
  }
  EXPECT_EQ(console.text(), " ***** ERROR in HRNDM1 : Integral is zero : ID=     302 \n");
}

TEST(HbookHrndm1, NonFiniteContentsAreSafe) {
  ConsoleCapture console;
  Store s;
  s.put(makeHistogram(5, {1.0f, std::nanf(""), 2.0f}, 0.0f, 3.0f));
  s.put(makeHistogram(6, {1.0f, std::numeric_limits<float>::infinity(), 2.0f}, 0.0f, 3.0f));
  s.put(makeHistogram(4, {3e38f, 3e38f, 3e38f}, 0.0f, 3.0f));  // the sum overflows
  for (std::int32_t id : {5, 6, 4}) {
    for (int i = 0; i < 1000; ++i) {
      const float x = s.random(id);
      ASSERT_TRUE(std::isfinite(x)) << id;
      ASSERT_GE(x, 0.0f);
      ASSERT_LT(x, 3.0f);
    }
  }
  EXPECT_NE(console.text().find("ERROR in HRNDM1"), std::string::npos);
}

// A sum that is not finite is said once, in its own words, and the draws
// fall back to every bin alike, as for a sum of zero.
TEST(HbookHrndm1, ANonFiniteIntegralIsSaidOnceAndDrawsUniformly) {
  ConsoleCapture console;
  Store s;
  s.put(makeHistogram(5, {1.0f, std::nanf(""), 2.0f}, 0.0f, 3.0f));
  s.put(makeHistogram(6, {1.0f, -std::numeric_limits<float>::infinity(), 2.0f}, 0.0f, 3.0f));
  s.put(makeHistogram(4, {3e38f, 3e38f, 0.0f}, 0.0f, 3.0f));
  hbook::resetRndm();  // the sequence from its fixed start
  for (std::int32_t id : {5, 6, 4}) {
    int perBin[3] = {0, 0, 0};
    for (int i = 0; i < 3000; ++i) {
      const std::int32_t bin = Store::channelOf(*s.find(id), s.random(id));
      ASSERT_GE(bin, 1) << id;
      ASSERT_LE(bin, 3) << id;
      ++perBin[bin - 1];
    }
    for (int n : perBin) EXPECT_NEAR(n, 1000, 150) << id;  // about 6 standard deviations
  }
  EXPECT_EQ(console.text(),
            " ***** ERROR in HRNDM1 : Integral is not finite : ID=       5 \n"
            " ***** ERROR in HRNDM1 : Integral is not finite : ID=       6 \n"
            " ***** ERROR in HRNDM1 : Integral is not finite : ID=       4 \n");
}

TEST(HbookHrndm1, MalformedIntegratedContentsAreSafe) {
  Store s;
  Histogram h = makeHistogram(3, {0.0f, 0.2f, 0.1f, 0.5f}, 0.0f, 4.0f);  // entries -1, not ending in 1
  h.entries = -1;
  s.put(h);
  Histogram zero = makeHistogram(2, {0.0f, 0.0f}, 0.0f, 1.0f);
  zero.entries = -1;
  s.put(zero);
  Histogram nan = makeHistogram(1, {std::nanf(""), 1.0f}, 0.0f, 1.0f);
  nan.entries = -1;
  s.put(nan);
  hbook::resetRndm();
  for (int i = 0; i < 1000; ++i) {
    const float x = s.random(3);
    ASSERT_GE(x, 0.0f);
    ASSERT_LT(x, 4.0f);
    const std::int32_t bin = Store::channelOf(*s.find(3), x);
    ASSERT_TRUE(bin == 2 || bin == 4) << x;  // bins whose cumulative value rises
    ASSERT_TRUE(std::isfinite(s.random(2)));
    const float y = s.random(1);
    ASSERT_TRUE(std::isfinite(y));
    ASSERT_EQ(Store::channelOf(*s.find(1), y), 2) << y;
  }
}

TEST(HbookHrndm1, BrokenChannelVectorIsIgnored) {
  Store s;
  Histogram h = makeHistogram(11, {1.0f, 2.0f}, 0.0f, 1.0f);
  h.channels.resize(2);  // inconsistent with nx
  s.put(h);
  EXPECT_EQ(s.random(11), 0.0f);
  s.fill(11, 0.5f, 1.0f);
  EXPECT_EQ(s.find(11)->channels.size(), 2u);
}

}  // namespace
