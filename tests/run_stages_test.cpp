// Stages of the event loop called on their own with a chosen neutron: the
// cell windows (inclusive upstream, strict downstream) and the retry cap of
// the momentum-transfer draw.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "hbook/hbook.h"
#include "hbook/memory/store.h"
#include "ranlux/ranlux.h"
#include "support/consolecapture.h"
#include "support/runs.h"
#include "transport/event/catalogue.h"
#include "transport/event/runstate.h"
#include "transport/event/stages.h"
#include "transport/lost.h"
#include "transport/run/freshstart.h"

using testsupport::ConsoleCapture;

namespace {

// A fresh run memory with the result histograms booked and RANLUX seeded.
class Stages : public ::testing::Test {
 protected:
  void SetUp() override {
    tarn::startFresh();  // a fresh process
    ranlux::RLUXGO(3, 12345, 0, 0);
    HLIMIT(1000000);
    tarn::bookResultHistograms();
    run_.targetObserver = [this](const tarn::TargetCall& c) { targetCalls_.push_back(c); };
  }
  void TearDown() override { hbook::memory().clear(); }

  std::int32_t entries(std::int32_t id) const { return hbook::memory().find(id)->entries; }

  ConsoleCapture console_;
  tarn::RunState run_;
  std::vector<tarn::TargetCall> targetCalls_;
};

// A 5 meV neutron along the beam axis at x (cm), y = 0.
tarn::NeutronState along(double x, double z) { return tarn::NeutronState{5.0, x, 0.0, z, 0.0, 0.0}; }

tarn::DetectedNeutron atDownstreamCell(double x) {
  tarn::DetectedNeutron h;
  h.event = 2;
  h.qUp = h.qDown = 0.4;
  h.scatteredUp = true;
  h.downIn = along(x, 262.4);
  return h;
}

}  // namespace

TEST_F(Stages, DownstreamCellWindowEdgesStopTheNeutron) {
  for (double x : {-3.0, -0.35, 0.35, 3.0}) {
    tarn::DetectedNeutron h = atDownstreamCell(x);
    EXPECT_FALSE(tarn::passDownstreamCell(run_, h)) << x;
    EXPECT_EQ(h.downOut.x, tarn::LOST_MARKER) << x;
    EXPECT_EQ(h.downOut.E, tarn::LOST_MARKER) << x;
  }
  EXPECT_EQ(run_.counters.nTar2In, 0);
  EXPECT_EQ(run_.counters.nTar1ToTar2, 0);
  EXPECT_TRUE(targetCalls_.empty());
  EXPECT_EQ(entries(2001), 0);
  EXPECT_EQ(entries(4010), 0);
}

TEST_F(Stages, DownstreamCellJustInsideItsEdges) {
  int passed = 0;
  // Helium on the left: TARGET is called (the neutron may scatter out).
  for (double x : {std::nextafter(-3.0, 0.0), std::nextafter(-0.35, -1.0)}) {
    tarn::DetectedNeutron h = atDownstreamCell(x);
    passed += tarn::passDownstreamCell(run_, h);
    ASSERT_FALSE(targetCalls_.empty()) << x;
    EXPECT_EQ(targetCalls_.back().in.x, x);
    EXPECT_TRUE(targetCalls_.back().downstream);
    EXPECT_EQ(targetCalls_.back().q, 0.4);
  }
  EXPECT_EQ(run_.counters.nTar2In, 2);
  EXPECT_EQ(run_.counters.nTar1ToTar2, 2);
  EXPECT_EQ(entries(4010), 2);
  EXPECT_EQ(entries(5012), 2);
  // Empty on the right: straight through.
  for (double x : {std::nextafter(0.35, 1.0), std::nextafter(3.0, 0.0)}) {
    tarn::DetectedNeutron h = atDownstreamCell(x);
    ASSERT_TRUE(tarn::passDownstreamCell(run_, h)) << x;
    ++passed;
    EXPECT_EQ(h.downOut.x, x);
    EXPECT_EQ(h.downOut.E, 5.0);
    EXPECT_FALSE(h.scatteredDown);
    EXPECT_EQ(h.downOut.z, 262.4 + 41.6);
    EXPECT_GT(h.down.unscatteredPath, 41.5);
  }
  EXPECT_EQ(targetCalls_.size(), 2u);
  EXPECT_EQ(entries(2001), passed);
}

TEST_F(Stages, UpstreamCellWindowEdgesAreInside) {
  // Empty on the left: the edges pass straight through.
  for (double x : {-3.0, -0.35}) {
    tarn::DetectedNeutron h;
    h.event = 2;
    ASSERT_TRUE(tarn::passUpstreamCell(run_, along(x, 205.0), h)) << x;
    EXPECT_EQ(h.upIn.x, x);
    EXPECT_EQ(h.upOut.x, x);
  }
  EXPECT_TRUE(targetCalls_.empty());
  // Helium on the right: the edges reach TARGET.
  for (double x : {0.35, 3.0}) {
    tarn::DetectedNeutron h;
    h.event = 2;
    h.qUp = 0.4;
    tarn::passUpstreamCell(run_, along(x, 205.0), h);
    ASSERT_FALSE(targetCalls_.empty()) << x;
    EXPECT_EQ(targetCalls_.back().in.x, x);
    EXPECT_FALSE(targetCalls_.back().downstream);
  }
  EXPECT_EQ(run_.counters.nTar1In, 2);
  // Beyond the edges and in the central strip: stopped.
  for (double x : {std::nextafter(-3.0, -4.0), std::nextafter(-0.35, 0.0), 0.0, std::nextafter(0.35, 0.0),
                   std::nextafter(3.0, 4.0)}) {
    tarn::DetectedNeutron h;
    h.event = 2;
    EXPECT_FALSE(tarn::passUpstreamCell(run_, along(x, 205.0), h)) << x;
  }
  EXPECT_EQ(run_.counters.nTar1In, 2);
}

// S(q) only at 0.52-0.56 1/Å and an 18 Å neutron (0.2525 meV, 2k = 0.698
// 1/Å): the copy holds the bin, but the dispersion there takes about
// 0.84 meV, more than the neutron has, so no draw is ever accepted.
TEST_F(Stages, RetryCapEndsTheEventAfterExactlyAMillionDraws) {
  std::vector<float> sq(90, 0.0f);
  sq[13] = 1.0f;
  hbook::memory().put(testsupport::makeHistogram(301, "S(q)", 90, 0.0f, 3.6f, sq));
  const double E = 81.80411 / (18.0 * 18.0);
  double q = -1.0;
  EXPECT_FALSE(tarn::sampleTransfer(run_, 2, E, false, q));
  EXPECT_EQ(run_.nNoTransfer, 1);
  EXPECT_GE(q, 0.52f);  // the last draw
  EXPECT_LT(q, 0.56f);
  // The sampler's generator has given exactly one number per draw.
  const float next = hbook::rndm();
  hbook::resetRndm();
  for (int i = 0; i < 1000000; ++i) hbook::rndm();
  EXPECT_EQ(next, hbook::rndm());
}

// The downstream transfer falls back to q = 0.4 only when the copy of S(q)
// holds no bin at all (2k below one bin): with one or two bins it is drawn
// from the copy, as upstream.
TEST_F(Stages, TheDownstreamFallbackIsForAnEmptyCopyOnly) {
  for (const hbook::Histogram& h : hbook::readFile(std::string(TARN_DATA_DIR) + "/sq.hbook").histograms)
    if (h.id == tarn::hid::SQ) hbook::memory().put(h);
  // E for a wave number k: (k hbar)^2 / 2m.
  auto energyFor = [](double k) { return (k * 0.6582122) * (k * 0.6582122) / 0.2090815502; };
  const std::uint64_t before = hbook::rndmDraws();
  double q = -1.0;
  EXPECT_FALSE(tarn::sampleTransfer(run_, 2, energyFor(0.01), true, q));  // 2k = 0.02: no bin
  EXPECT_EQ(q, 0.4);
  EXPECT_EQ(hbook::rndmDraws(), before);  // the fallback draws nothing
  for (double k : {0.03, 0.05}) {         // 2k * 25 = 1.5, 2.5: one bin, two bins
    q = -1.0;
    const std::uint64_t start = hbook::rndmDraws();
    EXPECT_TRUE(tarn::sampleTransfer(run_, 3, energyFor(k), true, q)) << k;
    EXPECT_GT(hbook::rndmDraws(), start) << k;
    EXPECT_LT(q, 0.04 * std::floor(2 * k * 25)) << k;
  }
}
