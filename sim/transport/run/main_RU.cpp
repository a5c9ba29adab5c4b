// MAIN_RU: one complete, unattended simulation run.
//
// Reads the clock, names the run log and derives the seed from the start
// time, loads the input histograms, seeds RANLUX, books the result
// histograms, runs the event loop and hands over to the end-of-run report.
// With options (runoptions.h) the number of events, the seed and the
// directories may differ; on several ranks (ranks.h) each rank runs its
// share of the events and rank 0 adds up the results and reports.
//
// The exit statuses are those of exitstatus.h.
#include "transport/run/main_RU.h"

#include <iostream>
#include <string>

#include "hbook/hbook.h"
#include "ranlux/ranlux.h"
#include "textout/console.h"
#include "textout/freeformat.h"
#include "transport/description/summary.h"
#include "transport/event/catalogue.h"
#include "transport/event/eventloop.h"
#include "transport/run/exitstatus.h"
#include "transport/run/freshstart.h"
#include "transport/run/inputcheck.h"
#include "transport/run/interrupt.h"
#include "transport/run/parallel/keptconsole.h"
#include "transport/run/parallel/ranks.h"
#include "transport/run/progress.h"
#include "transport/run/report.h"
#include "transport/run/resultsums.h"
#include "transport/run/runfiles.h"
#include "transport/run/runlog.h"
#include "transport/run/runstamp.h"
#include "transport/run/sampler.h"

namespace tarn {
namespace {

using textout::Line;

// The start banner, which says where the helium is: one leading and one
// trailing blank (" tarn - Upstream target on right, x>0.  Dn on left ").
std::string banner(const TargetCells& cells) {
  const bool upRight = cells.upstreamHelium == Half::Right;
  return std::string(" tarn - Upstream target on ") + (upRight ? "right, x>0." : "left, x<0.") + "  Dn on " +
         (cells.downstreamHelium == Half::Right ? "right " : "left ");
}

void interrupted(RunLog& log, int signal, const std::string& where) {
  printAndLog(log, Line().text(" Interrupted by " + std::string(stopSignalName(signal)) + " " + where));
}

// Lines an extended report adds to the start: the sampler's source and,
// on several ranks, how they are seeded.
void extendedStartLines(RunLog& log, SamplerSource source, int ranks) {
  if (ranks > 1)
    printAndLog(log, Line()
                  .text("Ranks ")
                  .integer(ranks)
                  .text("   RANLUX seed of rank r: ranNo + " + std::to_string(RANK_SEED_STRIDE) + " r"));
  printAndLog(log, Line().text("Sampler: " + samplerText(source)));
}

InputReport loadInputs(const std::string& inputDir, const description::Description& beamline) {
  HLIMIT(1000000);
  InputStatus inputs;
  inputs.inputDir = inputDir;
  inputs.lam = HRGET(hid::SPECTRUM, inputs.path("lam.hbook"), "");
  inputs.gradx151 = HRGET(hid::X_GRADIENT_1, inputs.path("gradx.hbook"), "");
  inputs.gradx152 = HRGET(hid::X_GRADIENT_2, inputs.path("gradx.hbook"), "");
  inputs.sq = HRGET(hid::SQ, inputs.path("sq.hbook"), "");
  return checkInputs(inputs, beamline);
}

}  // namespace

int runTarn(const RunOptions& options) {
  startFresh();

  SingleProcess single;
  RankGroup& ranks = options.ranks ? *options.ranks : single;
  const bool root = ranks.rank() == 0;
  KeptConsole keptConsole(!root);
  const bool extended = options.extendedReport || ranks.size() > 1;

  // Rank 0 reads the clock, makes the log and settles the seed for all.
  const RunStamp start = options.clock();
  const std::string logName = logFileName(start);
  RunLog log;
  std::int64_t shared[2] = {0, 0};  // exit status so far, ranNo
  if (root) {
    shared[0] = openRunLog(log, options.outputDir, inDirectory(options.outputDir, logName));
    shared[1] = options.seed >= 0 ? options.seed : seedFromStamp(start);
  }
  ranks.broadcast(shared, 2);
  if (shared[0] != STATUS_DONE) return static_cast<int>(shared[0]);
  const std::int32_t ranNo = static_cast<std::int32_t>(shared[1]);

  textout::setAbortCleanup([&log] { log.close(); });
  const StopSignals stopSignals;
  auto finish = [&](int status) {
    textout::setAbortCleanup(nullptr);
    return root ? closeRun(log, logName, status) : status;
  };

  const Line nevents = Line().text("  Nevents: ").integer(options.nEvents);
  const Line startTime = Line().text("  Start time: ").text(clockField(start.date)).text(clockField(start.time));
  textout::print(nevents);
  textout::print(startTime);
  log.write(nevents.str());
  log.write(startTime.str());
  printAndLog(log, Line().text(banner(options.beamline.values.cells)));
  printAndLog(log, Line().text("ranNo is ").integer(ranNo));
  const SamplerSource source = chooseSampler(options.sampler, options.nEvents, ranks.size());
  if (extended) extendedStartLines(log, source, ranks.size());
  for (const std::string& line : description::reportLines(options.beamline, SHIPPED_BEAMLINE))
    printAndLog(log, Line().text(line));

  // Every rank reads the inputs; the run stops on all of them when any
  // cannot use its own.
  InputReport report = loadInputs(options.inputDir, options.beamline);
  for (const std::string& note : report.notes) printAndLog(log, Line().text(note));
  if (ranks.largest(report.errors.empty() ? 0 : 1) != 0) {
    for (const std::string& error : report.errors) printAndLog(log, Line().text(error));
    if (!root)
      for (const std::string& error : report.errors) std::cerr << "tarn rank " << ranks.rank() << ":" << error << '\n';
    if (root && report.errors.empty())
      printAndLog(log, Line().text(" Another rank could not use its inputs (its message is on standard error)."));
    printAndLog(log, Line().text(" The run stops before the first event."));
    return finish(STATUS_INPUTS_REFUSED);
  }

  ranlux::RLUXGO(3, static_cast<std::int32_t>(rankSeed(ranNo, ranks.rank())), 0, 0);
  bookResultHistograms(options.beamline.values);
  keptConsole.forgetStartUp();
  SamplerStream sampler(source);

  const EventRange range = eventsOfRank(options.nEvents, ranks.size(), ranks.rank());
  RunState state;
  state.beamline = options.beamline.values;
  state.log = &log;
  state.firstEvent = range.first;
  state.observer = options.observer;
  state.targetObserver = options.targetObserver;
  ResultSums sums;
  std::int64_t sinceCollected = 0;
  Progress progress(range.count(), root && stderrIsTerminal(), std::cerr);
  for (std::int64_t event = range.first; event <= range.last; ++event) {
    if (const int signal = pendingStopSignal()) {
      progress.clear();
      interrupted(log, signal,
                  "before event " + std::to_string(event) + " of " + std::to_string(options.nEvents) +
                      ": no histogram file written");
      return finish(signalStatus(signal));
    }
    if (sampler.beforeEvent())
      printAndLog(log, Line().text(" The histogram sampler leaves RNDM before its numbers come round (period 2^30): from event " +
                            std::to_string(event) + " on it draws from RANLUX"));
    runEvent(event, state);
    progress.update(event - range.first + 1);
    if (++sinceCollected == ResultSums::SUM_EVERY_EVENTS) {
      sums.collect();
      sinceCollected = 0;
    }
  }
  progress.clear();
  if (!sums.empty() || ranks.size() > 1) sums.collect();

  // Rank 0 adds every other rank's counters and sums, in rank order.
  std::string otherConsoles;
  if (ranks.size() > 1) {
    ResultSums::RankResults totals{state.counters, state.nNoTransfer, keptConsole.kept()};
    if (const int signal = addUpRanks(ranks, sums, totals, otherConsoles)) {
      interrupted(log, signal, "while the ranks' results were added after the last event: no histogram file written");
      return finish(signalStatus(signal));
    }
    if (!root) return finish(STATUS_DONE);
    state.counters = totals.counters;
    state.nNoTransfer = totals.nNoTransfer;
  }
  if (!sums.empty()) sums.writeBack();

  const ReportSetup setup{options.nEvents, ranNo, options.outputDir, extended};
  int status = endOfRun(state, setup, options.clock);
  textout::console() << otherConsoles;
  const int signal = pendingStopSignal();
  if (signal != 0 && status != signalStatus(signal)) {
    interrupted(log, signal, "after the histogram file was written: the report above is complete");
    status = signalStatus(signal);
  }
  return finish(status);
}

int MAIN_RU() { return runTarn(RunOptions{}); }

}  // namespace tarn
