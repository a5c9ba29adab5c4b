// What a harness or the command line may change about a run; the defaults
// are the run without arguments.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "transport/description/read.h"
#include "transport/event/runstate.h"
#include "transport/run/runstamp.h"

namespace tarn {

// Events of a run.
constexpr std::int32_t Nevents = 100000;

class RankGroup;  // transport/run/parallel/ranks.h

// Where the histogram sampler HRNDM1 takes its uniform numbers (sampler.h):
// chosen from the run's shape, or as asked on the command line.
enum class SamplerChoice { Automatic, Rndm, Ranlux };

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
  RankGroup* ranks = nullptr;  // null: one process
  // --beamline FILE and --set KEY=VALUE: the beamline, read and checked
  // (transport/description/); the shipped one by default. It does not make
  // the report extended: a run of the shipped beamline, however given, is
  // the run without arguments.
  description::Description beamline{SHIPPED_BEAMLINE, "", {}, {}};
};

}  // namespace tarn
