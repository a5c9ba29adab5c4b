// The luxury skipping in whole rounds of 24 steps with fixed lags gives the
// numbers and the state of single subtract-with-borrow steps: the generator
// against a step-by-step reference started from its own state, at every
// luxury level and p, for vector lengths that stop mid-round, from restored
// states whose lags are not 14 apart, and across a restart by skipping.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "ranlux/ranlux.h"
#include "support/consolecapture.h"
#include "support/ranluxsteps.h"

namespace {

using Reference = testsupport::RanluxSingleSteps;

// Draws `total` numbers from gen in vectors of the given lengths (cycled)
// and from the reference, and compares every number and the final state.
void expectSameAsSingleSteps(ranlux::Ranlux& gen, int nskip, const std::vector<int>& lengths, int total) {
  std::int32_t state[25];
  gen.rluxut(state);
  Reference ref(state, nskip);
  std::vector<float> v;
  int drawn = 0;
  for (std::size_t n = 0; drawn < total; ++n) {
    const int len = lengths[n % lengths.size()];
    v.resize(static_cast<std::size_t>(len));
    gen.ranlux(v.data(), len);
    for (int k = 0; k < len; ++k, ++drawn)
      ASSERT_EQ(std::bit_cast<std::uint32_t>(v[static_cast<std::size_t>(k)]), std::bit_cast<std::uint32_t>(ref.next()))
          << "number " << drawn;
  }
  gen.rluxut(state);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(state[i], ref.seeds[i]) << i;
  EXPECT_EQ(state[24] < 0, ref.carry == 1);
  const std::int32_t isd = state[24] < 0 ? -state[24] : state[24];
  EXPECT_EQ(isd % 100 - 1, ref.i24);
  EXPECT_EQ((isd / 100) % 100 - 1, ref.j24);
}

}  // namespace

TEST(RanluxRounds, EveryLuxuryLevelAndPMatchesSingleSteps) {
  testsupport::ConsoleCapture quiet;
  const int levelSkips[5] = {0, 24, 73, 199, 365};
  for (int lux = 0; lux <= 4; ++lux) {
    ranlux::Ranlux gen;
    gen.rluxgo(lux, 1000 + lux, 0, 0);
    expectSameAsSingleSteps(gen, levelSkips[lux], {1, 3, 4, 7, 24, 25, 100, 1000}, 30000);
  }
  // p itself: rounds and leftovers of every size.
  for (int p : {25, 30, 47, 48, 49, 71, 72, 100, 389, 2000}) {
    ranlux::Ranlux gen;
    gen.rluxgo(p, 77, 0, 0);
    expectSameAsSingleSteps(gen, p - 24, {5, 24, 13}, 5000);
  }
}

TEST(RanluxRounds, RestoredStatesWithOtherLagsMatchSingleSteps) {
  testsupport::ConsoleCapture quiet;
  ranlux::Ranlux source;
  source.rluxgo(3, 4242, 0, 0);
  std::vector<float> warm(1000);
  source.ranlux(warm.data(), 1000);
  std::int32_t state[25];
  source.rluxut(state);
  const bool borrow = state[24] < 0;
  // Every pair of lags (1-based), 14 apart or not, and positions in the group.
  for (int i24 = 1; i24 <= 24; i24 += 5)
    for (int j24 = 1; j24 <= 24; j24 += 3)
      for (int in24 : {0, 23}) {
        std::int32_t v[25];
        for (int i = 0; i < 24; ++i) v[i] = state[i];
        v[24] = i24 + 100 * j24 + 10000 * in24 + 1000000 * 3;
        if (borrow) v[24] = -v[24];
        ranlux::Ranlux gen;
        gen.rluxin(v);
        expectSameAsSingleSteps(gen, 199, {4, 3, 24}, 2000);
      }
}

TEST(RanluxRounds, RestartBySkippingMatchesSingleSteps) {
  testsupport::ConsoleCapture quiet;
  // Restart 12345 numbers into the sequence: the skip goes in rounds too.
  ranlux::Ranlux restarted;
  restarted.rluxgo(2, 31415, 12345, 0);
  ranlux::Ranlux fresh;
  fresh.rluxgo(2, 31415, 0, 0);
  std::int32_t state[25];
  fresh.rluxut(state);
  Reference ref(state, 73);
  for (int k = 0; k < 12345; ++k) ref.step();
  std::int32_t after[25];
  restarted.rluxut(after);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(after[i], ref.seeds[i]) << i;
  EXPECT_EQ(after[24] < 0, ref.carry == 1);
}

// The skips in pairs (p from 64) and as one multiplication (p from 504), at
// and around where one way gives over to the next, over many groups, from
// restored states mid-group with the borrow set and unset.
TEST(RanluxRounds, PairedAndMultipliedSkipsMatchSingleSteps) {
  testsupport::ConsoleCapture quiet;
  for (int p : {63, 64, 65, 247, 503, 504, 505, 1000, 2000}) {
    ranlux::Ranlux gen;
    gen.rluxgo(p, 900 + p, 0, 0);
    expectSameAsSingleSteps(gen, p - 24, {4, 3, 24, 100}, 24 * 300);
    std::int32_t state[25];
    gen.rluxut(state);
    for (bool borrow : {false, true})
      for (int in24 : {0, 5, 23}) {
        // The lags where the delivery left them (14 apart), another place
        // in the group.
        const std::int32_t isd = (state[24] < 0 ? -state[24] : state[24]) % 10000;
        state[24] = isd + 10000 * in24 + 1000000 * p;
        if (borrow) state[24] = -state[24];
        ranlux::Ranlux restored;
        restored.restore(state);
        expectSameAsSingleSteps(restored, p - 24, {7, 24}, 24 * 40);
      }
  }
}

// States the fast ways do not take: entries outside 24 bits, and all
// entries 2^24 - 1 with the borrow set (which repeats itself).
TEST(RanluxRounds, StatesOutsideTheFastWaysMatchSingleSteps) {
  testsupport::ConsoleCapture quiet;
  for (int p : {100, 2000}) {
    std::int32_t v[25];
    for (int i = 0; i < 24; ++i) v[i] = (1 << 24) - 1;
    v[24] = -(24 + 100 * 10 + 1000000 * p);
    ranlux::Ranlux ones;
    ones.restore(v);
    expectSameAsSingleSteps(ones, p - 24, {24}, 24 * 5);
    for (int i = 0; i < 24; ++i) v[i] = (i % 5 == 0) ? (1 << 24) + 1000 * i : 4321 * i;
    v[24] = 24 + 100 * 10 + 1000000 * p;
    ranlux::Ranlux wide;
    wide.restore(v);
    expectSameAsSingleSteps(wide, p - 24, {24}, 24 * 5);
  }
}

// A restored entry is in 24 bits up to 2^24 - 1: a table with one entry
// 2^24 - 1 goes the fast ways, one with an entry exactly 2^24 steps one by
// one; both give the numbers and the state of single steps, for skips in
// pairs (p = 100) and as one multiplication (p = 2000), wherever the entry
// is. Restored one step before the end of the group, the skip comes while
// the entry is still in the table (at the start of a group the group's 24
// steps replace every entry first).
TEST(RanluxRounds, AnEntryOf2To24IsOutsideTheFastWays) {
  testsupport::ConsoleCapture quiet;
  for (int p : {100, 2000})
    for (int in24 : {0, 23})
      for (int at : {0, 9, 20})
        for (std::int32_t entry : {(1 << 24) - 1, 1 << 24})
          for (bool borrow : {false, true}) {
            std::int32_t v[25];
            for (int i = 0; i < 24; ++i) v[i] = (i % 2 == 0) ? 0 : 4321 * i + 17;
            v[at] = entry;
            v[24] = 24 + 100 * 10 + 10000 * in24 + 1000000 * p;
            if (borrow) v[24] = -v[24];
            ranlux::Ranlux restored;
            restored.restore(v);
            SCOPED_TRACE("p " + std::to_string(p) + " in24 " + std::to_string(in24) + " entry " + std::to_string(at) +
                         " = " + std::to_string(entry) + (borrow ? " borrow" : ""));
            expectSameAsSingleSteps(restored, p - 24, {1, 24}, 24 * 5);
          }
}

// A restart k1 + k2 * 10^9 numbers in: as many single steps for k1, and for
// k2 = 1 at p = 2000 the 500000 groups of 24 numbers drawn (every group's
// skip checked against single steps above), state and count alike.
TEST(RanluxRounds, RestartsFarInMatchTheStepsAndTheDrawnGroups) {
  testsupport::ConsoleCapture quiet;
  for (int lux : {1, 3, 2000}) {
    ranlux::Ranlux restarted, fresh;
    restarted.rluxgo(lux, 2718, 99999, 0);
    fresh.rluxgo(lux, 2718, 0, 0);
    std::int32_t state[25], after[25];
    fresh.rluxut(state);
    Reference ref(state, 0);
    for (int k = 0; k < 99999; ++k) ref.step();
    restarted.rluxut(after);
    for (int i = 0; i < 24; ++i) ASSERT_EQ(after[i], ref.seeds[i]) << lux << " " << i;
    EXPECT_EQ(after[24] < 0, ref.carry == 1);
  }
  ranlux::Ranlux far, drawn;
  far.rluxgo(2000, 2718, 4007, 1);
  drawn.rluxgo(2000, 2718, 0, 0);
  std::vector<float> v(24 * 1000);
  for (int block = 0; block < 500; ++block) drawn.ranlux(v.data(), 24 * 1000);
  drawn.ranlux(v.data(), 24 * 2 + 7);  // 4000 + 7 more generated
  std::int32_t a[25], b[25];
  far.rluxut(a);
  drawn.rluxut(b);
  for (int i = 0; i < 25; ++i) EXPECT_EQ(a[i], b[i]) << i;
  std::int32_t l1, s1, k11, k21, l2, s2, k12, k22;
  far.rluxat(l1, s1, k11, k21);
  drawn.rluxat(l2, s2, k12, k22);
  EXPECT_EQ(k11, k12);
  EXPECT_EQ(k21, k22);
  EXPECT_EQ(k11, 4007);
  EXPECT_EQ(k21, 1);
}
