#include "transport/run/figureerrors.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tarn {
namespace {

// How a value and its error are written: fixed with `decimals`, or
// mantissas of 10^exponent.
struct Style {
  bool scientific = false;
  int exponent = 0;
  int decimals = 0;
};

// Values below this or from SCIENTIFIC_HIGH up share an exponent.
constexpr double SCIENTIFIC_LOW = 0.01;
constexpr double SCIENTIFIC_HIGH = 1e6;

// The decimal place of the second significant digit of `error` (> 0).
int decimalsFor(double error) { return std::max(0, 1 - static_cast<int>(std::floor(std::log10(error)))); }

Style styleFor(double magnitude, double error) {
  Style s;
  const double largest = std::max(std::fabs(magnitude), error);
  if (largest < SCIENTIFIC_LOW || largest >= SCIENTIFIC_HIGH) {
    s.scientific = true;
    s.exponent = static_cast<int>(std::floor(std::log10(largest)));
    error /= std::pow(10.0, s.exponent);
  }
  s.decimals = decimalsFor(error);
  return s;
}

std::string fixed(double v, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
  return buffer;
}

std::string exponent(int e) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "E%c%02d", e < 0 ? '-' : '+', std::abs(e));
  return buffer;
}

// Both numbers in one style, joined by `between`.
std::string pair(double a, double b, const Style& s, const char* between) {
  if (!s.scientific) return fixed(a, s.decimals) + between + fixed(b, s.decimals);
  const double scale = std::pow(10.0, s.exponent);
  return "(" + fixed(a / scale, s.decimals) + between + fixed(b / scale, s.decimals) + ")" + exponent(s.exponent);
}

std::string shortest(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.7g", v);
  return buffer;
}

std::string padded(const std::string& s, std::size_t width) {
  std::string out = s;
  if (out.size() < width) out.resize(width, ' ');
  return out;
}

std::string trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

const char* denominatorName(std::int64_t Counters::*denominator) {
  if (denominator == &Counters::nTar1In) return "tar1 in";
  if (denominator == &Counters::nTar2In) return "tar2 in";
  if (denominator == &Counters::nDetIn) return "det in";
  return "events";
}

}  // namespace

BinomialEstimate binomialEstimate(std::int64_t k, std::int64_t n) {
  BinomialEstimate b;
  b.k = k;
  b.n = n;
  if (n <= 0) {
    b.value = b.error = b.low = b.high = std::numeric_limits<double>::quiet_NaN();
    return b;
  }
  const double kd = static_cast<double>(k);
  const double nd = static_cast<double>(n);
  b.value = kd / nd;
  b.error = std::sqrt(b.value * (1.0 - b.value) / nd);
  b.small = k < SMALL_COUNT || n - k < SMALL_COUNT;
  const double z2 = INTERVAL_Z * INTERVAL_Z;
  const double centre = (kd + z2 / 2) / (nd + z2);
  const double half = INTERVAL_Z / (nd + z2) * std::sqrt(kd * (nd - kd) / nd + z2 / 4);
  b.low = std::max(0.0, centre - half);
  b.high = std::min(1.0, centre + half);
  return b;
}

std::string withError(double value, double error) {
  if (!std::isfinite(value)) return "undefined";
  if (!(error > 0)) return shortest(value) + " +- 0";
  return pair(value, error, styleFor(value, error), " +- ");
}

std::string interval(double low, double high, double error) {
  const double scale = error > 0 ? error : (high - low) / 2;
  if (!(scale > 0)) return shortest(low) + " to " + shortest(high);
  return pair(low, high, styleFor(high, scale), " to ");
}

FigureEstimate figureEstimate(const RunTotals& totals, int i) {
  const Figure& f = FIGURE_TABLE[i];
  const Counters& c = totals.counters;
  FigureEstimate e;
  e.label = trimmed(f.consoleText);
  e.count = f.count;
  std::int64_t Counters::*denominator = f.count ? nullptr : f.denominator;
  e.denominator = denominatorName(denominator);
  const std::int64_t n = denominator ? c.*denominator : totals.nEvents;
  e.estimate = binomialEstimate(c.*f.numerator, n);
  const double scale = e.count ? static_cast<double>(n) : 1.0;
  e.value = e.estimate.value * scale;
  e.error = e.estimate.error * scale;
  e.low = e.estimate.low * scale;
  e.high = e.estimate.high * scale;
  if (n <= 0) {
    e.text = "undefined";
    e.detail = "no " + e.denominator;
    return e;
  }
  e.text = withError(e.value, e.error);
  e.detail = std::to_string(e.estimate.k) + (e.count ? " of " : " / ") + std::to_string(n) + " " + e.denominator;
  if (e.estimate.small) e.detail += ", interval " + interval(e.low, e.high, e.error);
  return e;
}

std::vector<textout::Line> figureErrorLines(const RunTotals& totals) {
  std::vector<textout::Line> lines = {textout::Line().text(std::string(FIGURE_ERRORS_HEADING).substr(1))};
  for (int i = 0; i < FIGURES; ++i) {
    const FigureEstimate e = figureEstimate(totals, i);
    lines.push_back(textout::Line().text("   " + padded(e.label, 52) + padded(e.text, 24) + e.detail));
  }
  return lines;
}

}  // namespace tarn
