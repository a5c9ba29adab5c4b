// The start-up estimate of the momentum-transfer draws: checked against the
// kinematics worked out by hand, and whole runs that it refuses or lets go.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "support/runs.h"
#include "transport/constants.h"
#include "transport/helium/wq.h"
#include "transport/run/transferestimate.h"

using namespace testsupport;

namespace {

const tarn::RunStamp START = tarn::makeStamp(2026, 3, 7, 9, 5, 16, 345);

hbook::Histogram shipped(const char* file, int id) {
  for (const hbook::Histogram& h : hbook::readFile((fs::path(TARN_DATA_DIR) / file).string()).histograms)
    if (h.id == id) return h;
  ADD_FAILURE() << "no histogram " << id << " in " << file;
  return {};
}

// S(q) with content only in the given bins (1-based, inclusive), the shipped
// values there.
hbook::Histogram sqOnly(int first, int last) {
  hbook::Histogram sq = shipped("sq.hbook", 301);
  for (int i = 1; i <= 90; ++i)
    if (i < first || i > last) sq.channels[i] = 0.0f;
  return sq;
}

// The spectrum's share of the wavelengths between a and b (Å), bins split
// linearly.
double spectrumShare(const hbook::Histogram& lam, double a, double b) {
  double in = 0.0, total = 0.0;
  const double width = (static_cast<double>(lam.xmax) - lam.xmin) / lam.nx;
  for (int j = 1; j <= lam.nx; ++j) {
    const double lo = lam.xmin + (j - 1) * width, hi = lo + width;
    total += lam.channels[j];
    const double overlap = std::max(0.0, std::min(hi, b) - std::max(lo, a));
    in += lam.channels[j] * overlap / width;
  }
  return in / total;
}

// The spectrum with the wavelengths from `from` Å on scaled by `factor`.
hbook::Histogram tailScaled(double from, float factor) {
  hbook::Histogram lam = shipped("lam.hbook", 100);
  for (int j = 1; j <= lam.nx; ++j)
    if (lam.xmin + (j - 1) * lam.binWidth() >= from) lam.channels[j] *= factor;
  return lam;
}

}  // namespace

TEST(TransferEstimate, ShippedInputsNeedAFewDrawsAndNoneAreImpossible) {
  const tarn::TransferEstimate e = tarn::estimateTransfers(shipped("lam.hbook", 100), shipped("sq.hbook", 301), 1.0f);
  EXPECT_GT(e.drawsPerEvent, 1.0);
  EXPECT_LT(e.drawsPerEvent, 5.0);
  EXPECT_EQ(e.impossibleShare, 0.0);
  EXPECT_TRUE(tarn::refuseCostlyTransfers(e).empty());
}

TEST(TransferEstimate, LastBinOnlyLeavesTheKinematicGapWorkedOutByHand) {
  // S(q) only in 3.56 <= q < 3.6. The copy holds that bin once 2k >= 3.6,
  // i.e. below λ = 2 pi / 1.8. The triangle closes only while k + k' >= q;
  // with k^2 - k'^2 = c = TWO_NEUTRON_MASS * wp(q) / HBAR, k + k' = q at
  // k = (q + c / q) / 2, taken at the bottom of the bin. Between the two
  // every draw is rejected.
  const hbook::Histogram lam = shipped("lam.hbook", 100);
  const tarn::TransferEstimate e = tarn::estimateTransfers(lam, sqOnly(90, 90), 1.0f);
  const double twoPi = tarn::PLANCK_MEV_PS / tarn::HBAR_MEV_PS;
  const double q = 3.56;
  double wp = 0.0;
  WQ(q, wp, 1.0, 1.0);
  const double c = tarn::TWO_NEUTRON_MASS * wp / tarn::HBAR_MEV_PS;
  const double gapFrom = twoPi / ((q + c / q) / 2), gapTo = twoPi / 1.8;
  EXPECT_NEAR(gapFrom, 3.329, 0.002);  // the hand calculation itself
  EXPECT_NEAR(e.impossibleFrom, gapFrom, 0.03);
  EXPECT_NEAR(e.impossibleTo, gapTo, 0.03);
  const double share = spectrumShare(lam, gapFrom, gapTo);
  EXPECT_NEAR(e.impossibleShare, share, 0.1 * share);
  EXPECT_NEAR(e.drawsPerEvent, share * 1e6, 0.1 * share * 1e6);
}

TEST(TransferEstimate, TheSpectrumDecidesWhetherAGapMatters) {
  // Without S(q) below 0.16 1/Å, neutrons above about 13.5 Å find no
  // transfer; a spectrum without them, or with few enough, is fine.
  const hbook::Histogram sq = sqOnly(5, 90);
  const tarn::TransferEstimate all = tarn::estimateTransfers(shipped("lam.hbook", 100), sq, 1.0f);
  EXPECT_NEAR(all.impossibleFrom, 13.5, 0.2);
  EXPECT_FALSE(tarn::refuseCostlyTransfers(all).empty());
  const tarn::TransferEstimate none = tarn::estimateTransfers(tailScaled(13.0, 0.0f), sq, 1.0f);
  EXPECT_EQ(none.impossibleShare, 0.0);
  EXPECT_LT(none.drawsPerEvent, 5.0);
  // One event in 10^5 in the gap costs about 10 draws per event; one in 10^3
  // about 1000.
  const double tail = spectrumShare(shipped("lam.hbook", 100), 13.5, 20.0);
  const tarn::TransferEstimate few = tarn::estimateTransfers(tailScaled(13.0, static_cast<float>(1e-5 / tail)), sq, 1.0f);
  EXPECT_LT(few.drawsPerEvent, tarn::MAX_DRAWS_PER_EVENT);
  EXPECT_GT(few.drawsPerEvent, 5.0);
  const tarn::TransferEstimate many = tarn::estimateTransfers(tailScaled(13.0, static_cast<float>(1e-3 / tail)), sq, 1.0f);
  EXPECT_GT(many.drawsPerEvent, 500.0);
  EXPECT_FALSE(tarn::refuseCostlyTransfers(many).empty());
}

TEST(TransferEstimate, EventsBelowTheWavelengthCutCostNothing) {
  hbook::Histogram lam = shipped("lam.hbook", 100);
  for (int j = 1; j <= lam.nx; ++j) lam.channels[j] = lam.xmin + j * lam.binWidth() <= 1.0f ? 1.0f : 0.0f;
  EXPECT_EQ(tarn::estimateTransfers(lam, sqOnly(46, 46), 1.0f).drawsPerEvent, 0.0);
}

TEST(TransferEstimate, AFallInARunningSumWeighsNothing) {
  // A spectrum the sampler has integrated (entries -1) whose running sum
  // rises by 1 a bin but falls by `fall` at one: each bin weighs its step
  // and the fallen bin nothing, the same as a spectrum of those steps,
  // whatever the fall.
  const hbook::Histogram lam = shipped("lam.hbook", 100);
  const int fallen = 120;
  for (const float fall : {1.0f, 50.0f}) {
    std::vector<float> running(195), steps(195, 1.0f);
    for (int j = 0; j < 195; ++j) running[j] = static_cast<float>(j + 1);
    for (int j = fallen - 1; j < 195; ++j) running[j] -= 1.0f + fall;
    steps[fallen - 1] = 0.0f;
    hbook::Histogram integrated = makeHistogram(100, "running sum", 195, lam.xmin, lam.xmax, running);
    integrated.entries = -1;
    const hbook::Histogram plain = makeHistogram(100, "steps", 195, lam.xmin, lam.xmax, steps);
    const hbook::Histogram sq = shipped("sq.hbook", 301);
    EXPECT_EQ(tarn::estimateTransfers(integrated, sq, 1.0f).drawsPerEvent,
              tarn::estimateTransfers(plain, sq, 1.0f).drawsPerEvent)
        << fall;
  }
}

TEST(TransferEstimate, NoEventCostsMoreThanTheDrawsAfterWhichItGivesUp) {
  // S(q) in the last bin, and a trace at small q: in the kinematic gap an
  // event finds an allowed transfer once in about 10^12 draws, but gives up
  // after 10^6, as the events with no allowed transfer at all do.
  const hbook::Histogram lam = shipped("lam.hbook", 100);
  const tarn::TransferEstimate none = tarn::estimateTransfers(lam, sqOnly(90, 90), 1.0f);
  hbook::Histogram traced = sqOnly(90, 90);
  for (int i = 1; i <= 10; ++i) traced.channels[i] = traced.channels[90] * 1e-12f;
  const tarn::TransferEstimate rare = tarn::estimateTransfers(lam, traced, 1.0f);
  EXPECT_EQ(rare.impossibleShare, 0.0);
  ASSERT_GT(none.drawsPerEvent, 1e3);
  EXPECT_NEAR(rare.drawsPerEvent, none.drawsPerEvent, 1e-3 * none.drawsPerEvent);
  EXPECT_LE(rare.drawsPerEvent, 1e6);
}

TEST(RunTransfers, AnSqOnlyAtLargeQIsRefusedBeforeTheFirstEvent) {
  for (const int bin : {46, 90}) {
    ScratchDir dir("sq-one-bin");
    dir.copyShippedInputs();
    writeHistograms(dir.path() / "sq.hbook", {sqOnly(bin, bin)});
    const RunResult r = runIn(dir.path(), 100, START);
    EXPECT_EQ(r.status, 3);
    const std::string message = "  sq.hbook, lam.hbook: momentum transfers are nearly impossible: an event would need ";
    EXPECT_NE(r.console.find(message), std::string::npos) << r.console;
    EXPECT_NE(r.log.find(message), std::string::npos) << r.log;
    EXPECT_NE(r.log.find("find S(q) only where the helium dispersion allows no transfer"), std::string::npos);
    EXPECT_EQ(r.console.find("RANLUX"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.path() / "h27961.hbook"));
  }
}

TEST(RunTransfers, UnusualButWorkableInputsRun) {
  // S(q) only at small q, and a gap in S(q) that the spectrum does not reach.
  ScratchDir low("sq-low"), gap("sq-gap");
  low.copyShippedInputs();
  writeHistograms(low.path() / "sq.hbook", {sqOnly(1, 10)});
  EXPECT_EQ(runIn(low.path(), 300, START).status, 0);
  gap.copyShippedInputs();
  writeHistograms(gap.path() / "sq.hbook", {sqOnly(5, 90)});
  writeHistograms(gap.path() / "lam.hbook", {tailScaled(13.0, 0.0f)});
  const RunResult r = runIn(gap.path(), 300, START);
  EXPECT_EQ(r.status, 0) << r.console;
  EXPECT_TRUE(fs::exists(gap.path() / "h27961.hbook"));
}

TEST(TransferEstimate, TheRefusalIsAboveTheLimitOnlyAndInTheseWords) {
  tarn::TransferEstimate e;
  e.drawsPerEvent = tarn::MAX_DRAWS_PER_EVENT;
  EXPECT_TRUE(tarn::refuseCostlyTransfers(e).empty());
  e.drawsPerEvent = std::nextafter(tarn::MAX_DRAWS_PER_EVENT, 100.0);
  std::vector<std::string> lines = tarn::refuseCostlyTransfers(e);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0],
            " sq.hbook, lam.hbook: momentum transfers are nearly impossible: an event would need 50 draws of q on "
            "average (the shipped inputs need about 3; the limit is 50)");
  EXPECT_EQ(lines[1],
            " S(q) lies mostly where the helium dispersion allows no transfer for the wavelengths of the spectrum");
  e.drawsPerEvent = 12345.0;
  e.impossibleShare = 0.0125;
  e.impossibleFrom = 13.46;
  e.impossibleTo = 19.9;
  lines = tarn::refuseCostlyTransfers(e);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(
      lines[0],
      " sq.hbook, lam.hbook: momentum transfers are nearly impossible: an event would need 1.23e+04 draws of q on "
      "average (the shipped inputs need about 3; the limit is 50)");
  EXPECT_EQ(lines[1],
            " 1.25 % of the events (wavelengths 13.5 to 19.9 Angstrom) find S(q) only where the helium dispersion "
            "allows no transfer and would each spend 1e+06 draws in vain");
  e.drawsPerEvent = NAN;  // not a cost above the limit
  EXPECT_TRUE(tarn::refuseCostlyTransfers(e).empty());
}

TEST(TransferEstimate, InputsOfAnotherShapeOrWithoutContentEstimateNothing) {
  const hbook::Histogram lam = shipped("lam.hbook", 100);
  const hbook::Histogram sq = shipped("sq.hbook", 301);
  const auto nothing = [](const tarn::TransferEstimate& e) {
    return e.drawsPerEvent == 0.0 && e.impossibleShare == 0.0 && e.impossibleFrom == 0.0 && e.impossibleTo == 0.0;
  };
  ASSERT_GT(tarn::estimateTransfers(lam, sq, 1.0f).drawsPerEvent, 1.0);
  hbook::Histogram noBins = lam;
  noBins.nx = 0;
  EXPECT_TRUE(nothing(tarn::estimateTransfers(noBins, sq, 1.0f)));
  hbook::Histogram shortSpectrum = lam;
  shortSpectrum.channels.pop_back();
  EXPECT_TRUE(nothing(tarn::estimateTransfers(shortSpectrum, sq, 1.0f)));
  hbook::Histogram longSq = sq;
  longSq.channels.push_back(0.0f);
  EXPECT_TRUE(nothing(tarn::estimateTransfers(lam, longSq, 1.0f)));
  hbook::Histogram empty = lam;
  std::fill(empty.channels.begin(), empty.channels.end(), 0.0f);
  EXPECT_TRUE(nothing(tarn::estimateTransfers(empty, sq, 1.0f)));
  // A spectrum wholly below the cut: nothing gets past it.
  hbook::Histogram below = lam;
  for (int j = 1; j <= below.nx; ++j) below.channels[j] = below.xmin + j * below.binWidth() <= 1.0f ? 1.0f : 0.0f;
  EXPECT_TRUE(nothing(tarn::estimateTransfers(below, sq, 1.0f)));
}
