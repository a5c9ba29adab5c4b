// RANLUX's steps in groups of eight against single steps, and the 192-bit
// subtraction they are made of against its word-by-word form.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "ranlux/borrow.h"
#include "ranlux/chunksteps.h"
#include "ranlux/skipsteps.h"

namespace {

struct Table {
  std::int32_t seeds[24];
  int i24, j24;
  std::int32_t carry;
};

// Tables of three kinds: random entries, entries at the ends of their range
// (so that borrows run through whole words and groups), and all equal.
Table makeTable(std::mt19937& rng, int kind, int i24, std::int32_t carry) {
  Table t{{}, i24, (i24 + 10) % 24, carry};
  for (auto& e : t.seeds) {
    if (kind == 0) e = static_cast<std::int32_t>(rng() >> 8);
    if (kind == 1) e = rng() % 2 ? (1 << 24) - 1 : 0;
    if (kind == 2) e = (1 << 24) - 1;
  }
  return t;
}

void expectSameTable(const Table& got, const Table& want, std::int32_t n) {
  for (int k = 0; k < 24; ++k) ASSERT_EQ(got.seeds[k], want.seeds[k]) << "entry " << k << " after " << n << " steps";
  EXPECT_EQ(got.i24, want.i24) << n;
  EXPECT_EQ(got.j24, want.j24) << n;
  EXPECT_EQ(got.carry, want.carry) << n;
}

TEST(RanluxChunkSteps, GroupsGiveTheTableOfSingleSteps) {
  std::mt19937 rng(19);
  // Every remainder modulo 8 and 24 and both sides of each threshold; 199
  // and 365 are the skips of luxury levels 3 and 4.
  const std::int32_t lengths[] = {0, 1, 7, 8, 9, 16, 23, 24, 25, 40, 47, 48, 73, 95, 96, 97, 199, 200, 365, 479, 480, 1001};
  for (int kind = 0; kind < 3; ++kind)
    for (int i24 = 0; i24 < 24; ++i24)
      for (std::int32_t carry : {0, 1})
        for (std::int32_t n : lengths) {
          Table plain = makeTable(rng, kind, i24, carry);
          Table grouped = plain;
          for (std::int32_t k = 0; k < n; ++k) ranlux::step(plain.seeds, plain.i24, plain.j24, plain.carry);
          ranlux::chunkSteps(grouped.seeds, grouped.i24, grouped.j24, grouped.carry, n);
          expectSameTable(grouped, plain, n);
        }
}

TEST(RanluxChunkSteps, LongRunsStayOnTheSequence) {
  // Many calls one after another, as the luxury skips follow each other.
  std::mt19937 rng(23);
  Table plain = makeTable(rng, 0, 23, 0);
  Table grouped = plain;
  for (int call = 0; call < 2000; ++call) {
    const auto n = static_cast<std::int32_t>(rng() % 300);
    for (std::int32_t k = 0; k < n; ++k) ranlux::step(plain.seeds, plain.i24, plain.j24, plain.carry);
    ranlux::chunkSteps(grouped.seeds, grouped.i24, grouped.j24, grouped.carry, n);
    expectSameTable(grouped, plain, n);
  }
}

TEST(RanluxBorrow, ThreeWordSubtractionMatchesWordByWord) {
  std::mt19937_64 rng(29);
  const std::uint64_t edges[] = {0, 1, 2, 0x7fffffffffffffffu, 0x8000000000000000u, ~std::uint64_t{0} - 1,
                                 ~std::uint64_t{0}};
  auto word = [&](unsigned pick) { return pick < 7 ? edges[pick] : rng(); };
  for (int trial = 0; trial < 200000; ++trial) {
    std::uint64_t a[3], b[3];
    for (auto& w : a) w = word(static_cast<unsigned>(rng() % 10));
    for (auto& w : b) w = word(static_cast<unsigned>(rng() % 10));
    for (unsigned char borrowIn : {0, 1}) {
      std::uint64_t d0 = a[0], d1 = a[1], d2 = a[2], p0 = a[0], p1 = a[1], p2 = a[2];
      unsigned char borrow = borrowIn, portableBorrow = borrowIn;
      ranlux::subtractWithBorrow(d0, d1, d2, b[0], b[1], b[2], borrow);
      ranlux::subtractWithBorrowPortable(p0, p1, p2, b[0], b[1], b[2], portableBorrow);
      ASSERT_EQ(d0, p0);
      ASSERT_EQ(d1, p1);
      ASSERT_EQ(d2, p2);
      ASSERT_EQ(borrow, portableBorrow);
      // And against the definition: a - b - borrow, negative exactly when
      // a < b + borrow, the words compared from the top.
      const bool below = a[2] != b[2] ? a[2] < b[2] : a[1] != b[1] ? a[1] < b[1] : a[0] != b[0] ? a[0] < b[0] : borrowIn;
      ASSERT_EQ(borrow, below ? 1 : 0);
    }
  }
}

}  // namespace
