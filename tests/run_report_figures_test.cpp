// The nine figures of the report: each fraction divided in double from the
// exact 64-bit counts and rounded to single precision once, each over its
// own denominator; counts as they are.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

#include "transport/run/report.h"

namespace {

int figure(const char* logText) {
  for (int i = 0; i < tarn::FIGURES; ++i)
    if (std::strcmp(tarn::FIGURE_TABLE[i].logText, logText) == 0) return i;
  ADD_FAILURE() << "no figure " << logText;
  return 0;
}

std::uint32_t bits(float f) { return std::bit_cast<std::uint32_t>(f); }

}  // namespace

TEST(ReportFigures, AFractionOfCountsBeyondSinglePrecisionIsRoundedOnce) {
  // 2^24 + 1 of 10^8 events: in double and rounded once 0.16777217; with
  // the count first rounded to single precision it would be 0.16777216.
  tarn::RunTotals t;
  t.nEvents = 100000000;
  t.counters.nLowEnergy = 16777217;
  const float shown = tarn::figureValue(t, figure("  Fraction of cases where En < 1 meV"));
  EXPECT_EQ(bits(shown), bits(static_cast<float>(16777217.0 / 100000000.0)));
  EXPECT_NE(bits(shown), bits(16777216.0f / 100000000.0f));
}

TEST(ReportFigures, EachFractionOverItsOwnDenominator) {
  tarn::RunTotals t;
  t.nEvents = 1000;
  t.counters.nTar1In = 400;
  t.counters.nScatTar1 = 100;
  t.counters.nTar2In = 250;
  t.counters.nScatTar2 = 50;
  t.counters.nDetIn = 80;
  t.counters.nScatAtDet = 20;
  t.counters.nDetEChanged = 8;
  EXPECT_EQ(tarn::figureValue(t, figure("  Frac # of scatters tar1 ")), 0.25f);
  EXPECT_EQ(tarn::figureValue(t, figure(" Frac # of scatters tar2 ")), 0.2f);
  EXPECT_EQ(tarn::figureValue(t, figure("  Frac of scat of total reaching det ")), 0.02f);
  EXPECT_EQ(tarn::figureValue(t, figure("   Frac of det hits that were scattered ")), 0.25f);
  EXPECT_EQ(tarn::figureValue(t, figure("  Frac of det hits that were scattered with Ef.ne.Ei ")), 0.1f);
  EXPECT_EQ(tarn::figureValue(t, figure("  Number of det hits with Ef.ne.Ei ")), 8.0f);
  EXPECT_EQ(tarn::figureValue(t, figure("  Number of scattered reaching det ")), 20.0f);
}
