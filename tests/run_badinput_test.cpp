// Inputs the run cannot use are refused before the first event: a message
// naming the file, the histogram and the first bad bin on the console and in
// the log, exit status 3, no histogram file.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/runs.h"

using namespace testsupport;

namespace {

const tarn::RunStamp START = tarn::makeStamp(2026, 3, 7, 9, 5, 16, 345);

std::vector<float> shippedContents(const char* file, int id) {
  for (const hbook::Histogram& h : hbook::readFile((fs::path(TARN_DATA_DIR) / file).string()).histograms)
    if (h.id == id) return std::vector<float>(h.channels.begin() + 1, h.channels.end() - 1);
  ADD_FAILURE() << "no histogram " << id << " in " << file;
  return {};
}

// A run on the shipped inputs with one bin of the spectrum (100) or S(q)
// (301) replaced.
RunResult runWithBin(const ScratchDir& dir, int id, int bin, float value) {
  dir.copyShippedInputs();
  if (id == 100) {
    std::vector<float> c = shippedContents("lam.hbook", 100);
    c[bin - 1] = value;
    writeHistograms(dir.path() / "lam.hbook", {makeHistogram(100, "spectrum", 195, 0.5f, 20.0f, c)});
  } else {
    std::vector<float> c = shippedContents("sq.hbook", 301);
    c[bin - 1] = value;
    writeHistograms(dir.path() / "sq.hbook", {makeHistogram(301, "S(q)", 90, 0.0f, 3.6f, c)});
  }
  return runIn(dir.path(), 100, START);
}

void expectRefused(const ScratchDir& dir, const RunResult& r, const std::string& message) {
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.console.find(message), std::string::npos) << r.console;
  EXPECT_NE(r.log.find(message), std::string::npos) << r.log;
  EXPECT_NE(r.log.find("The run stops before the first event."), std::string::npos);
  // Nothing was drawn: no sampler complaint, no generator started, no file.
  EXPECT_EQ(r.console.find("HRNDM1"), std::string::npos) << r.console;
  EXPECT_EQ(r.console.find("RANLUX"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir.path() / "h27961.hbook"));
}

}  // namespace

TEST(RunBadContents, NotANumberInTheSpectrumIsRefusedNamingTheBin) {
  ScratchDir dir("nan-100");
  const RunResult r = runWithBin(dir, 100, 37, std::numeric_limits<float>::quiet_NaN());
  expectRefused(dir, r, " lam.hbook: histogram 100 bin 37 (4.1 to 4.2) holds nan; the wavelength sampler needs");
}

TEST(RunBadContents, NegativeSpectrumBinIsRefused) {
  ScratchDir dir("neg-100");
  const RunResult r = runWithBin(dir, 100, 120, -0.25f);
  expectRefused(dir, r, " lam.hbook: histogram 100 bin 120 (12.4 to 12.5) holds -0.25;");
}

TEST(RunBadContents, InfiniteOrNegativeStructureFactorIsRefused) {
  ScratchDir a("inf-301"), b("neg-301");
  expectRefused(a, runWithBin(a, 301, 12, std::numeric_limits<float>::infinity()),
                " sq.hbook: histogram 301 bin 12 (0.44 to 0.48) holds inf; the momentum-transfer sampler needs "
                "finite contents >= 0");
  expectRefused(b, runWithBin(b, 301, 90, -1e-3f), " sq.hbook: histogram 301 bin 90 (3.56 to 3.6) holds -0.001;");
}

TEST(RunBadContents, ContentsWhoseSumOverflowsAreRefused) {
  ScratchDir dir("sum-301");
  dir.copyShippedInputs();
  writeHistograms(dir.path() / "sq.hbook",
                  {makeHistogram(301, "S(q)", 90, 0.0f, 3.6f, std::vector<float>(90, 3e37f))});
  const RunResult r = runIn(dir.path(), 100, START);
  expectRefused(dir, r, " sq.hbook: the contents of histogram 301 add up to more than the largest single-precision number");
}
