// hbook::summarise against the package's own printout (HPRINT) of the same
// files: every figure of every histogram of golden-run, mixed, lam and sq,
// to the digits the package prints (Fortran E10.4).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "hbook/print/statistics.h"
#include "hbook/rz/reader.h"

namespace {

const std::string DATA_DIR = std::string(TARN_TEST_DATA) + "/hbook/";

// 0.dddd E+xx, as the printout writes a value.
std::string fortranE4(double v) {
  if (v == 0.0) return "0.0000E+00";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3E", std::fabs(v));  // d.dddE+xx
  const int exponent = std::stoi(buf + 6) + 1;
  const std::string digits = std::string(1, buf[0]) + std::string(buf + 2, 3);
  std::snprintf(buf, sizeof buf, "%s0.%sE%+03d", v < 0 ? "-" : "", digits.c_str(), exponent);
  return buf;
}

// Per "=== id N" section of NAME.hprint-stats.txt: the printed figures by
// label, or {"NO ENTRIES": ""}.
std::map<int, std::map<std::string, std::string>> printed(const std::string& name) {
  std::ifstream in(DATA_DIR + name + ".hprint-stats.txt");
  std::map<int, std::map<std::string, std::string>> out;
  const auto trim = [](const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first, s.find_last_not_of(' ') - first + 1);
  };
  int id = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("=== id ", 0) == 0) out[id = std::stoi(line.substr(7))];
    if (line.find("NO ENTRIES") != std::string::npos) out[id]["NO ENTRIES"] = "";
    // " * LABEL = value      * LABEL =value ..."
    for (std::size_t star = line.find(" * "); star != std::string::npos;) {
      const std::size_t next = line.find(" * ", star + 3);
      const std::string field = line.substr(star + 3, next == std::string::npos ? std::string::npos : next - star - 3);
      const std::size_t eq = field.find('=');
      if (eq != std::string::npos) out[id][trim(field.substr(0, eq))] = trim(field.substr(eq + 1));
      star = next;
    }
  }
  return out;
}

class PrintedStatistics : public ::testing::TestWithParam<std::string> {};

TEST_P(PrintedStatistics, EqualThePackagesPrintoutToItsDigits) {
  const hbook::ReadResult file = hbook::readFile(DATA_DIR + GetParam() + ".hbook");
  const auto expected = printed(GetParam());
  ASSERT_EQ(expected.size(), file.histograms.size());
  for (const hbook::Histogram& h : file.histograms) {
    SCOPED_TRACE("id " + std::to_string(h.id));
    const auto& p = expected.at(h.id);
    const hbook::Summary s = hbook::summarise(h);
    ASSERT_EQ(s.noEntries(), p.count("NO ENTRIES") == 1);
    if (s.noEntries()) continue;
    EXPECT_EQ(std::to_string(s.entries), p.at("ENTRIES"));
    EXPECT_EQ(fortranE4(s.inRange), p.at("ALL CHANNELS"));
    EXPECT_EQ(fortranE4(s.underflow), p.at("UNDERFLOW"));
    EXPECT_EQ(fortranE4(s.overflow), p.at("OVERFLOW"));
    EXPECT_EQ(fortranE4(s.binWidth), p.at("BIN WID"));
    EXPECT_EQ(fortranE4(s.mean), p.at("MEAN VALUE"));
    EXPECT_EQ(fortranE4(s.rms), p.at("R . M . S"));
  }
}

INSTANTIATE_TEST_SUITE_P(RealFiles, PrintedStatistics, ::testing::Values("golden-run", "mixed", "lam", "sq"),
                         [](const auto& info) { return info.param == "golden-run" ? "golden_run" : info.param; });

hbook::Histogram byId(const std::string& file, int id) {
  for (const hbook::Histogram& h : hbook::readFile(DATA_DIR + file).histograms)
    if (h.id == id) return h;
  throw std::runtime_error(file + ": no histogram " + std::to_string(id));
}

// golden-run's 100 is lam's spectrum after the sampler integrated it: its
// increments are the spectrum again, normalised, with lam's printed figures.
TEST(Increments, RecoverTheSampledSpectrum) {
  const hbook::Histogram spectrum = byId("lam.hbook", 100);
  const hbook::Histogram steps = hbook::increments(byId("golden-run.hbook", 100));
  const hbook::Summary s = hbook::summarise(steps);
  EXPECT_EQ(fortranE4(s.mean), "0.5505E+01");
  EXPECT_EQ(fortranE4(s.rms), "0.2461E+01");
  EXPECT_FALSE(s.cumulative());
  float total = 0.0f;
  for (int i = 1; i <= spectrum.nx; ++i) total += spectrum.content(i);
  for (int i = 1; i <= spectrum.nx; ++i) EXPECT_NEAR(steps.content(i), spectrum.content(i) / total, 2e-7) << i;
  EXPECT_EQ(hbook::increments(spectrum).channels, spectrum.channels);
}

}  // namespace
