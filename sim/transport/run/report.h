// The lines of the end-of-run report, shared by the run (report.cpp) and
// tarn-summary (summary/), which prints the report of several runs added
// together.
//
// The extended report (a run given any option, or run on several ranks)
// adds to the log, after the four stage counts, one line with every counter
// exactly (exactCountsLine): the printed fractions have seven digits, which
// determine the counts of a 100000-event run but not of a much larger one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "textout/freeformat.h"
#include "transport/event/counters.h"
#include "transport/event/runstate.h"
#include "transport/run/detected.h"
#include "transport/run/runoptions.h"
#include "transport/run/runstamp.h"

namespace tarn {

struct RunTotals {
  std::int64_t nEvents = 0;
  Counters counters;
  std::int64_t nNoTransfer = 0;
};

// The nine figures: a fraction numerator / denominator (the events when
// the denominator is null), shown as a single-precision value, or a count.
struct Figure {
  const char* consoleText;
  const char* logText;
  std::int64_t Counters::*numerator;
  std::int64_t Counters::*denominator;
  bool count;
};
constexpr int FIGURES = 9;
extern const Figure FIGURE_TABLE[FIGURES];

// The value figure i shows (the count itself for a count).
float figureValue(const RunTotals& totals, int i);

// "input", "tar1 in", "tar2 in", "det in".
std::vector<textout::Line> countLines(const RunTotals& totals);
// The nine figure lines in the console's or the log's wording, then the
// events ended without an allowed transfer when there were any.
std::vector<textout::Line> figureLines(const RunTotals& totals, bool forLog);
// " Exact counts: nEvents N nTar1In N ... nNoTransfer N".
textout::Line exactCountsLine(const RunTotals& totals);
constexpr const char* EXACT_COUNTS_LABEL = " Exact counts:";

// The end of a run (report.cpp): the stage counts, the histogram file, the
// end time and the nine figures on the console and in the log. Returns the
// exit status.
struct ReportSetup {
  std::int64_t nEvents = Nevents;
  std::int32_t ranNo = 0;
  std::string outputDir;        // where the histogram file goes ("": the working directory)
  bool extendedReport = false;  // the exact counts line in the log
  const DetectedRecord* detected = nullptr;  // --ntuple: written with the histograms
};
int endOfRun(RunState& state, const ReportSetup& setup, const std::function<RunStamp()>& clock);

}  // namespace tarn
