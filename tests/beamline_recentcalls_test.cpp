// recentTan and recentAtan give std::tan and std::atan bit for bit: for the
// angles of neutrons as the stages see them (each angle several times, an
// angle and its negative, angles that share a slot), and for zeros of either
// sign, tiny, huge, infinite and NaN arguments, first seen or repeated.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "transport/recentcalls.h"

namespace {

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }

void expectBoth(double x) {
  ASSERT_EQ(bits(std::tan(x)), bits(tarn::recentTan(x))) << x;
  ASSERT_EQ(bits(std::atan(x)), bits(tarn::recentAtan(x))) << x;
}

}  // namespace

TEST(RecentCalls, RepeatedAnglesGiveTheLibraryValues) {
  std::mt19937_64 random(19);
  std::uniform_real_distribution<double> angle(-0.2, 0.2);
  std::vector<double> recent;
  for (int event = 0; event < 200000; ++event) {
    // A new angle, or one of the last few again (the stages' pattern),
    // sometimes negated as a reflection does.
    double x = angle(random);
    if (!recent.empty() && random() % 4 != 0) x = recent[random() % recent.size()];
    if (random() % 8 == 0) x = -x;
    expectBoth(x);
    if (HasFatalFailure()) return;
    recent.push_back(x);
    if (recent.size() > 12) recent.erase(recent.begin());
  }
}

TEST(RecentCalls, ArgumentsThatShareASlotReplaceEachOther) {
  // Collect arguments by slot, then alternate between two of the same slot.
  std::vector<double> slotZero;
  for (double x = 0.001; slotZero.size() < 3; x = std::nextafter(x, 1.0))
    if (tarn::recentSlot(bits(x)) == 0) slotZero.push_back(x);
  for (int k = 0; k < 30; ++k) expectBoth(slotZero[static_cast<std::size_t>(k % 3)]);
}

TEST(RecentCalls, SpecialArgumentsFirstAndAgain) {
  const double inf = std::numeric_limits<double>::infinity();
  const double values[] = {0.0,    -0.0,          1e-300, -1e-300, std::numeric_limits<double>::denorm_min(),
                           1e300,  -1e300,        inf,    -inf,    std::numeric_limits<double>::quiet_NaN(),
                           1.5707963267948966, -1.5707963267948966, 3.0, 1e22};
  for (int pass = 0; pass < 3; ++pass)
    for (double x : values) {
      const double t = tarn::recentTan(x), a = tarn::recentAtan(x);
      if (std::isnan(x)) {
        EXPECT_TRUE(std::isnan(t));
        EXPECT_TRUE(std::isnan(a));
      } else {
        EXPECT_EQ(bits(std::tan(x)), bits(t)) << x;
        EXPECT_EQ(bits(std::atan(x)), bits(a)) << x;
      }
    }
  // +0 and -0 are different keys: each keeps its own sign.
  EXPECT_EQ(bits(tarn::recentTan(0.0)), bits(0.0));
  EXPECT_EQ(bits(tarn::recentTan(-0.0)), bits(-0.0));
}
