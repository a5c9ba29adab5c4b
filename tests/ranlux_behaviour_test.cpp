// Properties of the generator that follow from its definition: independent
// instances, the luxury decimation, restarting by skipping, the padding of
// small numbers, and the messages for bad arguments.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "ranlux/ranlux.h"
#include "support/consolecapture.h"
#include "textout/console.h"

namespace {

// Captures everything printed on the console while alive.
using testsupport::ConsoleCapture;

std::vector<float> draw(ranlux::Ranlux& gen, int n) {
  std::vector<float> v(static_cast<std::size_t>(n));
  gen.ranlux(v.data(), n);
  return v;
}

std::vector<std::uint32_t> bits(const std::vector<float>& v) {
  std::vector<std::uint32_t> b;
  for (float x : v) b.push_back(std::bit_cast<std::uint32_t>(x));
  return b;
}

TEST(RanluxBehaviour, InstancesAreIndependent) {
  ConsoleCapture cap;
  ranlux::Ranlux solo, a, b, c;
  solo.rluxgo(3, 4711, 0, 0);
  a.rluxgo(3, 4711, 0, 0);
  b.rluxgo(3, 4711, 0, 0);
  c.rluxgo(1, 99, 0, 0);
  const auto expected = draw(solo, 3000);
  std::vector<float> got;
  for (int k = 0; k < 1000; ++k) {
    // Draws from the other generators in between must not disturb a.
    draw(b, 5);
    draw(c, 7);
    for (float x : draw(a, 3)) got.push_back(x);
  }
  EXPECT_EQ(bits(got), bits(expected));
  // b, drawn from in a different pattern, is still the same sequence.
  ranlux::Ranlux b2;
  b2.rluxgo(3, 4711, 0, 0);
  draw(b2, 5000);
  EXPECT_EQ(bits(draw(b, 50)), bits(draw(b2, 50)));
}

TEST(RanluxBehaviour, FreshInstanceStartsWithDefaultInitialisation) {
  ranlux::Ranlux fresh, explicitDefault;
  ConsoleCapture cap;
  const auto v = draw(fresh, 300);
  const std::string firstLines = cap.text();
  EXPECT_EQ(firstLines,
            " RANLUX DEFAULT INITIALIZATION:    314159265\n"
            " RANLUX DEFAULT LUXURY LEVEL =   3      p = 223\n");
  draw(fresh, 10);
  EXPECT_EQ(cap.text(), firstLines) << "initialisation lines printed only once";
  explicitDefault.rluxgo(3, 314159265, 0, 0);
  EXPECT_EQ(bits(draw(explicitDefault, 300)), bits(v));
  std::int32_t lux, ins, k1, k2;
  fresh.rluxat(lux, ins, k1, k2);
  EXPECT_EQ(lux, 3);
  EXPECT_EQ(ins, 314159265);
  EXPECT_EQ(k1, 310 + 199 * (310 / 24));
  EXPECT_EQ(k2, 0);
}

TEST(RanluxBehaviour, LuxuryLevelsPrintTheirPValues) {
  const char* lines[] = {
      " RANLUX LUXURY LEVEL SET BY RLUXGO : 0     P=  24\n",
      " RANLUX LUXURY LEVEL SET BY RLUXGO : 1     P=  48\n",
      " RANLUX LUXURY LEVEL SET BY RLUXGO : 2     P=  97\n",
      " RANLUX LUXURY LEVEL SET BY RLUXGO : 3     P= 223\n",
      " RANLUX LUXURY LEVEL SET BY RLUXGO : 4     P= 389\n",
  };
  for (int lux = 0; lux <= 4; ++lux) {
    ConsoleCapture cap;
    ranlux::Ranlux gen;
    gen.rluxgo(lux, 0, 0, 0);
    EXPECT_EQ(cap.text(), std::string(lines[lux]) + " RANLUX INITIALIZED BY RLUXGO FROM DEFAULT SEED\n");
  }
  const int ps[] = {24, 48, 97, 223, 389};
  for (int lux = 0; lux <= 4; ++lux) {
    // A p of one of the levels, given directly, is that level.
    ConsoleCapture cap;
    ranlux::Ranlux gen;
    gen.rluxgo(ps[lux], 0, 0, 0);
    EXPECT_EQ(cap.text().substr(0, cap.text().find('\n') + 1), lines[lux]);
  }
  ConsoleCapture cap;
  ranlux::Ranlux gen;
  gen.rluxgo(100, 5, 0, 0);
  EXPECT_EQ(cap.text(),
            " RANLUX P-VALUE SET BY RLUXGO TO:  100\n"
            " RANLUX INITIALIZED BY RLUXGO FROM SEEDS           5           0           0\n");
}

TEST(RanluxBehaviour, LuxuryDeliversTwentyFourOfEveryP) {
  // At luxury p, the k-th number delivered (k from 0) is number
  // (k / 24) * p + k % 24 of the undecimated sequence (level 0, p = 24).
  ConsoleCapture cap;
  ranlux::Ranlux raw;
  raw.rluxgo(0, 2718, 0, 0);
  const auto all = draw(raw, 40 * 389);
  for (int p : {48, 97, 223, 389, 75, 25}) {
    ranlux::Ranlux gen;
    gen.rluxgo(p, 2718, 0, 0);
    const auto v = draw(gen, 24 * 40);
    for (int k = 0; k < 24 * 40; ++k)
      ASSERT_EQ(std::bit_cast<std::uint32_t>(v[k]),
                std::bit_cast<std::uint32_t>(all[(k / 24) * p + k % 24]))
          << "p " << p << " number " << k;
  }
  // Different levels give different sequences after the first 24.
  ranlux::Ranlux l2, l3;
  l2.rluxgo(2, 2718, 0, 0);
  l3.rluxgo(3, 2718, 0, 0);
  const auto v2 = draw(l2, 48), v3 = draw(l3, 48);
  EXPECT_EQ(bits(std::vector<float>(v2.begin(), v2.begin() + 24)),
            bits(std::vector<float>(v3.begin(), v3.begin() + 24)));
  EXPECT_NE(bits(std::vector<float>(v2.begin() + 24, v2.end())),
            bits(std::vector<float>(v3.begin() + 24, v3.end())));
}

TEST(RanluxBehaviour, SkippingEqualsDrawingAndDiscarding) {
  ConsoleCapture cap;
  // Level 0 discards nothing: skipping k1 is drawing k1.
  for (int k1 : {1, 23, 24, 25, 1000}) {
    ranlux::Ranlux drawn, skipped;
    drawn.rluxgo(0, 31415, 0, 0);
    draw(drawn, k1);
    skipped.rluxgo(0, 31415, k1, 0);
    EXPECT_EQ(bits(draw(skipped, 500)), bits(draw(drawn, 500))) << "k1 " << k1;
  }
  // Other levels: restart from the count the generator reports, at any
  // point within a group of 24.
  for (int lux : {1, 3, 4}) {
    for (int n : {0, 1, 5, 23, 24, 25, 100, 4801}) {
      ranlux::Ranlux drawn;
      drawn.rluxgo(lux, 31415, 0, 0);
      draw(drawn, n);
      std::int32_t l, ins, k1, k2;
      drawn.rluxat(l, ins, k1, k2);
      EXPECT_EQ(k1, n + (lux == 1 ? 24 : lux == 3 ? 199 : 365) * (n / 24));
      ranlux::Ranlux restarted;
      restarted.rluxgo(l, ins, k1, k2);
      EXPECT_EQ(bits(draw(restarted, 700)), bits(draw(drawn, 700))) << "lux " << lux << " n " << n;
    }
  }
}

TEST(RanluxBehaviour, SkippingAcrossABillion) {
  // Draw past 10^9 generated numbers at level 3, then restart from (k1, k2).
  ConsoleCapture cap;
  ranlux::Ranlux drawn;
  drawn.rluxgo(3, 1234, 0, 0);
  std::vector<float> chunk(1 << 20);
  std::int32_t l, ins, k1, k2;
  do {
    drawn.ranlux(chunk.data(), static_cast<std::int32_t>(chunk.size()));
    drawn.rluxat(l, ins, k1, k2);
  } while (k2 == 0);
  draw(drawn, 13);  // stop inside a group of 24
  drawn.rluxat(l, ins, k1, k2);
  EXPECT_EQ(k2, 1);
  ranlux::Ranlux restarted;
  restarted.rluxgo(l, ins, k1, k2);
  EXPECT_EQ(cap.text().find("Error"), std::string::npos);
  EXPECT_EQ(bits(draw(restarted, 300)), bits(draw(drawn, 300)));
}

TEST(RanluxBehaviour, ImpossibleRestartPointIsReported) {
  // 10000 generated numbers at p = 389 is 10000 mod 389 = 275 into a group:
  // inside the discarded part, so no such restart point exists.
  ConsoleCapture cap;
  ranlux::Ranlux gen, plain;
  gen.rluxgo(4, 7674985, 10000, 0);
  EXPECT_EQ(cap.text(),
            " RANLUX LUXURY LEVEL SET BY RLUXGO : 4     P= 389\n"
            " RANLUX INITIALIZED BY RLUXGO FROM SEEDS     7674985       10000           0\n"
            "  Error in RESTARTING with RLUXGO:\n"
            "  The values    7674985      10000          0 cannot occur at luxury level    4\n");
  // It goes on after the 10000 raw numbers as if at the start of a group.
  plain.rluxgo(0, 7674985, 10000, 0);
  const auto g = draw(gen, 48), p = draw(plain, 24 + 389);
  EXPECT_EQ(bits(std::vector<float>(g.begin(), g.begin() + 24)),
            bits(std::vector<float>(p.begin(), p.begin() + 24)));
  EXPECT_EQ(bits(std::vector<float>(g.begin() + 24, g.end())),
            bits(std::vector<float>(p.begin() + 389, p.begin() + 389 + 24)));
}

TEST(RanluxBehaviour, BadArgumentsAreReported) {
  {
    ConsoleCapture cap;
    ranlux::Ranlux gen;
    gen.rluxgo(10, 1, 0, 0);
    EXPECT_EQ(cap.text(),
              " RANLUX ILLEGAL LUXURY RLUXGO:      10\n"
              " RANLUX LUXURY LEVEL SET BY RLUXGO : 4     P= 389\n"
              " RANLUX INITIALIZED BY RLUXGO FROM SEEDS           1           0           0\n");
  }
  {
    ConsoleCapture cap;
    ranlux::Ranlux gen, dflt;
    gen.rluxgo(-1, -5, 0, 0);
    EXPECT_EQ(cap.text(),
              " RANLUX LUXURY LEVEL SET BY RLUXGO : 3     P= 223\n"
              " Illegal initialization by RLUXGO, negative input seed\n"
              " RANLUX INITIALIZED BY RLUXGO FROM DEFAULT SEED\n");
    dflt.rluxgo(3, 0, 0, 0);
    EXPECT_EQ(bits(draw(gen, 100)), bits(draw(dflt, 100)));
  }
}

TEST(RanluxBehaviour, SmallNumbersArePaddedAndZeroIsForbidden) {
  ConsoleCapture cap;
  // State with seeds[24] = 0, seeds[10] = 5, seeds[9] = 2^24 - 1 (in units
  // of 2^-24), lags 24 and 10, no borrow, level 0: the first number is
  // 5 * 2^-24 < 2^-12, padded with 2^-24 * seeds[9]; the exact sum
  // (6 * 2^24 - 1) * 2^-48 rounds in single precision to 6 * 2^-24.
  std::int32_t state[25] = {};
  state[9] = 5;
  state[8] = (1 << 24) - 1;
  state[24] = 24 + 100 * 10;
  ranlux::Ranlux gen;
  gen.rluxin(state);
  EXPECT_EQ(gen.next(), std::ldexp(6.0f, -24));

  // All zero: the first number is 0, padded with 0; zero becomes 2^-48.
  std::int32_t zero[25] = {};
  zero[24] = 24 + 100 * 10;
  ranlux::Ranlux z;
  z.rluxin(zero);
  EXPECT_EQ(z.next(), std::ldexp(1.0f, -48));
}

// An independent integer model of the generator: the 24-bit
// subtract-with-borrow x[n] = x[n-10] - x[n-24] - c (mod 2^24), decimated to
// 24 of every p, small outputs padded.
class IntegerModel {
 public:
  IntegerModel(std::int32_t seed, int p) : p_(p) {
    // The table is filled from the congruential generator
    // s <- 40014 s mod 2147483563, the i-th value (mod 2^24) becoming
    // x[-i]: the first one is the newest, the 24th the oldest.
    std::int64_t s = seed;
    for (int i = 1; i <= 24; ++i) {
      s = (40014 * s) % 2147483563;
      x_[24 - i] = static_cast<std::int32_t>(s % (1 << 24));  // x_[k] = x[k - 24]
    }
    carry_ = x_[0] == 0 ? 1 : 0;  // the oldest entry zero starts with a borrow
  }
  float next() {
    const std::int32_t v = raw();
    float r = std::ldexp(static_cast<float>(v), -24);
    if (v < 4096) {
      // pad with the table entry that is next in line at lag 10
      r = r + std::ldexp(static_cast<float>(x_[(pos_ + 14) % 24]), -48);
      if (r == 0.0f) r = std::ldexp(1.0f, -48);
    }
    if (++in24_ == 24) {
      in24_ = 0;
      for (int k = 0; k < p_ - 24; ++k) raw();
    }
    return r;
  }

 private:
  std::int32_t raw() {
    // x_[pos_] is x[n-24]; x[n-10] is 14 further on.
    std::int32_t v = x_[(pos_ + 14) % 24] - x_[pos_] - carry_;
    carry_ = v < 0 ? 1 : 0;
    if (v < 0) v += 1 << 24;
    x_[pos_] = v;
    pos_ = (pos_ + 1) % 24;
    return v;
  }
  int p_;
  std::int32_t x_[24];
  std::int32_t carry_;
  int pos_ = 0;
  int in24_ = 0;
};

TEST(RanluxBehaviour, AgreesWithAnIntegerModel) {
  ConsoleCapture cap;
  for (int lux = 0; lux <= 4; ++lux) {
    const int p[] = {24, 48, 97, 223, 389};
    ranlux::Ranlux gen;
    gen.rluxgo(lux, 9876543, 0, 0);
    IntegerModel model(9876543, p[lux]);
    const int n = lux == 0 ? 2000000 : 200000;
    const auto v = draw(gen, n);
    int small = 0;
    for (int k = 0; k < n; ++k) {
      const float m = model.next();
      ASSERT_EQ(std::bit_cast<std::uint32_t>(v[k]), std::bit_cast<std::uint32_t>(m))
          << "lux " << lux << " number " << k;
      if (v[k] < std::ldexp(1.0f, -12)) ++small;
    }
    if (lux == 0) {
      EXPECT_GT(small, 100);  // about n / 4096 padded numbers
    }
  }
}

TEST(RanluxBehaviour, UniformInTheOpenInterval) {
  ConsoleCapture cap;
  ranlux::Ranlux gen;
  gen.rluxgo(3, 55555, 0, 0);
  const int n = 1000000;
  const auto v = draw(gen, n);
  double sum = 0.0, sum2 = 0.0;
  for (float x : v) {
    ASSERT_GT(x, 0.0f);
    ASSERT_LT(x, 1.0f);
    sum += x;
    sum2 += static_cast<double>(x) * x;
  }
  // Uniform on (0,1): mean 1/2 and second moment 1/3; standard errors
  // sqrt(1/12 / n) and sqrt(4/45 / n).
  EXPECT_NEAR(sum / n, 0.5, 4.0 * std::sqrt(1.0 / 12.0 / n));
  EXPECT_NEAR(sum2 / n, 1.0 / 3.0, 4.0 * std::sqrt(4.0 / 45.0 / n));
}

}  // namespace
