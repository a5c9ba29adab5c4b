// What a harness or the command line may change about a run; the defaults
// are the run without arguments.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "transport/description/read.h"
#include "transport/event/runstate.h"
#include "transport/run/detected.h"
#include "transport/run/runstamp.h"

namespace tarn {

// The largest seed (a signed 32-bit integer, as RANLUX takes it).
constexpr std::int64_t MAX_SEED = 2147483647;

// Events of a run.
constexpr std::int32_t Nevents = 100000;

class RankGroup;  // transport/run/parallel/ranks.h

// Where the histogram sampler HRNDM1 takes its uniform numbers (sampler.h):
// RNDM in block 0 and each later block's own stream, or every block's own
// stream (--sampler ranlux).
enum class SamplerChoice { Automatic, Ranlux };

// The checkpoint interval of a run of more than one block, s.
constexpr double CHECKPOINT_EVERY = 60.0;

struct RunOptions {
  std::int64_t nEvents = Nevents;
  std::function<RunStamp()> clock = DATE_AND_TIME;
  std::function<void(const DetectedNeutron&)> observer;
  std::function<void(const TargetCall&)> targetObserver;
  // Set from the command line (commandline.h). A run with any of them, or
  // with several ranks, reports the extra lines described in report.h.
  bool extendedReport = false;
  std::int64_t seed = -1;  // --seed: ranNo instead of the clock's (-1: the clock's)
  std::string inputDir;    // lam.hbook, gradx.hbook, sq.hbook ("": the working directory)
  std::string outputDir;   // the run log and the histogram file ("": the working directory)
  SamplerChoice sampler = SamplerChoice::Automatic;
  // --blocks FIRST-LAST: only these blocks of the run (lastBlock -1: all).
  std::int64_t firstBlock = 0, lastBlock = -1;
  int jobs = 1;                   // --jobs: worker processes (1: none, the run in this process)
  std::string resumeDir;          // --resume: the stopped run's output directory
  double checkpointEvery = CHECKPOINT_EVERY;  // --checkpoint-every, s (0: after every block)
  // Options given on the command line that a resumed run takes from its
  // checkpoint instead (a value given too must agree with it).
  bool eventsGiven = false, samplerGiven = false, blocksGiven = false;
  // --ntuple detected|scattered and --ntuple-max: the detected neutrons as
  // an ntuple, with the 2-D results (detected.h); None: neither.
  NtupleChoice ntuple = NtupleChoice::None;
  std::int64_t ntupleMax = NTUPLE_MAX_ROWS;
  RankGroup* ranks = nullptr;  // null: one process
  // The run of a point of tarn scan (--scan-point): every stop signal only
  // records itself, since the scan passes on one and a second might reach
  // the run both directly and through the scan.
  bool recordSignalsOnly = false;
  // --beamline FILE and --set KEY=VALUE: the beamline, read and checked
  // (transport/description/); the shipped one by default. It does not make
  // the report extended: a run of the shipped beamline, however given, is
  // the run without arguments.
  description::Description beamline{SHIPPED_BEAMLINE, "", {}, {}};
};

}  // namespace tarn
