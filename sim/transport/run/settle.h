// What rank 0 settles before a run creates anything: the run and its blocks,
// the blocks done before (a resumed run, from its checkpoint), where the
// inputs are, and the refusals of a run that cannot start (a checkpoint in
// the way, options that differ from the stopped run's).
#pragma once

#include <cstdint>
#include <string>

#include "transport/run/detected.h"
#include "transport/run/runidentity.h"
#include "transport/run/runoptions.h"
#include "transport/run/runstamp.h"
#include "transport/run/runsums.h"

namespace tarn {

struct Settled {
  RunIdentity run;
  RunSums done;
  std::string inputDir;
  std::string resumedFrom;                   // the checkpoint
  std::string refusal;                       // why the run cannot start ("": it can)
  NtupleChoice ntuple = NtupleChoice::None;  // --ntuple, or the stopped run's
  std::int64_t ntupleMax = NTUPLE_MAX_ROWS;
};

// The run of these options started at `start`, its output in outputDir; with
// --resume, the stopped run of the checkpoint in options.resumeDir.
Settled settleRun(const RunOptions& options, const RunStamp& start, const std::string& outputDir);

// Rank 0's settled run, for every rank: the run record, the blocks to run
// and the input directory, one per line.
std::string planText(const Settled& s);

}  // namespace tarn
