// The edges of RLUXGO's and RLUXIN's arguments: the luxury levels and the
// p values either side of each bound, the seed at its ends, and what a
// level between 4 and 24 restored by RLUXIN becomes.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "ranlux/ranlux.h"
#include "support/consolecapture.h"

namespace {

using testsupport::ConsoleCapture;

// The first line RLUXGO prints for `lux`, with a fresh generator.
std::string luxuryLines(std::int32_t lux) {
  ConsoleCapture cap;
  ranlux::Ranlux gen;
  gen.rluxgo(lux, 1, 0, 0);
  const std::string text = cap.text();
  return text.substr(0, text.rfind(" RANLUX INITIALIZED"));
}

std::vector<std::uint32_t> drawBits(ranlux::Ranlux& gen, int n) {
  std::vector<std::uint32_t> out;
  for (int i = 0; i < n; ++i) out.push_back(std::bit_cast<std::uint32_t>(gen.next()));
  return out;
}

}  // namespace

TEST(RanluxArgumentBounds, LuxuryLevelsAndPValuesEitherSideOfEachBound) {
  const std::string illegalThen4 = " RANLUX LUXURY LEVEL SET BY RLUXGO : 4     P= 389\n";
  const struct {
    std::int32_t lux;
    std::string lines;
  } cases[] = {
      {-1, " RANLUX LUXURY LEVEL SET BY RLUXGO : 3     P= 223\n"},
      {0, " RANLUX LUXURY LEVEL SET BY RLUXGO : 0     P=  24\n"},
      {4, " RANLUX LUXURY LEVEL SET BY RLUXGO : 4     P= 389\n"},
      {5, " RANLUX ILLEGAL LUXURY RLUXGO:       5\n" + illegalThen4},
      {23, " RANLUX ILLEGAL LUXURY RLUXGO:      23\n" + illegalThen4},
      {24, " RANLUX LUXURY LEVEL SET BY RLUXGO : 0     P=  24\n"},
      {25, " RANLUX P-VALUE SET BY RLUXGO TO:   25\n"},
      {388, " RANLUX P-VALUE SET BY RLUXGO TO:  388\n"},
      {389, " RANLUX LUXURY LEVEL SET BY RLUXGO : 4     P= 389\n"},
      {2000, " RANLUX P-VALUE SET BY RLUXGO TO: 2000\n"},
      {2001, " RANLUX ILLEGAL LUXURY RLUXGO:    2001\n" + illegalThen4},
  };
  for (const auto& c : cases) EXPECT_EQ(luxuryLines(c.lux), c.lines) << c.lux;
}

TEST(RanluxArgumentBounds, AnIllegalLevelTooWideForItsFieldPrintsAsterisks) {
  // I7: seven digits fit, an eighth turns the field to asterisks.
  const std::string then4 = " RANLUX LUXURY LEVEL SET BY RLUXGO : 4     P= 389\n";
  EXPECT_EQ(luxuryLines(1234567), " RANLUX ILLEGAL LUXURY RLUXGO: 1234567\n" + then4);
  EXPECT_EQ(luxuryLines(12345678), " RANLUX ILLEGAL LUXURY RLUXGO: *******\n" + then4);
  // I12 for the seeds: the largest seed, ten digits, right-justified.
  ConsoleCapture cap;
  ranlux::Ranlux gen;
  gen.rluxgo(0, 2147483647, 0, 0);
  EXPECT_NE(cap.text().find(" RANLUX INITIALIZED BY RLUXGO FROM SEEDS  2147483647           0           0\n"),
            std::string::npos)
      << cap.text();
}

TEST(RanluxArgumentBounds, APValueSkipsPMinus24AndAnIllegalOneIsLevelFour) {
  // p = 25 delivers 24 of every 25 numbers: the 25th number of p 25 is the
  // 26th of p 24 (level 0).
  ranlux::Ranlux p25, p24, illegal, four;
  {
    ConsoleCapture quiet;
    p25.rluxgo(25, 777, 0, 0);
    p24.rluxgo(0, 777, 0, 0);
    illegal.rluxgo(2001, 777, 0, 0);
    four.rluxgo(4, 777, 0, 0);
  }
  const std::vector<std::uint32_t> a = drawBits(p25, 25), b = drawBits(p24, 26);
  EXPECT_EQ(std::vector<std::uint32_t>(a.begin(), a.begin() + 24),
            std::vector<std::uint32_t>(b.begin(), b.begin() + 24));
  EXPECT_EQ(a[24], b[25]);
  EXPECT_EQ(drawBits(illegal, 50), drawBits(four, 50));
  std::int32_t lux, ins, k1, k2;
  p25.rluxat(lux, ins, k1, k2);
  EXPECT_EQ(lux, 25);
  EXPECT_EQ(ins, 777);
}

TEST(RanluxArgumentBounds, SeedsAtTheirEnds) {
  {
    // 0 is the default seed; 1 is a seed of its own.
    ConsoleCapture cap;
    ranlux::Ranlux zero, one, dflt;
    zero.rluxgo(3, 0, 0, 0);
    one.rluxgo(3, 1, 0, 0);
    dflt.rluxgo(3, 314159265, 0, 0);
    const std::vector<std::uint32_t> z = drawBits(zero, 30);
    EXPECT_EQ(z, drawBits(dflt, 30));
    EXPECT_NE(z, drawBits(one, 30));
    std::int32_t lux, ins, k1, k2;
    zero.rluxat(lux, ins, k1, k2);
    EXPECT_EQ(ins, 314159265);
  }
  ConsoleCapture cap;
  ranlux::Ranlux top;
  top.rluxgo(3, 2147483647, 0, 0);
  EXPECT_EQ(cap.text(),
            " RANLUX LUXURY LEVEL SET BY RLUXGO : 3     P= 223\n"
            " RANLUX INITIALIZED BY RLUXGO FROM SEEDS  2147483647           0           0\n");
  const float r = top.next();
  EXPECT_GT(r, 0.0f);
  EXPECT_LT(r, 1.0f);
}

TEST(RanluxArgumentBounds, RestoredLevelsEitherSideOfTheBounds) {
  // A state from level 0, its level word rewritten.
  ranlux::Ranlux source;
  {
    ConsoleCapture quiet;
    source.rluxgo(0, 4242, 0, 0);
  }
  std::int32_t state[25];
  source.rluxut(state);
  const std::int32_t lags = state[24] % 1000000;
  const struct {
    std::int32_t level;
    std::string line;
    std::int32_t held;  // the level RLUXAT gives back
  } cases[] = {
      {4, " RANLUX LUXURY LEVEL SET BY RLUXIN TO:  4\n", 4}, {5, " RANLUX ILLEGAL LUXURY RLUXIN:     5\n", 4},
      {23, " RANLUX ILLEGAL LUXURY RLUXIN:    23\n", 4},     {24, " RANLUX P-VALUE SET BY RLUXIN TO:   24\n", 24},
      {25, " RANLUX P-VALUE SET BY RLUXIN TO:   25\n", 25},
  };
  for (const auto& c : cases) {
    state[24] = lags + 1000000 * c.level;
    ConsoleCapture cap;
    ranlux::Ranlux gen;
    gen.rluxin(state);
    const std::string text = cap.text();
    EXPECT_EQ(text.substr(text.rfind('\n', text.size() - 2) + 1), c.line) << c.level;
    std::int32_t lux, ins, k1, k2;
    gen.rluxat(lux, ins, k1, k2);
    EXPECT_EQ(lux, c.held) << c.level;
    EXPECT_EQ(ins, -1) << "a restored state has no seed";
  }
  // An illegal level restored skips as level 4 does; p 24 as level 0.
  state[24] = lags + 1000000 * 5;
  ranlux::Ranlux five, four, p24, zero;
  {
    ConsoleCapture quiet;
    five.rluxin(state);
    state[24] = lags + 1000000 * 4;
    four.rluxin(state);
    state[24] = lags + 1000000 * 24;
    p24.rluxin(state);
    state[24] = lags;
    zero.rluxin(state);
  }
  EXPECT_EQ(drawBits(five, 60), drawBits(four, 60));
  EXPECT_EQ(drawBits(p24, 60), drawBits(zero, 60));
}
