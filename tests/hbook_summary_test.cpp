// The statistics of hbook::summarise against the package's own printout
// (HPRINT) of the same files: every histogram of golden-run, mixed, lam and
// sq, every figure to the digits the package prints.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <stdexcept>
#include <string>

#include "rzfile.h"
#include "summary.h"

namespace {

const std::string kData = std::string(TARN_TEST_DATA) + "/hbook/";

// Fortran E10.4 as the printout writes it: 0.dddd E+xx.
std::string fortranE4(double v) {
  if (v == 0.0) return "0.0000E+00";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3E", std::fabs(v));  // d.dddE+xx
  const std::string s = buf;
  const int exponent = std::stoi(s.substr(6)) + 1;
  std::snprintf(buf, sizeof buf, "%s0.%c%s%s%c%02d", v < 0 ? "-" : "", s[0], s.substr(2, 3).c_str(), "E",
                exponent < 0 ? '-' : '+', std::abs(exponent));
  return buf;
}

// "=== id N" sections of NAME.hprint-stats.txt: the printed figures by label,
// or {"NO ENTRIES": ""} for a histogram the package reports as empty.
std::map<int, std::map<std::string, std::string>> printedStatistics(const std::string& name) {
  std::ifstream in(kData + name + ".hprint-stats.txt");
  std::map<int, std::map<std::string, std::string>> out;
  const std::regex field(R"(\* ([A-Z .]+?) *= *(-?[0-9.E+-]+))");
  int id = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("=== id ", 0) == 0) {
      id = std::stoi(line.substr(7));
      out[id];
    } else if (line.find("NO ENTRIES") != std::string::npos) {
      out[id]["NO ENTRIES"] = "";
    } else {
      for (std::sregex_iterator m(line.begin(), line.end(), field), end; m != end; ++m) out[id][(*m)[1]] = (*m)[2];
    }
  }
  return out;
}

class PrintedStatistics : public ::testing::TestWithParam<std::string> {};

TEST_P(PrintedStatistics, EqualThePackagesPrintoutToItsDigits) {
  const std::string name = GetParam();
  const hbook::ReadResult file = hbook::readFile(kData + name + ".hbook");
  const auto printed = printedStatistics(name);
  ASSERT_EQ(printed.size(), file.histograms.size());
  int compared = 0;
  for (const hbook::Histogram& h : file.histograms) {
    SCOPED_TRACE(name + " id " + std::to_string(h.id));
    ASSERT_EQ(printed.count(h.id), 1u);
    const auto& p = printed.at(h.id);
    const hbook::Summary s = hbook::summarise(h);
    if (p.count("NO ENTRIES")) {
      EXPECT_TRUE(s.noEntries());
      continue;
    }
    EXPECT_FALSE(s.noEntries());
    EXPECT_EQ(std::to_string(s.entries), p.at("ENTRIES"));
    EXPECT_EQ(s.cumulative(), s.entries == -1);
    EXPECT_EQ(fortranE4(s.inRange), p.at("ALL CHANNELS"));
    EXPECT_EQ(fortranE4(s.underflow), p.at("UNDERFLOW"));
    EXPECT_EQ(fortranE4(s.overflow), p.at("OVERFLOW"));
    EXPECT_EQ(fortranE4(s.binWidth), p.at("BIN WID"));
    EXPECT_EQ(fortranE4(s.mean), p.at("MEAN VALUE"));
    EXPECT_EQ(fortranE4(s.rms), p.at("R . M . S"));
    ++compared;
  }
  EXPECT_GT(compared, 0);
}

INSTANTIATE_TEST_SUITE_P(RealFiles, PrintedStatistics, ::testing::Values("golden-run", "mixed", "lam", "sq"),
                         [](const auto& info) { return info.param == "golden-run" ? "golden_run" : info.param; });

TEST(FortranFormat, LikeThePrintout) {
  EXPECT_EQ(fortranE4(388000.0), "0.3880E+06");
  EXPECT_EQ(fortranE4(-116.43), "-0.1164E+03");
  EXPECT_EQ(fortranE4(7.32449e-5), "0.7324E-04");
  EXPECT_EQ(fortranE4(0.99996), "0.1000E+01");
}

hbook::Histogram byId(const std::string& file, int id) {
  for (const hbook::Histogram& h : hbook::readFile(kData + file).histograms)
    if (h.id == id) return h;
  throw std::runtime_error(file + ": no histogram " + std::to_string(id));
}

// golden-run's 100 is lam's spectrum after the sampler integrated it: its
// increments are the spectrum again, normalised, with lam's mean and RMS.
TEST(Increments, RecoverTheSampledSpectrum) {
  const hbook::Histogram cumulative = byId("golden-run.hbook", 100);
  const hbook::Histogram spectrum = byId("lam.hbook", 100);
  ASSERT_EQ(cumulative.entries, -1);
  const hbook::Histogram d = hbook::increments(cumulative);
  const hbook::Summary s = hbook::summarise(d);
  const hbook::Summary original = hbook::summarise(spectrum);
  EXPECT_EQ(fortranE4(s.mean), fortranE4(original.mean));
  EXPECT_EQ(fortranE4(s.rms), fortranE4(original.rms));
  EXPECT_NEAR(s.inRange, 1.0, 1e-6);
  float total = 0.0f;
  for (int i = 1; i <= spectrum.nx; ++i) total += spectrum.content(i);
  for (int i = 1; i <= spectrum.nx; ++i) EXPECT_NEAR(d.content(i), spectrum.content(i) / total, 2e-7) << i;
  EXPECT_EQ(d.underflow(), 0.0f);
  EXPECT_EQ(d.overflow(), 0.0f);
}

TEST(Increments, LeaveOtherHistogramsAlone) {
  const hbook::Histogram h = byId("lam.hbook", 100);
  const hbook::Histogram d = hbook::increments(h);
  EXPECT_EQ(d.channels, h.channels);
  EXPECT_EQ(d.entries, h.entries);
}

}  // namespace
