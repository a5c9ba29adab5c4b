// The numbers of a group made ahead and handed out from a buffer are those of
// single subtract-with-borrow steps, and the state and counts a caller sees
// are those of single steps at every point: the generator against a
// step-by-step reference over many calls of mixed lengths (and next()), at
// every luxury level and p, its rluxut at every position within a group
// restored into a second generator, restarts by rluxgo in the middle of a
// group, and tables full of small numbers with the borrow set and unset.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <sstream>
#include <vector>

#include "ranlux/groupsteps.h"
#include "ranlux/ranlux.h"
#include "support/consolecapture.h"
#include "support/ranluxsteps.h"

namespace {

using Reference = testsupport::RanluxSingleSteps;

void expectSameState(const ranlux::Ranlux& gen, const Reference& ref, const char* where, long long drawn) {
  std::int32_t got[25], want[25];
  gen.rluxut(got);
  ref.state(want);
  for (int i = 0; i < 25; ++i) ASSERT_EQ(got[i], want[i]) << where << ": word " << i << " after " << drawn;
}

// Draws `total` numbers in calls of the given lengths (cycled; 0 stands for
// next()) from gen and from the reference; every number, the state after
// every call, and the count of numbers generated must agree.
void expectSameAsSingleSteps(ranlux::Ranlux& gen, int nskip, const std::vector<int>& lengths, long long total) {
  std::int32_t start[25];
  gen.rluxut(start);
  Reference ref(start, nskip);
  std::int32_t lux0, ins0, k10, k20;
  gen.rluxat(lux0, ins0, k10, k20);
  const long long count0 = static_cast<long long>(k20) * 1000000000LL + k10;
  std::vector<float> v;
  long long drawn = 0;
  for (std::size_t n = 0; drawn < total; ++n) {
    const int len = lengths[n % lengths.size()];
    if (len == 0) {
      v.assign(1, gen.next());
    } else {
      v.resize(static_cast<std::size_t>(len));
      gen.ranlux(v.data(), len);
    }
    for (const float r : v) {
      ASSERT_EQ(std::bit_cast<std::uint32_t>(r), std::bit_cast<std::uint32_t>(ref.next())) << "number " << drawn;
      ++drawn;
    }
    expectSameState(gen, ref, "rluxut", drawn);
    std::int32_t lux, ins, k1, k2;
    gen.rluxat(lux, ins, k1, k2);
    ASSERT_EQ(static_cast<long long>(k2) * 1000000000LL + k1, count0 + ref.generated) << "count after " << drawn;
  }
}

const std::vector<int> MIXED = {1, 3, 4, 23, 24, 25, 100, 0, 1, 0, 3};

}  // namespace

TEST(RanluxDelivery, MixedLengthsAtEveryLevelAndPMatchSingleSteps) {
  testsupport::ConsoleCapture quiet;
  const int levelSkips[5] = {0, 24, 73, 199, 365};
  for (int lux = 0; lux <= 4; ++lux) {
    ranlux::Ranlux gen;
    gen.rluxgo(lux, 500 + lux, 0, 0);
    expectSameAsSingleSteps(gen, levelSkips[lux], MIXED, 6000);
  }
  for (int p : {24, 25, 64, 389, 2000}) {
    ranlux::Ranlux gen;
    gen.rluxgo(p, 91, 0, 0);
    expectSameAsSingleSteps(gen, p - 24, MIXED, 3000);
  }
  // The default initialisation on the first draw, first by next().
  ranlux::Ranlux fresh;
  const float first = fresh.next();
  ranlux::Ranlux again;
  float r;
  again.ranlux(&r, 1);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(first), std::bit_cast<std::uint32_t>(r));
  expectSameAsSingleSteps(fresh, 199, MIXED, 3000);
}

TEST(RanluxDelivery, StateTakenAtEveryPositionInAGroupContinuesIdentically) {
  testsupport::ConsoleCapture quiet;
  for (int lux : {0, 2, 3, 4, 389}) {
    for (int pos = 0; pos < 24; ++pos) {
      ranlux::Ranlux gen;
      gen.rluxgo(lux, 31337, 0, 0);
      std::vector<float> v(static_cast<std::size_t>(24 * 3 + pos));
      // Reach the position by calls of 1 and 3 mixed with a long one.
      gen.ranlux(v.data(), 24 * 3);
      for (int left = pos; left > 0;) {
        if (left >= 3 && left % 2 == 1) {
          gen.ranlux(v.data(), 3);
          left -= 3;
        } else {
          v[0] = gen.next();
          left -= 1;
        }
      }
      std::int32_t state[25];
      gen.rluxut(state);
      ASSERT_EQ((std::abs(state[24]) / 10000) % 100, pos);
      ranlux::Ranlux copy;
      copy.rluxin(state);
      ranlux::Ranlux quietCopy;
      quietCopy.restore(state);
      for (int call = 0; call < 60; ++call) {
        const int len = MIXED[static_cast<std::size_t>(call) % MIXED.size()];
        const int n = len == 0 ? 1 : len;
        std::vector<float> a(static_cast<std::size_t>(n)), b(a), c(a);
        if (len == 0) {
          a[0] = gen.next();
          b[0] = copy.next();
          c[0] = quietCopy.next();
        } else {
          gen.ranlux(a.data(), n);
          copy.ranlux(b.data(), n);
          quietCopy.ranlux(c.data(), n);
        }
        for (int k = 0; k < n; ++k) {
          const std::size_t kk = static_cast<std::size_t>(k);
          ASSERT_EQ(std::bit_cast<std::uint32_t>(a[kk]), std::bit_cast<std::uint32_t>(b[kk])) << lux << " " << pos;
          ASSERT_EQ(std::bit_cast<std::uint32_t>(a[kk]), std::bit_cast<std::uint32_t>(c[kk])) << lux << " " << pos;
        }
      }
      std::int32_t sa[25], sb[25], sc[25];
      gen.rluxut(sa);
      copy.rluxut(sb);
      quietCopy.rluxut(sc);
      for (int i = 0; i < 25; ++i) {
        EXPECT_EQ(sa[i], sb[i]) << i;
        EXPECT_EQ(sa[i], sc[i]) << i;
      }
    }
  }
}

TEST(RanluxDelivery, RestartsInTheMiddleOfAGroupMatchTheDrawnSequence) {
  testsupport::ConsoleCapture quiet;
  for (int lux : {1, 3, 4, 64}) {
    ranlux::Ranlux drawn;
    drawn.rluxgo(lux, 2718, 0, 0);
    std::vector<float> v(1);
    for (int n = 0; n < 80; ++n) {
      std::int32_t l, ins, k1, k2;
      drawn.rluxat(l, ins, k1, k2);
      std::int32_t here[25];
      drawn.rluxut(here);
      ranlux::Ranlux restarted;
      restarted.rluxgo(l, ins, k1, k2);
      std::int32_t there[25];
      restarted.rluxut(there);
      for (int i = 0; i < 25; ++i) ASSERT_EQ(here[i], there[i]) << lux << " after " << n << ", word " << i;
      // The restarted one, mid-group, against single steps and in calls
      // that cross the end of its group.
      const int skips = (lux <= 4) ? std::vector<int>{0, 24, 73, 199, 365}[static_cast<std::size_t>(lux)] : lux - 24;
      expectSameAsSingleSteps(restarted, skips, {5, 0, 23, 1, 25}, 120);
      drawn.ranlux(v.data(), 1);
    }
  }
}

TEST(RanluxDelivery, SmallNumbersWithTheBorrowSetAndUnsetMatchSingleSteps) {
  testsupport::ConsoleCapture quiet;
  std::mt19937 rng(20240611u);
  for (int borrow = 0; borrow <= 1; ++borrow) {
    for (int i24 = 1; i24 <= 24; ++i24) {
      // Entries below 2^13: many numbers below 2^-12 (padded), at every
      // position of the group, and some zero (replaced).
      std::int32_t state[25];
      for (int i = 0; i < 24; ++i) state[i] = static_cast<std::int32_t>(rng() % 8192u);
      if (i24 % 3 == 0)
        for (int i = 0; i < 24; ++i) state[i] = 1000;  // equal entries: differences of 0 and -1
      const int j24 = (i24 + 9) % 24 + 1;
      state[24] = i24 + 100 * j24 + 1000000 * (i24 % 2 == 0 ? 3 : 0);
      if (borrow == 1) state[24] = -state[24];
      ranlux::Ranlux gen;
      gen.restore(state);
      expectSameAsSingleSteps(gen, i24 % 2 == 0 ? 199 : 0, MIXED, 600);
    }
  }
}

TEST(RanluxDelivery, RestoredCountsWithinTheGroupOf24OrMoreGoOnAsSingleSteps) {
  // A count of 24 or more never comes back to 24: no luxury skip, ever.
  testsupport::ConsoleCapture quiet;
  ranlux::Ranlux source;
  source.rluxgo(3, 99, 0, 0);
  std::int32_t state[25];
  source.rluxut(state);
  for (int in24 : {23, 24, 25, 50}) {
    std::int32_t v[25];
    for (int i = 0; i < 25; ++i) v[i] = state[i];
    v[24] = 24 + 100 * 10 + 10000 * in24 + 1000000 * 3;
    ranlux::Ranlux gen;
    gen.restore(v);
    expectSameAsSingleSteps(gen, 199, MIXED, 400);
  }
}

namespace {

// A number below 2^12 / 2^24 is padded with the next lag-10 entry times
// 2^-24; from 2^12 on it is the entry alone; zero becomes 2^-48.
TEST(RanluxDelivery, NumbersBelowTwoToTheTwelveArePaddedAndZeroIsNever) {
  const std::int32_t half = 1 << 23;
  EXPECT_EQ(ranlux::delivered(4095, half), 0x1p-24f * 4095.0f + 0x1p-24f * 0.5f);
  EXPECT_EQ(ranlux::delivered(4096, half), 0x1p-24f * 4096.0f);
  EXPECT_EQ(ranlux::delivered(4096, 0), 0x1p-24f * 4096.0f);
  EXPECT_EQ(ranlux::delivered(0, 5), 5.0f * 0x1p-48f);
  EXPECT_EQ(ranlux::delivered(0, 0), 0x1p-48f);
  EXPECT_EQ(ranlux::delivered(1, 0), 0x1p-24f);
  EXPECT_EQ(ranlux::delivered((1 << 24) - 1, half), 0x1p-24f * 16777215.0f);
}

}  // namespace
