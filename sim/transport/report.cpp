// The end-of-run summary: stage counts, the histogram file, the end time and
// the nine figures, on the console and in the run log.
#include <cstdint>
#include <filesystem>
#include <string>

#include "freeformat.h"
#include "hbook.h"
#include "interrupt.h"
#include "run.h"
#include "store.h"

namespace tarn {
namespace {

using textout::Line;

// Each fraction is divided in double from the exact counts and shown as a
// single-precision value; a zero denominator gives what IEEE division gives.
float fraction(std::int32_t numerator, double denominator) {
  return static_cast<float>(static_cast<double>(numerator) / denominator);
}

std::string padded(const std::string& s, std::size_t width) {
  std::string out = s;
  if (out.size() < width) out.resize(width, ' ');
  return out;
}

std::string field12(const std::string& s) { return padded(s.substr(0, 12), 12); }

// A name under which no file exists yet: h<ranNo>.hbook, else
// h<ranNo>-1.hbook, h<ranNo>-2.hbook, ...
std::string freshName(const std::string& base, std::int32_t ranNo, int attempt) {
  if (attempt == 0) return base;
  return "h" + std::to_string(ranNo) + "-" + std::to_string(attempt) + ".hbook";
}

}  // namespace

std::string histFileName(std::int32_t ranNo) { return "h" + std::to_string(ranNo) + ".hbook"; }

int endOfRun(RunState& run, std::int32_t ranNo, const std::function<RunStamp()>& clock) {
  // The copies of S(q) kept for the event loop are no longer needed: their
  // memory goes back before the histogram file is made.
  hbook::memory().dropKeptCopies();
  const Counters& n = run.counters;
  RunLog& log = *run.log;
  int status = 0;

  const Line counts[] = {
      Line().text("input ").integer(Nevents),
      Line().text("tar1 in").integer(n.nTar1In),
      Line().text("tar2 in").integer(n.nTar2In),
      Line().text("det in").integer(n.nDetIn),
  };
  for (const Line& line : counts) textout::print(line);
  for (const Line& line : counts) log.write(line.str());

  // The histogram file is never overwritten: a name already taken (an
  // earlier run with the same seed) moves this run's file to a fresh name.
  const std::string wanted = histFileName(ranNo);
  std::string name = wanted;
  hbook::FileStatus written = hbook::FileStatus::Exists;
  for (int attempt = 0; attempt < 1000 && written == hbook::FileStatus::Exists; ++attempt) {
    name = freshName(wanted, ranNo, attempt);
    written = HRPUT(0, name, "N");
  }
  if (written == hbook::FileStatus::Interrupted) {
    const int signal = pendingStopSignal();
    const Line stopped = Line().text(" Interrupted by " + std::string(stopSignalName(signal)) +
                                     " while writing the histogram file after the last event: no histogram file written");
    textout::print(stopped);
    log.write(stopped.str());
    return signalStatus(signal);
  }
  if (name != wanted && written == hbook::FileStatus::Ok) {
    const Line moved = Line().text(" " + wanted + " exists; this run's histograms are in " + name);
    textout::print(moved);
    log.write(moved.str());
  }
  if (written != hbook::FileStatus::Ok) {
    const Line failed = Line().text(" the histogram file " + name + " could not be written");
    textout::print(failed);
    log.write(failed.str());
    status = 4;
  }
  const Line fileLine = Line().text(padded(name, 28));
  textout::print(fileLine);
  log.write(fileLine.str());

  const RunStamp end = clock();
  const Line endTime = Line().text("  End time: ").text(field12(end.date)).text(field12(end.time));

  const float figures[9] = {
      fraction(n.nScatTar1, n.nTar1In),         fraction(n.nScatTar2, n.nTar2In),
      fraction(n.nLowEnergy, 100000.0),         fraction(n.nTar1ToTar2, n.nTar1In),
      0.0f,                                     fraction(n.nScatAtDet, 100000.0),
      fraction(n.nScatAtDet, n.nDetIn),         0.0f,
      fraction(n.nDetEChanged, n.nDetIn),
  };
  const char* consoleText[9] = {
      "   Frac # of scatters tar1 ",
      "   Frac # of scatters tar2 ",
      "   Fraction of cases where En < 1 meV",
      "   Frac num of tar1 entering tar2 ",
      "   Number of scattered reaching det ",
      "   Frac of scat of total reaching det ",
      "   Frac of det hits that were scattered ",
      "   Number of det hits with Ef.ne.Ei ",
      "   Frac of det hits that were scattered with Ef.ne.Ei ",
  };
  const char* logText[9] = {
      "  Frac # of scatters tar1 ",
      " Frac # of scatters tar2 ",
      "  Fraction of cases where En < 1 meV",
      "  Frac num of tar1 entering tar2 ",
      "  Number of scattered reaching det ",
      "  Frac of scat of total reaching det ",
      "   Frac of det hits that were scattered ",
      "  Number of det hits with Ef.ne.Ei ",
      "  Frac of det hits that were scattered with Ef.ne.Ei ",
  };
  auto figureLine = [&](const char* text, int i) {
    Line line = Line().text(text);
    if (i == 4) return line.integer(n.nScatAtDet);
    if (i == 7) return line.integer(n.nDetEChanged);
    return line.real(figures[i]);
  };
  const Line noTransfer =
      Line().text("   Events ended without an allowed momentum transfer ").integer(run.nNoTransfer);

  textout::print(endTime);
  for (int i = 0; i < 9; ++i) textout::print(figureLine(consoleText[i], i));
  if (run.nNoTransfer != 0) textout::print(noTransfer);
  log.write(endTime.str());
  for (int i = 0; i < 9; ++i) log.write(figureLine(logText[i], i).str());
  if (run.nNoTransfer != 0) log.write(noTransfer.str());
  return status;
}

}  // namespace tarn
