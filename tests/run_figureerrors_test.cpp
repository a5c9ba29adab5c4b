// The figures with their errors: the binomial error and the Wilson interval
// worked out by hand and checked for their coverage, the written form of a
// value with its error, and the lines of the extended report and of
// tarn-summary, from the exact counts.
#include <gtest/gtest.h>

#include <cmath>

#include "transport/run/figureerrors.h"
#include "transport/run/report.h"

namespace {

// The binomial probability of k of n at p, through logarithms.
double binomialProbability(std::int64_t k, std::int64_t n, double p) {
  const double logC = std::lgamma(n + 1.0) - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0);
  return std::exp(logC + k * std::log(p) + (n - k) * std::log1p(-p));
}

}  // namespace

TEST(FigureErrors, BinomialErrorAndWilsonIntervalByHand) {
  // 13 of 100000: p = 1.3e-4, error sqrt(p (1 - p) / n) = 3.6054e-5; Wilson
  // at z = 1: centre 13.5 / 100001, half width sqrt(13 x 99987 / 100000 + 1/4) / 100001.
  const tarn::BinomialEstimate b = tarn::binomialEstimate(13, 100000);
  EXPECT_DOUBLE_EQ(b.value, 1.3e-4);
  EXPECT_NEAR(b.error, 3.60540e-5, 1e-9);
  EXPECT_TRUE(b.small);
  const double half = std::sqrt(13.0 * 99987.0 / 100000.0 + 0.25) / 100001.0;
  EXPECT_NEAR(b.low, 13.5 / 100001.0 - half, 1e-15);
  EXPECT_NEAR(b.high, 13.5 / 100001.0 + half, 1e-15);
  EXPECT_NEAR(b.low, 9.8601e-5, 1e-9);
  EXPECT_NEAR(b.high, 1.71396e-4, 1e-9);
  // None: the interval still has a width; all: it ends at 1; neither small.
  const tarn::BinomialEstimate none = tarn::binomialEstimate(0, 1000);
  EXPECT_EQ(none.error, 0.0);
  EXPECT_EQ(none.low, 0.0);
  EXPECT_NEAR(none.high, 1.0 / 1001.0, 1e-12);
  EXPECT_EQ(tarn::binomialEstimate(1000, 1000).high, 1.0);
  EXPECT_TRUE(tarn::binomialEstimate(980, 1000).small);  // 20 failures
  EXPECT_FALSE(tarn::binomialEstimate(30, 1000).small);  // the bound
  EXPECT_TRUE(tarn::binomialEstimate(29, 1000).small);
  EXPECT_TRUE(std::isnan(tarn::binomialEstimate(0, 0).value));
}

TEST(FigureErrors, TheWilsonIntervalCoversAboutTwoThirds) {
  // Exact coverage: the probability of the counts whose interval holds the
  // true p. Discreteness makes it wander; 68.3% +- 8% for means of 3 to 100.
  for (const double mean : {3.0, 13.0, 30.0, 100.0}) {
    const std::int64_t n = 100000;
    const double p = mean / n;
    double covered = 0;
    for (std::int64_t k = 0; k < 400; ++k) {
      const tarn::BinomialEstimate b = tarn::binomialEstimate(k, n);
      if (b.low <= p && p <= b.high) covered += binomialProbability(k, n, p);
    }
    EXPECT_NEAR(covered, 0.683, 0.08) << "mean " << mean;
  }
}

TEST(FigureErrors, ValueWithItsErrorToTwoSignificantDigits) {
  EXPECT_EQ(tarn::withError(0.39981, 0.00214), "0.3998 +- 0.0021");
  EXPECT_EQ(tarn::withError(13, 3.6054), "13.0 +- 3.6");
  EXPECT_EQ(tarn::withError(1300, 36.04), "1300 +- 36");
  EXPECT_EQ(tarn::withError(1.3e-4, 3.6054e-5), "(1.30 +- 0.36)E-04");
  EXPECT_EQ(tarn::withError(2.5e7, 5000), "(2.50000 +- 0.00050)E+07");
  EXPECT_EQ(tarn::withError(0, 0), "0 +- 0");
  EXPECT_EQ(tarn::withError(std::nan(""), 0), "undefined");
  EXPECT_EQ(tarn::interval(9.86e-5, 1.714e-4, 3.6e-5), "(0.99 to 1.71)E-04");
  EXPECT_EQ(tarn::interval(0, 1.0 / 1001, 0), "(0.0 to 10.0)E-04");
  EXPECT_EQ(tarn::interval(0, 4.2e-5, 0), "(0.0 to 4.2)E-05");
}

TEST(FigureErrors, LinesFromTheExactCounts) {
  tarn::RunTotals t;
  t.nEvents = 100000;
  t.counters.nTar1In = 23560;
  t.counters.nScatTar1 = 5976;
  t.counters.nTar2In = 0;
  t.counters.nDetIn = 10060;
  t.counters.nScatAtDet = 13;
  t.counters.nDetEChanged = 13;
  const std::vector<textout::Line> lines = tarn::figureErrorLines(t);
  ASSERT_EQ(lines.size(), 1u + tarn::FIGURES);
  EXPECT_EQ(lines[0].str(), tarn::FIGURE_ERRORS_HEADING);
  EXPECT_EQ(lines[1].str(),
            "    Frac # of scatters tar1                             0.2537 +- 0.0028        "
            "5976 / 23560 tar1 in");
  EXPECT_NE(lines[2].str().find("undefined               no tar2 in"), std::string::npos) << lines[2].str();
  EXPECT_NE(lines[5].str().find("13.0 +- 3.6             13 of 100000 events, interval "), std::string::npos)
      << lines[5].str();
  EXPECT_NE(lines[7].str().find("13 / 10060 det in, interval"), std::string::npos) << lines[7].str();
  // The figure is the one the report prints, as k / n of the same counters.
  for (int i = 0; i < tarn::FIGURES; ++i) {
    const tarn::FigureEstimate e = tarn::figureEstimate(t, i);
    if (e.estimate.n == 0) continue;
    EXPECT_FLOAT_EQ(static_cast<float>(e.value), tarn::figureValue(t, i)) << i;
  }
}
