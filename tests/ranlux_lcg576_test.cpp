// The 576-bit form of the subtract-with-borrow generator and the steps in
// pairs against single steps: the number of a state, its multiplication by
// the multiplier's powers, the table read back, pairSteps, skipSteps and
// multiplySteps, at every position of the lags, with the borrow set and unset.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "ranlux/lcg576.h"
#include "ranlux/pairsteps.h"
#include "ranlux/skipsteps.h"

namespace {

using ranlux::lcg576::Number;

struct State {
  std::int32_t seeds[24];
  int i24, j24;
  std::int32_t carry;

  void step() {
    std::int32_t uni = seeds[j24] - seeds[i24] - carry;
    carry = uni < 0 ? 1 : 0;
    if (uni < 0) uni += 1 << 24;
    seeds[i24] = uni;
    i24 = i24 == 0 ? 23 : i24 - 1;
    j24 = j24 == 0 ? 23 : j24 - 1;
  }
};

// A random table; some entries at the ends of their range so that borrows
// run through whole words.
State randomState(std::mt19937& rng, int i24, std::int32_t carry) {
  State s;
  for (auto& e : s.seeds) {
    const unsigned kind = rng() % 8;
    e = kind == 0 ? 0 : kind == 1 ? (1 << 24) - 1 : static_cast<std::int32_t>(rng() >> 8);
  }
  s.i24 = i24;
  s.j24 = (i24 + 10) % 24;
  s.carry = carry;
  return s;
}

void expectSame(const State& a, const State& b, const char* what) {
  for (int i = 0; i < 24; ++i) ASSERT_EQ(a.seeds[i], b.seeds[i]) << what << " entry " << i;
  ASSERT_EQ(a.i24, b.i24) << what;
  ASSERT_EQ(a.j24, b.j24) << what;
  ASSERT_EQ(a.carry, b.carry) << what;
}

}  // namespace

TEST(RanluxLcg576, TheMultiplierUndoesAShiftByOneEntry) {
  // a * 2^24 = 1 (mod m), and a^0 = 1.
  const Number b = {std::uint64_t{1} << 24, 0, 0, 0, 0, 0, 0, 0, 0};
  const Number one = {1, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(ranlux::lcg576::mulMod(ranlux::lcg576::stepsMultiplier(1), b), one);
  EXPECT_EQ(ranlux::lcg576::stepsMultiplier(0), one);
  // Powers compose: a^199 * a^24 = a^223.
  EXPECT_EQ(ranlux::lcg576::mulMod(ranlux::lcg576::stepsMultiplier(199), ranlux::lcg576::stepsMultiplier(24)),
            ranlux::lcg576::stepsMultiplier(223));
}

TEST(RanluxLcg576, ProductsNearTheModulusReduceFully) {
  // -1 * -1 = 1, -1 * -2 = 2 and 2 * (m + 1) / 2 = 1 (mod m): products whose
  // folded form lies between m and 2m, so the last subtraction of m counts.
  constexpr std::uint64_t ONES = ~0ull;
  const Number minusOne = {0, 0, 0, 0xffff000000000000, ONES, ONES, ONES, ONES, ONES};
  const Number minusTwo = {ONES, ONES, ONES, 0xfffeffffffffffff, ONES, ONES, ONES, ONES, ONES};
  const Number half = {1, 0, 0, 0xffff800000000000, ONES, ONES, ONES, ONES, 0x7fffffffffffffff};
  const Number one = {1, 0, 0, 0, 0, 0, 0, 0, 0};
  const Number two = {2, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(ranlux::lcg576::mulMod(minusOne, minusOne), one);
  EXPECT_EQ(ranlux::lcg576::mulMod(minusOne, minusTwo), two);
  EXPECT_EQ(ranlux::lcg576::mulMod(two, half), one);
}

TEST(RanluxLcg576, MultiplicationGivesTheTableOfSingleSteps) {
  std::mt19937 rng(2024);
  for (int i24 = 0; i24 < 24; ++i24)
    for (std::int32_t carry : {0, 1})
      for (std::uint64_t n : {24, 25, 47, 199, 365, 1000, 1976}) {
        State s = randomState(rng, i24, carry);
        const Number x = ranlux::lcg576::fromTable(s.seeds, s.i24, s.carry);
        ASSERT_FALSE(ranlux::lcg576::isModulus(x));
        for (std::uint64_t k = 0; k < n; ++k) s.step();
        // The number of the stepped state is a^n X, and reads back as that state.
        const Number y = ranlux::lcg576::mulMod(x, ranlux::lcg576::stepsMultiplier(n));
        EXPECT_EQ(ranlux::lcg576::fromTable(s.seeds, s.i24, s.carry), y) << i24 << " " << carry << " " << n;
        State back = s;
        for (auto& e : back.seeds) e = -1;
        back.carry = -1;
        ranlux::lcg576::toTable(y, back.seeds, s.i24, back.carry);
        expectSame(back, s, "read back");
      }
}

TEST(RanluxLcg576, ANumberWhoseQuotientEstimateIsOneShortReadsBack) {
  // X just above 2^200 m / (2^240 - 1): floor((2^240 - 1) X / 2^576) is one
  // less than floor((2^240 - 1) X / m), which toTable corrects (random
  // numbers almost never need it).
  const Number target = {0x100000000000001, 0, 0, 0xffffffffffffff00, 0xffffffffff, 0, 0, 0, 0x1000000};
  // The state 24 steps before: times 2^576 = 2^240 - 1 (mod m).
  const Number shift24 = {~0ull, ~0ull, ~0ull, 0xffffffffffff, 0, 0, 0, 0, 0};
  State s;
  s.i24 = 23;
  s.j24 = 9;
  ranlux::lcg576::toTable(ranlux::lcg576::mulMod(target, shift24), s.seeds, s.i24, s.carry);
  for (int k = 0; k < 24; ++k) s.step();
  EXPECT_EQ(ranlux::lcg576::fromTable(s.seeds, s.i24, s.carry), target);
  State back = s;
  ranlux::lcg576::toTable(target, back.seeds, s.i24, back.carry);
  expectSame(back, s, "read back");
}

TEST(RanluxLcg576, TheStateOfAllOnesWithBorrowIsTheModulus) {
  State s;
  for (auto& e : s.seeds) e = (1 << 24) - 1;
  EXPECT_TRUE(ranlux::lcg576::isModulus(ranlux::lcg576::fromTable(s.seeds, 23, 1)));
  EXPECT_FALSE(ranlux::lcg576::isModulus(ranlux::lcg576::fromTable(s.seeds, 23, 0)));
}

TEST(RanluxPairSteps, PairsGiveTheTableOfSingleSteps) {
  std::mt19937 rng(7);
  for (int i24 = 0; i24 < 24; ++i24)
    for (std::int32_t carry : {0, 1})
      for (std::int32_t n : {0, 1, 2, 23, 24, 25, 26, 47, 48, 73, 199, 365, 479}) {
        State plain = randomState(rng, i24, carry);
        State paired = plain;
        for (std::int32_t k = 0; k < 2 * (n / 2); ++k) plain.step();
        ranlux::pairSteps(paired.seeds, paired.i24, paired.j24, paired.carry, n);
        expectSame(paired, plain, "pairs");
      }
}

TEST(RanluxSkipSteps, SkipsGiveTheTableOfSingleStepsAtAnyLags) {
  std::mt19937 rng(11);
  for (int i24 = 0; i24 < 24; ++i24)
    for (std::int32_t carry : {0, 1})
      for (std::int32_t n : {0, 1, 2, 23, 24, 25, 47, 48, 73, 199}) {
        State plain = randomState(rng, i24, carry);
        State skipped = plain;
        for (std::int32_t k = 0; k < n; ++k) plain.step();
        ranlux::skipSteps(skipped.seeds, skipped.i24, skipped.j24, skipped.carry, n);
        expectSame(skipped, plain, "skipped");
        // Lags other than 10 apart, as a restored state may hold: step by step.
        State odd = randomState(rng, i24, carry);
        odd.j24 = (i24 + 3) % 24;
        State oddSkipped = odd;
        for (std::int32_t k = 0; k < n; ++k) odd.step();
        ranlux::skipSteps(oddSkipped.seeds, oddSkipped.i24, oddSkipped.j24, oddSkipped.carry, n);
        expectSame(oddSkipped, odd, "other lags");
      }
}

// One multiplication gives the table of n single steps; lags it does not map
// and the state that is the modulus are refused, leaving the state as it was.
TEST(RanluxSkipSteps, AMultiplicationIsSingleStepsOrRefusedUnchanged) {
  std::mt19937 rng(13);
  for (int i24 = 0; i24 < 24; ++i24)
    for (std::int32_t carry : {0, 1})
      for (std::uint64_t n : {24, 25, 100, 479, 480, 1000}) {
        State plain = randomState(rng, i24, carry);
        State multiplied = plain;
        for (std::uint64_t k = 0; k < n; ++k) plain.step();
        ASSERT_TRUE(ranlux::multiplySteps(multiplied.seeds, multiplied.i24, multiplied.j24, multiplied.carry, n,
                                          ranlux::lcg576::stepsMultiplier(n)));
        expectSame(multiplied, plain, "multiplied");
      }
  const Number a100 = ranlux::lcg576::stepsMultiplier(100);
  const auto refused = [&](State s, const char* what) {
    const State before = s;
    EXPECT_FALSE(ranlux::multiplySteps(s.seeds, s.i24, s.j24, s.carry, 100, a100)) << what;
    expectSame(s, before, what);
  };
  State s = randomState(rng, 23, 0);
  s.j24 = 10;  // 11 apart
  refused(s, "lags 11 apart");
  s = randomState(rng, 0, 1);
  s.j24 = 11;
  refused(s, "lags 11 apart, from 0");
  s = randomState(rng, 0, 0);
  s.i24 = 24;
  s.j24 = 10;
  refused(s, "lag 24");
  s.i24 = -1;
  s.j24 = 9;
  refused(s, "lag -1");
  for (auto& e : s.seeds) e = (1 << 24) - 1;
  s.i24 = 23;
  s.j24 = 9;
  s.carry = 1;
  refused(s, "the modulus");
  s.carry = 0;
  EXPECT_TRUE(ranlux::multiplySteps(s.seeds, s.i24, s.j24, s.carry, 100, a100));  // all ones without borrow: mapped
}
