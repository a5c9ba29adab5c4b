// Whole-run regression: a run of the shipped inputs with a fixed clock
// reading must reproduce the stored console output, run log and histogram
// contents exactly. After an intended change of results, regenerate the
// references with
//   TARN_UPDATE_REFERENCE=1 build/tests/run_regression_test
// and review the diff of tests/data/run/ before committing it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/runs.h"

using namespace testsupport;

namespace {

constexpr int EVENTS = tarn::Nevents;
const tarn::RunStamp START = tarn::makeStamp(2026, 11, 2, 14, 37, 41, 503);

std::string hex(float v) {
  std::uint32_t bits;
  std::memcpy(&bits, &v, 4);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", bits);
  return buf;
}

// Every histogram: header line, then the non-zero channels with their bits.
std::string digest(const hbook::ReadResult& file) {
  std::string out;
  for (const auto& h : file.histograms) {
    out += "ID " + std::to_string(h.id) + " \"" + h.title + "\" NX " + std::to_string(h.nx) + " " + hex(h.xmin) +
           " " + hex(h.xmax) + " ENTRIES " + std::to_string(h.entries) + "\n";
    for (int c = 0; c <= h.nx + 1; ++c)
      if (h.channels[c] != 0.0f) out += "  " + std::to_string(c) + " " + hex(h.channels[c]) + "\n";
  }
  return out;
}

void compareOrUpdate(const std::string& name, const std::string& actual) {
  const ReferenceDifference d = compareOrUpdateReference(name, actual);
  if (d.differs) FAIL() << d.describe(name);
}

}  // namespace

TEST(RunRegression, ConsoleLogAndHistogramsMatchTheReference) {
  ScratchDir dir("regression");
  dir.copyShippedInputs();
  const RunResult r = runIn(dir.path(), EVENTS, START);
  ASSERT_EQ(r.status, 0) << r.console;
  compareOrUpdate("regression-console.txt", r.console);
  compareOrUpdate("regression-log.txt", r.log);
  const int ranNo = tarn::seedFromStamp(START);
  const auto file = hbook::readFile((dir.path() / tarn::histFileName(ranNo)).string());
  compareOrUpdate("regression-histograms.txt", digest(file));
}
