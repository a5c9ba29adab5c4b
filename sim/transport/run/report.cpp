// The end-of-run summary: stage counts, the histogram file, the end time and
// the nine figures, on the console and in the run log.
#include "transport/run/report.h"

#include <malloc.h>

#include <cstdint>
#include <string>

#include "hbook/hbook.h"
#include "hbook/memory/store.h"
#include "hbook/rz/writestop.h"
#include "textout/console.h"
#include "textout/freeformat.h"
#include "transport/run/exitstatus.h"
#include "transport/run/figureerrors.h"
#include "transport/run/interrupt.h"
#include "transport/run/runfiles.h"
#include "transport/run/runlog.h"

namespace tarn {
namespace {

using textout::Line;

// Each fraction is divided in double from the exact counts and shown as a
// single-precision value; a zero denominator gives what IEEE division gives.
float fraction(std::int64_t numerator, double denominator) {
  return static_cast<float>(static_cast<double>(numerator) / denominator);
}

std::string padded(const std::string& s, std::size_t width) {
  std::string out = s;
  if (out.size() < width) out.resize(width, ' ');
  return out;
}

}  // namespace

const Figure FIGURE_TABLE[FIGURES] = {
    {"   Frac # of scatters tar1 ", "  Frac # of scatters tar1 ", &Counters::nScatTar1, &Counters::nTar1In, false},
    {"   Frac # of scatters tar2 ", " Frac # of scatters tar2 ", &Counters::nScatTar2, &Counters::nTar2In, false},
    {"   Fraction of cases where En < 1 meV", "  Fraction of cases where En < 1 meV", &Counters::nLowEnergy, nullptr,
     false},
    {"   Frac num of tar1 entering tar2 ", "  Frac num of tar1 entering tar2 ", &Counters::nTar1ToTar2,
     &Counters::nTar1In, false},
    {"   Number of scattered reaching det ", "  Number of scattered reaching det ", &Counters::nScatAtDet, nullptr,
     true},
    {"   Frac of scat of total reaching det ", "  Frac of scat of total reaching det ", &Counters::nScatAtDet, nullptr,
     false},
    {"   Frac of det hits that were scattered ", "   Frac of det hits that were scattered ", &Counters::nScatAtDet,
     &Counters::nDetIn, false},
    {"   Number of det hits with Ef.ne.Ei ", "  Number of det hits with Ef.ne.Ei ", &Counters::nDetEChanged, nullptr,
     true},
    {"   Frac of det hits that were scattered with Ef.ne.Ei ", "  Frac of det hits that were scattered with Ef.ne.Ei ",
     &Counters::nDetEChanged, &Counters::nDetIn, false},
};

float figureValue(const RunTotals& totals, int i) {
  const Figure& f = FIGURE_TABLE[i];
  const Counters& n = totals.counters;
  if (f.count) return static_cast<float>(n.*f.numerator);
  const double denominator = static_cast<double>(f.denominator ? n.*f.denominator : totals.nEvents);
  return fraction(n.*f.numerator, denominator);
}

std::vector<Line> countLines(const RunTotals& totals) {
  const Counters& n = totals.counters;
  return {
      Line().text("input ").integer(totals.nEvents),
      Line().text("tar1 in").integer(n.nTar1In),
      Line().text("tar2 in").integer(n.nTar2In),
      Line().text("det in").integer(n.nDetIn),
  };
}

std::vector<Line> figureLines(const RunTotals& totals, bool forLog) {
  std::vector<Line> lines;
  for (int i = 0; i < FIGURES; ++i) {
    const Figure& f = FIGURE_TABLE[i];
    Line line = Line().text(forLog ? f.logText : f.consoleText);
    if (f.count)
      line.integer(totals.counters.*f.numerator);
    else
      line.real(figureValue(totals, i));
    lines.push_back(line);
  }
  if (totals.nNoTransfer != 0)
    lines.push_back(Line().text("   Events ended without an allowed momentum transfer ").integer(totals.nNoTransfer));
  return lines;
}

Line exactCountsLine(const RunTotals& totals) {
  const Counters& n = totals.counters;
  const std::pair<const char*, std::int64_t> items[] = {
      {"nEvents", totals.nEvents},   {"nTar1In", n.nTar1In},       {"nScatTar1", n.nScatTar1},
      {"nTar2In", n.nTar2In},        {"nScatTar2", n.nScatTar2},   {"nLowEnergy", n.nLowEnergy},
      {"nTar1ToTar2", n.nTar1ToTar2}, {"nDetIn", n.nDetIn},        {"nScatAtDet", n.nScatAtDet},
      {"nDetEChanged", n.nDetEChanged}, {"nNoTransfer", totals.nNoTransfer},
  };
  std::string text = std::string(EXACT_COUNTS_LABEL).substr(1);
  for (const auto& [name, value] : items) text += " " + std::string(name) + " " + std::to_string(value);
  return Line().text(text);
}

namespace {

// HRPUT(0, path, "N"), or with --ntuple the histograms with the ntuple and
// the 2-D results, the failures reported as HRPUT reports them.
hbook::FileStatus putResults(const std::string& path, const DetectedRecord* detected) {
  if (!detected) return HRPUT(0, path, "N");
  try {
    return writeResultsWithDetected(path, *detected, false) ? hbook::FileStatus::Ok : hbook::FileStatus::Exists;
  } catch (const hbook::WriteStopped&) {
    return hbook::FileStatus::Interrupted;
  } catch (const hbook::FileError& e) {
    textout::console() << " ***** ERROR in HRPUT : " << e.what() << "\n";
    return hbook::FileStatus::WriteFailed;
  }
}

}  // namespace

int endOfRun(RunState& run, const ReportSetup& setup, const std::function<RunStamp()>& clock) {
  // The copies of S(q) kept for the event loop are no longer needed: their
  // memory goes back before the histogram file is made, to the system too
  // (freed, it would stay resident beside the file image and raise the
  // run's peak by about 150 kB).
  hbook::memory().dropKeptCopies();
  malloc_trim(0);
  RunLog& log = *run.log;
  const RunTotals totals{setup.nEvents, run.counters, run.nNoTransfer};
  int status = STATUS_DONE;

  const std::vector<Line> counts = countLines(totals);
  for (const Line& line : counts) textout::print(line);
  for (const Line& line : counts) log.write(line.str());
  if (setup.extendedReport) log.write(exactCountsLine(totals).str());

  // The histogram file is never overwritten: a name already taken (an
  // earlier run with the same seed) moves this run's file to a fresh name.
  const std::int32_t ranNo = setup.ranNo;
  const std::string wanted = histFileName(ranNo);
  std::string name = wanted;
  hbook::FileStatus written = hbook::FileStatus::Exists;
  for (int attempt = 0; attempt < 1000 && written == hbook::FileStatus::Exists; ++attempt) {
    name = histFileNameAt(ranNo, attempt);
    written = putResults(inDirectory(setup.outputDir, name), setup.detected);
  }
  if (written == hbook::FileStatus::Interrupted) {
    const int signal = pendingStopSignal();
    printAndLog(log, Line().text(" Interrupted by " + std::string(stopSignalName(signal)) +
                          " while writing the histogram file after the last event: no histogram file written"));
    return signalStatus(signal);
  }
  if (name != wanted && written == hbook::FileStatus::Ok)
    printAndLog(log, Line().text(" " + wanted + " exists; this run's histograms are in " + name));
  if (written != hbook::FileStatus::Ok) {
    printAndLog(log, Line().text(" the histogram file " + name + " could not be written"));
    status = STATUS_NO_HISTOGRAM_FILE;
  }
  printAndLog(log, Line().text(padded(name, 28)));
  if (setup.detected && written == hbook::FileStatus::Ok) printAndLog(log, Line().text(ntupleLine(*setup.detected)));

  const RunStamp end = clock();
  const Line endTime = Line().text("  End time: ").text(clockField(end.date)).text(clockField(end.time));
  textout::print(endTime);
  for (const Line& line : figureLines(totals, false)) textout::print(line);
  log.write(endTime.str());
  for (const Line& line : figureLines(totals, true)) log.write(line.str());
  if (setup.extendedReport)
    for (const Line& line : figureErrorLines(totals)) printAndLog(log, line);
  return status;
}

}  // namespace tarn
