// MAIN_RU: one complete, unattended simulation run.
//
// Reads the clock, names the run log and derives the seed from the start
// time, loads the input histograms, books the result histograms, runs the
// event loop and hands over to the end-of-run report. The events are the
// blocks of blocks.h, each with random streams of its own; the run without
// arguments is block 0, the run of always. With options (runoptions.h) the
// events, the seed, the directories and the blocks may differ, the blocks
// may run in worker processes (parallel/jobs.h) or on ranks
// (parallel/rankrun.h), and a run of several blocks keeps a checkpoint and
// can be resumed after a stop.
//
// The exit statuses are those of exitstatus.h.
#include "transport/run/main_RU.h"

#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>

#include "hbook/hbook.h"
#include "hbook/memory/store.h"
#include "hbook/rz/writer.h"
#include "hbook/rz/writestop.h"
#include "textout/console.h"
#include "textout/freeformat.h"
#include "transport/description/summary.h"
#include "transport/event/catalogue.h"
#include "transport/run/beamlinerecord.h"
#include "transport/run/blockrunner.h"
#include "transport/run/digest.h"
#include "transport/run/exitstatus.h"
#include "transport/run/filerecord.h"
#include "transport/run/freshstart.h"
#include "transport/run/inputcheck.h"
#include "transport/run/interrupt.h"
#include "transport/run/localrun.h"
#include "transport/run/parallel/jobs.h"
#include "transport/run/parallel/keptconsole.h"
#include "transport/run/parallel/rankrun.h"
#include "transport/run/parallel/ranks.h"
#include "transport/run/parallel/workers.h"
#include "transport/run/progress.h"
#include "transport/run/report.h"
#include "transport/run/runfiles.h"
#include "transport/run/runlog.h"
#include "transport/run/runplan.h"
#include "transport/run/runstamp.h"
#include "transport/run/sampler.h"
#include "transport/run/settle.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using textout::Line;

// The start banner, which says where the helium is: one leading and one
// trailing blank (" tarn - Upstream target on right, x>0.  Dn on left ").
std::string banner(const TargetCells& cells) {
  const bool upRight = cells.upstreamHelium == Half::Right;
  return std::string(" tarn - Upstream target on ") + (upRight ? "right, x>0." : "left, x<0.") + "  Dn on " +
         (cells.downstreamHelium == Half::Right ? "right " : "left ");
}

constexpr const char* INPUT_FILES[3] = {"lam.hbook", "gradx.hbook", "sq.hbook"};

void interrupted(RunLog& log, int signal, const std::string& where) {
  printAndLog(log, Line().text(" Interrupted by " + std::string(stopSignalName(signal)) + " " + where));
}

std::string absolute(const std::string& dir) {
  std::error_code ec;
  const fs::path p = fs::absolute(dir.empty() ? fs::path(".") : fs::path(dir), ec);
  return ec ? dir : p.lexically_normal().string();
}

// HRGET's lines for the four inputs, a line repeated at once (the gradient
// file read twice) printed once.
InputReport loadInputs(const std::string& inputDir, const description::Description& beamline) {
  HLIMIT(1000000);
  InputStatus inputs;
  inputs.inputDir = inputDir;
  std::ostringstream lines;
  std::ostream* console = &textout::console();
  textout::setConsole(&lines);
  inputs.lam = HRGET(hid::SPECTRUM, inputs.path("lam.hbook"), "");
  inputs.gradx151 = HRGET(hid::X_GRADIENT_1, inputs.path("gradx.hbook"), "");
  inputs.gradx152 = HRGET(hid::X_GRADIENT_2, inputs.path("gradx.hbook"), "");
  inputs.sq = HRGET(hid::SQ, inputs.path("sq.hbook"), "");
  textout::setConsole(console);
  std::istringstream in(lines.str());
  std::string previous;
  for (std::string line; std::getline(in, line); previous = line)
    if (line != previous) textout::console() << line << '\n';
  InputReport report = checkInputs(inputs, beamline);
  if (inputs.lam == hbook::FileStatus::Missing || inputs.sq == hbook::FileStatus::Missing)
    report.errors.push_back(std::string(" The inputs lam.hbook, gradx.hbook and sq.hbook are in tarn's data/ folder") +
                            (fs::exists(TARN_SHIPPED_DATA_DIR) ? " (" + std::string(TARN_SHIPPED_DATA_DIR) + ")" : "") +
                            ": copy them " + (inputDir.empty() ? "here" : "to " + inputDir) + ", or give --input-dir DIR");
  return report;
}

// " Blocks 0-19: 100000 events each (the last 50000), each with random streams of its own"
Line blocksLine(const RunIdentity& run) {
  const std::int64_t events = run.events(), blocks = blockCount(events);
  const BlockSet asked = run.blocks();
  if (blocks == 1) return Line().text("Blocks 0: one block of " + std::to_string(events) + " events");
  if (asked == BlockSet::range(0, blocks - 1)) {
    const std::int64_t last = eventsOfBlock(events, blocks - 1).count();
    return Line().text("Blocks " + asked.text() + ": " + std::to_string(BLOCK_EVENTS) + " events each" +
                       (last != BLOCK_EVENTS ? " (the last " + std::to_string(last) + ")" : "") +
                       ", each with random streams of its own");
  }
  return Line().text("Blocks " + asked.text() + " of the run's 0-" + std::to_string(blocks - 1) + ": " +
                     std::to_string(asked.events(events)) + " of its " + std::to_string(events) + " events");
}

// The record of a histogram file: the run and its blocks, the working
// copies, the exact values, and the beamline's values that differ from the
// shipped one.
FileRecord recordOf(const RunSums& sums, const RunIdentity& run, const Beamline& beamline) {
  FileRecord record = sums.fileRecord(run);
  record.beamline = beamlineValues(beamline);
  return record;
}

// The stop of a run of several blocks (a signal, or a worker that died):
// the checkpoint and a partial histogram file of the blocks done.
int stopWithCheckpoint(const RunPlan& plan, const Execution& ex, RunLog& log, Checkpointer& checkpointer,
                       const std::string& resumeDir, const Beamline& beamline) {
  if (!ex.failure.empty())
    printAndLog(log, Line().text(" The run stops: " + ex.failure));
  else
    interrupted(log, ex.signal, ex.stopNote.empty() ? "between blocks" : "(" + ex.stopNote + ")");
  const int status = ex.failure.empty() ? signalStatus(ex.signal) : STATUS_WORKER_DIED;
  const BlockSet& done = ex.sums.blocks();
  const std::int64_t events = plan.run.events();
  const std::string of = std::to_string(done.events(events)) + " of " + std::to_string(plan.run.blocks().events(events));
  if (done.empty()) {
    printAndLog(log, Line().text(" No block was completed: no checkpoint and no histogram file written"));
    return status;
  }
  // The files are written even though a signal is pending; a second one
  // still ends the program at once.
  hbook::setStopCheck(nullptr);
  if (checkpointer.write(ex.sums))
    printAndLog(log, Line().text(" Checkpoint " + plan.checkpointPath() + ": blocks " + done.text() + " done, " + of +
                                 " events"));
  ex.sums.install();
  hbook::memory().put(recordHistogram(recordOf(ex.sums, plan.run, beamline)));
  hbook::memory().dropKeptCopies();
  try {
    if (ex.sums.detected.active())
      writeResultsWithDetected(plan.partialPath(), ex.sums.detected, true);
    else
      hbook::writeFile(plan.partialPath(), hbook::memory().all(), true);
    printAndLog(log, Line().text(" Partial histogram file " + plan.partialPath() + ": blocks " + done.text() + ", " + of +
                                 " events"));
  } catch (const std::exception& e) {
    printAndLog(log, Line().text(" The partial histogram file could not be written: " + std::string(e.what())));
  }
  printAndLog(log, Line().text(" Go on with: tarn --resume " + resumeDir));
  return status;
}

void removeIfThere(const std::string& path) {
  std::error_code ec;
  fs::remove(path, ec);
}

}  // namespace

int runTarn(const RunOptions& options) {
  startFresh();

  SingleProcess single;
  RankGroup& ranks = options.ranks ? *options.ranks : single;
  const bool root = ranks.rank() == 0;
  KeptConsole keptConsole(!root);
  const bool extended = options.extendedReport || ranks.size() > 1;
  const std::string outputDir = options.resumeDir.empty() ? options.outputDir : options.resumeDir;

  // Rank 0 reads the clock, settles the run (from the options, or from the
  // checkpoint of a stopped run) and makes the log; then every rank knows it.
  const RunStamp start = options.clock();
  std::string logName = logFileName(start);
  RunLog log;
  Settled settled;
  std::int64_t shared = STATUS_DONE;
  std::string plan;
  if (root) {
    settled = settleRun(options, start, outputDir);
    if (!settled.refusal.empty()) {
      std::cerr << "tarn: " << settled.refusal << '\n';
      shared = STATUS_BAD_COMMAND_LINE;
    } else {
      // A resumed run may start in the minute its stopped run did (a job
      // requeued at once): its log takes the next free name.
      std::error_code ec;
      const std::string base = logName.substr(0, logName.size() - 2);
      for (int n = 1; !settled.resumedFrom.empty() && fs::exists(inDirectory(outputDir, logName), ec); ++n)
        logName = base + "-" + std::to_string(n) + ".o";
      shared = openRunLog(log, outputDir, inDirectory(outputDir, logName));
      plan = planText(settled);
    }
  }
  ranks.broadcast(&shared, 1);
  if (shared != STATUS_DONE) return static_cast<int>(shared);
  broadcastText(ranks, plan);
  RunPlan run;
  {
    std::istringstream in(plan);
    std::string record, toRun, inputDir;
    std::getline(in, record);
    std::getline(in, toRun);
    std::getline(in, inputDir);
    int ntuple = 0;
    in >> ntuple >> settled.ntupleMax;
    settled.ntuple = static_cast<NtupleChoice>(ntuple);
    run.run = RunIdentity::parse(record);
    BlockSet::parse(toRun, run.toRun);
    settled.inputDir = inputDir;
  }
  run.done = settled.done;
  run.checkpoints = run.run.blocks().count() > 1;
  run.checkpointEvery = options.checkpointEvery;
  run.outputDir = outputDir;
  run.options.set("input-dir", absolute(settled.inputDir));
  const std::int64_t seed = run.run.seed(), events = run.run.events();
  const std::int32_t ranNo = static_cast<std::int32_t>(seed);
  const SamplerChoice sampler = run.run.sampler() == "ranlux" ? SamplerChoice::Ranlux : SamplerChoice::Automatic;
  // A complete run of the clock run's shape reports exactly as it always has.
  const bool clockShape = events == Nevents && run.run.blocks() == BlockSet::range(0, 0) && settled.resumedFrom.empty();
  const std::int64_t coveredEvents = run.run.blocks().events(events);
  int workers = options.jobs == 0 ? availableCores() : options.jobs;
  if (workers > run.toRun.count()) workers = static_cast<int>(std::max<std::int64_t>(run.toRun.count(), 1));

  textout::setAbortCleanup([&log] { log.close(); });
  const StopSignals stopSignals;
  if (options.recordSignalsOnly) recordStopSignalsOnly();
  auto finish = [&](int status) {
    textout::setAbortCleanup(nullptr);
    return root ? closeRun(log, logName, status) : status;
  };

  const Line nevents = Line().text("  Nevents: ").integer(coveredEvents);
  const Line startTime = Line().text("  Start time: ").text(clockField(start.date)).text(clockField(start.time));
  textout::print(nevents);
  textout::print(startTime);
  log.write(nevents.str());
  log.write(startTime.str());
  printAndLog(log, Line().text(banner(options.beamline.values.cells)));
  printAndLog(log, Line().text("ranNo is ").integer(ranNo));
  for (const std::string& line : description::reportLines(options.beamline, SHIPPED_BEAMLINE))
    printAndLog(log, Line().text(line));
  if (extended) {
    if (ranks.size() > 1)
      printAndLog(log, Line().text("Ranks ").integer(ranks.size()).text("   blocks handed out in turn, one per rank"));
    if (!clockShape) printAndLog(log, blocksLine(run.run));
    if (workers > 1 && ranks.size() == 1) printAndLog(log, Line().text("Jobs ").integer(workers));
    if (!settled.resumedFrom.empty())
      printAndLog(log, Line().text("Resumed from " + settled.resumedFrom + ": blocks " + run.done.blocks().text() +
                                   " done (" + std::to_string(run.done.blocks().events(events)) + " events); blocks " +
                                   run.toRun.text() + " to run"));
    printAndLog(log, Line().text("Sampler: " + samplerText(sampler, run.run.blocks())));
    if (settled.ntuple != NtupleChoice::None)
      printAndLog(log, Line().text("Ntuple " + std::to_string(hid::DETECTED_NTUPLE) + ": the " +
                                   ntupleChoiceName(settled.ntuple) + " neutrons, at most " +
                                   std::to_string(settled.ntupleMax) + " rows; 2-D results " +
                                   std::to_string(hid::ROTATION_VS_LAMBDA) + "-" +
                                   std::to_string(hid::DET_IMAGE_LEFT)));
  }

  // Every rank reads the inputs; the run stops on all of them when any
  // cannot use its own.
  InputReport report = loadInputs(settled.inputDir, options.beamline);
  for (const std::string& note : report.notes) printAndLog(log, Line().text(note));
  if (root) {
    // The inputs' digests belong to the run: a resumed run must read the same.
    InputStatus where;
    where.inputDir = settled.inputDir;
    for (const char* name : INPUT_FILES) {
      const std::string digest = fileDigest(where.path(name));
      const std::string before = run.run.get(name);
      if (!settled.resumedFrom.empty() && digest != before)
        report.errors.push_back(" " + where.path(name) + " is not the input the stopped run read (" + digest +
                                ", the checkpoint's " + before + "): resume with the same inputs");
      run.run.set(name, digest);
    }
  }
  if (ranks.largest(report.errors.empty() ? 0 : 1) != 0) {
    for (const std::string& error : report.errors) printAndLog(log, Line().text(error));
    if (!root)
      for (const std::string& error : report.errors) std::cerr << "tarn rank " << ranks.rank() << ":" << error << '\n';
    if (root && report.errors.empty())
      printAndLog(log, Line().text(" Another rank could not use its inputs (its message is on standard error)."));
    printAndLog(log, Line().text(" The run stops before the first event."));
    return finish(STATUS_INPUTS_REFUSED);
  }
  if (extended && !clockShape) log.write(Line().text("Run record: " + run.run.text()).str());

  bookResultHistograms(options.beamline.values);
  keptConsole.forgetStartUp();

  BlockRunner runner(seed, events, sampler, &log, options.beamline.values, options.observer, options.targetObserver,
                     settled.ntuple == NtupleChoice::None ? DetectedRecord()
                                                          : DetectedRecord(settled.ntuple, settled.ntupleMax));
  Checkpointer checkpointer(run, root ? &log : nullptr, steadySeconds);
  Progress progress(run.toRun.events(events) / ranks.size(), root && stderrIsTerminal(), std::cerr);
  std::string otherConsoles;
  Execution ex;
  if (ranks.size() > 1)
    ex = runBlocksOnRanks(run, ranks, runner, checkpointer, progress, keptConsole, otherConsoles);
  else if (workers > 1)
    ex = runBlocksInWorkers(run, workers, runner, log, checkpointer, progress);
  else
    ex = runBlocksHere(run, runner, checkpointer, progress);
  progress.clear();
  if (!root) return finish(ex.signal ? signalStatus(ex.signal) : STATUS_DONE);

  if (!ex.failure.empty() || (ex.signal && run.checkpoints))
    return finish(stopWithCheckpoint(run, ex, log, checkpointer, outputDir.empty() ? "." : outputDir,
                                     options.beamline.values));
  if (ex.signal) {
    interrupted(log, ex.signal,
                "before event " + std::to_string(ex.stoppedBefore) + " of " + std::to_string(coveredEvents) +
                    ": no histogram file written");
    return finish(signalStatus(ex.signal));
  }

  ex.sums.install();
  // The file of a complete run of 100000 events of the shipped beamline has
  // no record, as always; every other file says which run and beamline it holds.
  const FileRecord record = recordOf(ex.sums, run.run, options.beamline.values);
  if (fileNeedsRecord(events, run.run.blocks(), record.beamline.empty()))
    hbook::memory().put(recordHistogram(record));
  // A run that keeps checkpoints may still write its sums into one below.
  if (!run.checkpoints) ex.sums.releaseHistogramSums();
  RunState totals;
  totals.log = &log;
  totals.counters = ex.sums.counters;
  totals.nNoTransfer = ex.sums.nNoTransfer;
  const ReportSetup setup{coveredEvents, ranNo, outputDir, extended,
                          ex.sums.detected.active() ? &ex.sums.detected : nullptr};
  int status = endOfRun(totals, setup, options.clock);
  textout::console() << otherConsoles;
  if (run.checkpoints) {
    if (status == STATUS_DONE || status == STATUS_OUTPUT_INCOMPLETE) {
      removeIfThere(run.checkpointPath());
      removeIfThere(run.partialPath());
    } else if (checkpointer.write(ex.sums)) {
      printAndLog(log, Line().text(" Every block is done and kept in " + run.checkpointPath() +
                                   ": tarn --resume " + (outputDir.empty() ? "." : outputDir) +
                                   " writes the histogram file"));
    }
  }
  const int signal = pendingStopSignal();
  if (signal != 0 && status != signalStatus(signal)) {
    interrupted(log, signal, "after the histogram file was written: the report above is complete");
    status = signalStatus(signal);
  }
  return finish(status);
}

int MAIN_RU() { return runTarn(RunOptions{}); }

}  // namespace tarn
