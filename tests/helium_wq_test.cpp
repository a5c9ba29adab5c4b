// WQ: the dispersion table, its out-of-range reports and the small-q
// kinematic correction.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/consolecapture.h"
#include "textout/freeformat.h"
#include "transport/helium/wq.h"

using testsupport::ConsoleCapture;

namespace {

// Wave number (1/Å) of a neutron of energy e (meV).
double waveNumber(double e) { return std::sqrt(e * 0.2090815502) / 0.6582122; }

// Table values used below (single precision, widened).
constexpr double WP2 = 0.235735f;   // at q = 0.1
constexpr double WP37 = 2.416286f;  // at q = 3.6

std::string outOfRangeLine(int interval, double q) {
  return textout::Line()
      .integer(interval)
      .dbl(q)
      .dbl(0.0)
      .dbl(static_cast<double>(3.6f))
      .text(" The value is out of range ... wq code")
      .str();
}

}  // namespace

TEST(HeliumWq, InterpolatesBetweenGridPoints) {
  ConsoleCapture console;
  double wp = -1.0;
  WQ(1.95, wp, 5.0, waveNumber(5.0));
  EXPECT_NEAR(wp, 1.1557574907, 5e-11);
  EXPECT_TRUE(console.text().empty());
}

TEST(HeliumWq, LastGridPointInSinglePrecisionIsInside) {
  ConsoleCapture console;
  double wp = -1.0;
  WQ(static_cast<double>(3.6f), wp, 5.0, waveNumber(5.0));
  EXPECT_EQ(wp, WP37);
  EXPECT_TRUE(console.text().empty());
}

TEST(HeliumWq, AboveTableClampsWithThirtySixReports) {
  ConsoleCapture console;
  double wp = -1.0;
  WQ(3.6, wp, 5.0, waveNumber(5.0));  // 3.6 > 3.5999999046325684
  EXPECT_EQ(wp, WP37);
  const auto lines = console.lines();
  ASSERT_EQ(lines.size(), 36u);
  for (int i = 0; i < 36; ++i) EXPECT_EQ(lines[i], outOfRangeLine(i + 1, 3.6));
}

TEST(HeliumWq, NegativeQClampsToZeroWithThirtySixReports) {
  ConsoleCapture console;
  double wp = -1.0;
  WQ(-0.2, wp, 5.0, waveNumber(5.0));
  EXPECT_EQ(wp, 0.0);
  const auto lines = console.lines();
  ASSERT_EQ(lines.size(), 36u);
  for (int i = 0; i < 36; ++i) EXPECT_EQ(lines[i], outOfRangeLine(i + 1, -0.2));
}

TEST(HeliumWq, TinyNegativeQEndsTheCorrection) {
  ConsoleCapture console;
  double wp = -1.0;
  WQ(-1e-9, wp, 5.0, waveNumber(5.0));
  EXPECT_EQ(wp, 0.0);
  EXPECT_EQ(console.lines().size(), 36u);
}

TEST(HeliumWq, ZeroQReturnsZeroAtOnce) {
  ConsoleCapture console;
  for (double e : {0.1, 1.0, 5.0, 8.3, 50.0}) {
    double wp = -1.0;
    WQ(0.0, wp, e, waveNumber(e));
    EXPECT_EQ(wp, 0.0) << "E = " << e;
  }
  EXPECT_TRUE(console.text().empty());
}

TEST(HeliumWq, DoublePointOneIsInFirstIntervalWithoutCorrection) {
  ConsoleCapture console;
  double wp = -1.0;
  // E = 0.1 meV would lower wp if the correction ran (see below).
  WQ(0.1, wp, 0.1, waveNumber(0.1));
  const double slope = WP2 / static_cast<double>(0.1f);
  EXPECT_EQ(wp, slope * 0.1);
  EXPECT_LT(wp, WP2);
  EXPECT_GT(wp, WP2 * (1.0 - 1e-7));

  WQ(static_cast<double>(0.1f), wp, 0.1, waveNumber(0.1));
  EXPECT_EQ(wp, WP2);
  EXPECT_TRUE(console.text().empty());
}

TEST(HeliumWq, SmallQAcceptedAtOnceForFastNeutron) {
  ConsoleCapture console;
  double wp = -1.0;
  const double k = waveNumber(8.3);
  ASSERT_NEAR(k, 2.0, 0.01);
  WQ(0.05, wp, 8.3, k);
  EXPECT_EQ(wp, WP2 / static_cast<double>(0.1f) * 0.05);
  EXPECT_NEAR(wp, 0.1179, 5e-5);
  EXPECT_TRUE(console.text().empty());
}

TEST(HeliumWq, SmallQLoweredForSlowNeutron) {
  ConsoleCapture console;
  double wp = -1.0;
  const double k = waveNumber(0.1);
  ASSERT_NEAR(k, 0.22, 0.01);
  WQ(0.05, wp, 0.1, k);
  EXPECT_NEAR(wp, 0.0589337, 5e-8);
  EXPECT_TRUE(console.text().empty());
}

TEST(HeliumWq, NoAdmissibleValueSetsZeroWithMessage) {
  ConsoleCapture console;
  double wp = -1.0;
  // A wave number far from the energy's: the triangle never closes.
  WQ(0.05, wp, 0.1, 10.0);
  EXPECT_EQ(wp, 0.0);
  const auto lines = console.lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "  setting wp=0");
}
