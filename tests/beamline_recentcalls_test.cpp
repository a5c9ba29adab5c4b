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
#include <thread>
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

// A thread's tables start zeroed, holding +0 with the value +0 in every slot:
// true for tan and atan, and asked only in the slot of +0. A fresh thread
// gets +0 for +0 and the library's values for every other argument, whatever
// its slot, among them the arguments whose slot is that of +0.
TEST(RecentCalls, FreshTablesHoldOnlyTrueEntries) {
  ASSERT_EQ(bits(std::tan(0.0)), 0u);
  ASSERT_EQ(bits(std::atan(0.0)), 0u);
  EXPECT_EQ(tarn::recentSlot(0), 0u);
  std::vector<double> firstSeen = {0.0, -0.0, std::numeric_limits<double>::denorm_min(), 1e-300, 0.01};
  for (double x = 0.001; firstSeen.size() < 12; x = std::nextafter(x, 1.0))
    if (tarn::recentSlot(bits(x)) == 0) firstSeen.push_back(x);
  for (std::size_t k = 0; k < firstSeen.size(); ++k) {
    std::uint64_t t = 1, a = 1, t0 = 1, a0 = 1;
    const double x = firstSeen[k];
    // A new thread for each argument, so that it is the first call there.
    std::thread([&] {
      t = bits(tarn::recentTan(x));
      a = bits(tarn::recentAtan(x));
      t0 = bits(tarn::recentTan(0.0));
      a0 = bits(tarn::recentAtan(0.0));
    }).join();
    EXPECT_EQ(t, bits(std::tan(x))) << x;
    EXPECT_EQ(a, bits(std::atan(x))) << x;
    EXPECT_EQ(t0, 0u) << x;
    EXPECT_EQ(a0, 0u) << x;
  }
}
