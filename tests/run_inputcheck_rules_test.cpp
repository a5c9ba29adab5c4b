// The rules of the input checks (inputcheck.h) one bound at a time: each
// rule is met by a value at its bound and broken by the nearest value beyond
// it, with every other rule met, so that a check that moved its bound, or
// looked at the wrong side of it, is caught.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "hbook/memory/store.h"
#include "support/runs.h"
#include "transport/run/inputcheck.h"
#include "transport/run/transferestimate.h"

using namespace testsupport;

namespace {

// The shipped inputs' histograms, by id.
hbook::Histogram shipped(const char* file, int id) {
  for (const hbook::Histogram& h : hbook::readFile((fs::path(TARN_DATA_DIR) / file).string()).histograms)
    if (h.id == id) return h;
  ADD_FAILURE() << "no histogram " << id << " in " << file;
  return {};
}

// The histogram memory as the run leaves it after HRGET: the given spectrum
// and S(q), and the gradients unless left out.
struct Inputs {
  hbook::Histogram lam = shipped("lam.hbook", 100);
  hbook::Histogram sq = shipped("sq.hbook", 301);
  bool gradients = true;
  std::string inputDir;

  tarn::InputReport check() const {
    hbook::Store& memory = hbook::memory();
    memory.clear();
    memory.put(lam);
    if (gradients) {
      memory.put(makeHistogram(151, "g", 10, -3.0f, 3.0f, {}));
      memory.put(makeHistogram(152, "g", 10, -3.0f, 3.0f, {}));
    }
    memory.put(sq);
    tarn::InputStatus status;
    status.inputDir = inputDir;
    tarn::InputReport report = checkInputs(status);
    memory.clear();
    return report;
  }
};

std::string errors(const tarn::InputReport& r) {
  std::string all;
  for (const std::string& e : r.errors) all += e + "\n";
  return all;
}

// S(q) with nx bins from xmin to xmax, each bin the shipped S(q) at its place.
hbook::Histogram sqBinned(int nx, float xmin, float xmax) {
  const hbook::Histogram s = shipped("sq.hbook", 301);
  std::vector<float> c(static_cast<std::size_t>(nx), 0.0f);
  for (int i = 0; i < nx; ++i)
    c[static_cast<std::size_t>(i)] = s.channels[static_cast<std::size_t>(std::min(i, 89) + 1)];
  return makeHistogram(301, "S(q)", nx, xmin, xmax, c);
}

}  // namespace

TEST(InputRules, TheShippedInputsPassEveryRule) {
  const tarn::InputReport r = Inputs().check();
  EXPECT_EQ(errors(r), "");
  EXPECT_TRUE(r.notes.empty());
}

TEST(InputRules, ABinIsUsableDownToZeroAndNotBelow) {
  for (float v : {0.0f, -0.0f, FLT_MIN}) {
    Inputs in;
    in.lam.channels[50] = v;
    EXPECT_EQ(errors(in.check()), "") << v;
  }
  const float below[] = {-FLT_MIN,
                         -1e-30f,
                         -0.5f,
                         -std::numeric_limits<float>::infinity(),
                         std::numeric_limits<float>::infinity(),
                         std::numeric_limits<float>::quiet_NaN()};
  for (float v : below) {
    Inputs in;
    in.lam.channels[50] = v;
    EXPECT_NE(errors(in.check()).find("histogram 100 bin 50 "), std::string::npos) << v;
    Inputs sq;
    sq.sq.channels[30] = v;
    EXPECT_NE(errors(sq.check()).find("histogram 301 bin 30 "), std::string::npos) << v;
  }
}

TEST(InputRules, TheBadBinIsNamedWithItsOwnEdges) {
  Inputs first, last;
  first.lam.channels[1] = -1.0f;
  last.lam.channels[195] = -1.0f;
  EXPECT_NE(errors(first.check()).find("histogram 100 bin 1 (0.5 to 0.6) holds -1;"), std::string::npos)
      << errors(first.check());
  EXPECT_NE(errors(last.check()).find("histogram 100 bin 195 (19.9 to 20) holds -1;"), std::string::npos)
      << errors(last.check());
  Inputs two;  // the first of two bad bins
  two.sq.channels[7] = -2.0f;
  two.sq.channels[8] = -1.0f;
  EXPECT_NE(errors(two.check()).find("histogram 301 bin 7 (0.24 to 0.28) holds -2;"), std::string::npos)
      << errors(two.check());
}

TEST(InputRules, SqMustHaveNinetyBinsOfFourHundredthsFromZeroEachBoundAlone) {
  Inputs exact;
  exact.sq = sqBinned(90, 0.0f, 3.6f);
  EXPECT_EQ(errors(exact.check()), "");
  struct Binning {
    int nx;
    float xmin, xmax;
  };
  for (const Binning b : {Binning{89, 0.0f, 3.6f}, Binning{91, 0.0f, 3.6f}, Binning{90, 0.04f, 3.6f},
                          Binning{90, -0.04f, 3.6f}, Binning{90, 0.0f, 3.64f}, Binning{90, 0.0f, 3.56f},
                          Binning{90, 1e-7f, 3.6f}, Binning{90, 0.0f, std::nextafter(3.6f, 4.0f)}}) {
    Inputs in;
    in.sq = sqBinned(b.nx, b.xmin, b.xmax);
    EXPECT_NE(errors(in.check()).find("the momentum-transfer sampler needs 90 bins of 0.04 from 0"), std::string::npos)
        << b.nx << " bins " << b.xmin << ".." << b.xmax;
  }
}

TEST(InputRules, EveryBinCountsTowardsTheSumThatMustNotOverflow) {
  // Two bins at the largest float overflow the sum, wherever they are: the
  // first two, the last two.
  for (int bin : {1, 89}) {
    Inputs in;
    in.sq.channels[static_cast<std::size_t>(bin)] = FLT_MAX;
    in.sq.channels[static_cast<std::size_t>(bin) + 1] = FLT_MAX;
    EXPECT_NE(errors(in.check()).find("the contents of histogram 301 add up to more than"), std::string::npos) << bin;
  }
  Inputs lam;
  lam.lam.channels[194] = FLT_MAX;
  lam.lam.channels[195] = FLT_MAX;
  EXPECT_NE(errors(lam.check()).find("the contents of histogram 100 add up to more than"), std::string::npos);
  Inputs fits;  // one bin at the largest float and nothing else: the sum is finite
  std::fill(fits.lam.channels.begin(), fits.lam.channels.end(), 0.0f);
  fits.lam.channels[100] = FLT_MAX;
  EXPECT_EQ(errors(fits.check()), "");
}

TEST(InputRules, ASpectrumTheSamplerHasIntegratedIsNotSummedAgain) {
  // Entries -1: the contents are a running sum up to 1; the spectrum's own
  // sum and its positive content are not asked for.
  Inputs integrated;
  integrated.lam.entries = -1;
  std::fill(integrated.lam.channels.begin(), integrated.lam.channels.end(), FLT_MAX);
  EXPECT_EQ(errors(integrated.check()).find("add up to"), std::string::npos);
  Inputs counted = integrated;
  counted.lam.entries = 5;
  EXPECT_NE(errors(counted.check()).find("the contents of histogram 100 add up to more than"), std::string::npos);
}

TEST(InputRules, SomePositiveContentIsNeededAndOneBinIsEnough) {
  Inputs none, one;
  std::fill(none.lam.channels.begin(), none.lam.channels.end(), 0.0f);
  EXPECT_NE(errors(none.check()).find("histogram 100 has no positive content to draw wavelengths from"),
            std::string::npos);
  std::fill(one.lam.channels.begin(), one.lam.channels.end(), 0.0f);
  one.lam.channels[40] = FLT_MIN;
  EXPECT_EQ(errors(one.check()).find("no positive content"), std::string::npos) << errors(one.check());
  Inputs sqNone;
  std::fill(sqNone.sq.channels.begin(), sqNone.sq.channels.end(), 0.0f);
  EXPECT_NE(errors(sqNone.check()).find("histogram 301 has no positive content to draw momentum transfers from"),
            std::string::npos);
}

TEST(InputRules, AMissingFileIsNamedWhereItWasLookedFor) {
  tarn::InputStatus here;
  here.lam = hbook::FileStatus::Missing;
  here.sq = hbook::FileStatus::Missing;
  hbook::memory().clear();
  const tarn::InputReport a = checkInputs(here);
  EXPECT_EQ(errors(a),
            " lam.hbook: no such file in the working directory\n sq.hbook: no such file in the working directory\n");
  tarn::InputStatus there = here;
  there.inputDir = "/data/run7";
  EXPECT_EQ(errors(checkInputs(there)), " /data/run7/lam.hbook: no such file\n /data/run7/sq.hbook: no such file\n");
}

TEST(InputRules, BothGradientsAreNeededToSayNothing) {
  Inputs both, none;
  none.gradients = false;
  EXPECT_TRUE(both.check().notes.empty());
  const tarn::InputReport r = none.check();
  ASSERT_EQ(r.notes.size(), 1u);
  EXPECT_EQ(r.notes[0], " gradx.hbook: gradient histograms 151/152 not loaded (they are not used in this run)");
  EXPECT_EQ(errors(r), "");
}

TEST(InputRules, TheTransferCostLimitIsFiftyDrawsPerEvent) {
  tarn::TransferEstimate at, above, below;
  at.drawsPerEvent = 50.0;
  above.drawsPerEvent = std::nextafter(50.0, 100.0);
  below.drawsPerEvent = 49.0;
  EXPECT_TRUE(tarn::refuseCostlyTransfers(at).empty());
  EXPECT_TRUE(tarn::refuseCostlyTransfers(below).empty());
  const std::vector<std::string> refused = tarn::refuseCostlyTransfers(above);
  ASSERT_EQ(refused.size(), 2u);
  EXPECT_NE(refused[0].find("an event would need 50 draws of q on average (the shipped inputs need about 3; the limit "
                            "is 50)"),
            std::string::npos)
      << refused[0];
  EXPECT_EQ(refused[0].rfind(" sq.hbook, lam.hbook: momentum transfers are nearly impossible: ", 0), 0u) << refused[0];
  // No wavelength without any transfer: the second line says where S(q) lies.
  EXPECT_EQ(refused[1],
            " S(q) lies mostly where the helium dispersion allows no transfer for the wavelengths of the spectrum");
  tarn::TransferEstimate gap = above;
  gap.impossibleShare = 0.067;
  gap.impossibleFrom = 6.2;
  gap.impossibleTo = 6.83;
  EXPECT_EQ(tarn::refuseCostlyTransfers(gap)[1],
            " 6.7 % of the events (wavelengths 6.2 to 6.83 Angstrom) find S(q) only where the helium dispersion "
            "allows no transfer and would each spend 1e+06 draws in vain");
}

TEST(InputRules, SqIsSummedEvenWhenItSaysItIsIntegrated) {
  // The copies the sampler draws from are integrated afresh whatever the
  // entries of 301 say, so its sum must be finite in any case.
  Inputs in;
  in.sq.entries = -1;
  in.sq.channels[10] = FLT_MAX;
  in.sq.channels[11] = FLT_MAX;
  EXPECT_NE(errors(in.check()).find("the contents of histogram 301 add up to more than"), std::string::npos);
}

TEST(InputRules, EitherGradientMissingAloneIsNoted) {
  for (int missing : {151, 152}) {
    Inputs in;
    in.gradients = false;
    hbook::Store& memory = hbook::memory();
    memory.clear();
    memory.put(in.lam);
    memory.put(makeHistogram(missing == 151 ? 152 : 151, "g", 10, -3.0f, 3.0f, {}));
    memory.put(in.sq);
    const tarn::InputReport r = checkInputs(tarn::InputStatus());
    memory.clear();
    ASSERT_EQ(r.notes.size(), 1u) << missing;
    EXPECT_NE(r.notes[0].find("gradient histograms 151/152 not loaded"), std::string::npos);
  }
}

TEST(InputRules, EachWayAnInputCanFailHasItsOwnWords) {
  hbook::memory().clear();
  tarn::InputStatus status;
  status.lam = hbook::FileStatus::Bad;
  status.sq = hbook::FileStatus::NotFound;
  EXPECT_EQ(errors(checkInputs(status)), " lam.hbook: not a readable histogram file\n sq.hbook: holds no histogram 301\n");
  status.lam = hbook::FileStatus::NotFound;
  status.sq = hbook::FileStatus::Bad;
  EXPECT_EQ(errors(checkInputs(status)), " lam.hbook: holds no histogram 100\n sq.hbook: not a readable histogram file\n");
}

TEST(InputRules, NumbersInTheWordsKeepSixSignificantFigures) {
  // Edges, contents and binnings are printed as %g prints them: six
  // significant figures, so that values differing in the fourth are told
  // apart.
  Inputs content;
  content.lam.channels[3] = -1.23457f;
  EXPECT_NE(errors(content.check()).find("histogram 100 bin 3 (0.7 to 0.8) holds -1.23457;"), std::string::npos)
      << errors(content.check());
  Inputs edges;
  edges.lam = makeHistogram(100, "l", 3, 1.23456f, 4.56789f, {1.0f, -0.5f, 1.0f});
  EXPECT_NE(errors(edges.check()).find("histogram 100 bin 2 (2.34567 to 3.45678) holds -0.5;"), std::string::npos)
      << errors(edges.check());
  Inputs binning;
  binning.sq = sqBinned(90, 0.0f, 3.6036f);
  EXPECT_NE(errors(binning.check()).find("histogram 301 has 90 bins of 0.04004 from 0; the momentum-transfer"),
            std::string::npos)
      << errors(binning.check());
}

// The whole line of each refusal of a bin or a sum, with the sampler it is for.
TEST(InputRules, EachUnusableInputIsOneWholeLineNamingItsSampler) {
  Inputs lam;
  lam.lam.channels[1] = -1.0f;
  EXPECT_EQ(
      errors(lam.check()),
      " lam.hbook: histogram 100 bin 1 (0.5 to 0.6) holds -1; the wavelength sampler needs finite contents >= 0\n");
  Inputs sq;
  sq.sq.channels[7] = -2.0f;
  sq.inputDir = "/data/run7";
  EXPECT_EQ(errors(sq.check()),
            " /data/run7/sq.hbook: histogram 301 bin 7 (0.24 to 0.28) holds -2; the "
            "momentum-transfer sampler needs finite contents >= 0\n");
  Inputs sum;
  sum.sq.channels[1] = sum.sq.channels[2] = 3e38f;
  EXPECT_EQ(errors(sum.check()),
            " sq.hbook: the contents of histogram 301 add up to more than the largest single-precision number\n");
}
