// The nine figures with their errors, from the exact counts: each figure is
// k successes of n trials (a fraction k / n, or the count k of the n events),
// given with its binomial standard error and, where k or n - k is small, the
// 68.27% Wilson score interval, which stays inside [0, 1] and says more than
// a symmetric error about 13 neutrons of 100000.
//
// Shown by tarn-summary, by the extended report of a run with options (after
// the nine figures, on the console and in the log) and, through
// tarn-summary --json, by the report page. The run without arguments never
// prints them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "textout/freeformat.h"
#include "transport/run/report.h"

namespace tarn {

// Below this many successes or failures the interval is shown as well.
constexpr std::int64_t SMALL_COUNT = 30;
// The interval's coverage: one standard deviation of a normal distribution.
constexpr double INTERVAL_Z = 1.0;
constexpr const char* INTERVAL_KIND = "68.3% Wilson score interval";

struct BinomialEstimate {
  std::int64_t k = 0;
  std::int64_t n = 0;
  double value = 0;    // k / n (NaN when n is 0)
  double error = 0;    // sqrt(value (1 - value) / n)
  bool small = false;  // k or n - k below SMALL_COUNT: the interval is worth showing
  double low = 0;      // the Wilson score interval at INTERVAL_Z
  double high = 0;
};

// k of n; n = 0 gives NaN for every number.
BinomialEstimate binomialEstimate(std::int64_t k, std::int64_t n);

// A value with its error, the error to two significant digits and the value
// to the same decimal place: "0.3998 +- 0.0021", "13.0 +- 3.6",
// "(1.30 +- 0.36)E-04" (values below 0.01 or from 10^6 up share one exponent).
// `interval` the same way for a low and high limit: "8.5 to 19.4",
// "(0.85 to 2.00)E-04", formatted to the decimal place of `error`.
std::string withError(double value, double error);
std::string interval(double low, double high, double error);

// Figure i of FIGURE_TABLE as k of n: its numerator and its denominator (the
// events for a count and for a fraction of the events), and the name of the
// denominator ("tar1 in", "tar2 in", "det in", "events").
struct FigureEstimate {
  std::string label;        // the figure's words, without the leading and trailing blanks
  std::string denominator;  // what n counts
  bool count = false;       // a count of the events rather than a fraction
  BinomialEstimate estimate;
  double value = 0;  // the figure: k / n, or k for a count
  double error = 0;  // its error: for a count n times that of k / n
  double low = 0, high = 0;
  std::string text;    // value +- error
  std::string detail;  // "= 21303 / 53286 tar1 in", with the interval where small
};
FigureEstimate figureEstimate(const RunTotals& totals, int i);

// The heading and the nine lines of the figures with their errors.
std::vector<textout::Line> figureErrorLines(const RunTotals& totals);
constexpr const char* FIGURE_ERRORS_HEADING =
    " Figures with their binomial errors from the exact counts (and a 68.3% Wilson score interval where a count is "
    "below 30):";

}  // namespace tarn
