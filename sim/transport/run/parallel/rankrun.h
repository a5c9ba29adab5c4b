// The blocks of a run on the ranks of a parallel run (ranks.h): in rounds of
// one block per rank (rank r runs the r-th block of each round), the ranks
// meeting every SYNC_ROUNDS rounds to learn whether any has been asked to
// stop or a checkpoint is due; then every rank hands the sums of the blocks
// it finished since the last meeting to rank 0 (in rank order), which adds
// them, writes the checkpoint, and at the end the files. A rank that dies
// ends the whole job (the MPI launcher's rule): a resumed run then does only
// the blocks the last checkpoint does not hold.
#pragma once

#include <string>

#include "transport/run/blockrunner.h"
#include "transport/run/parallel/keptconsole.h"
#include "transport/run/parallel/ranks.h"
#include "transport/run/progress.h"
#include "transport/run/runplan.h"

namespace tarn {

constexpr std::int64_t SYNC_ROUNDS = 4;

// On rank 0 the execution holds every rank's blocks, and `otherConsoles`
// the lines the other ranks printed during their blocks, each rank's under
// " Console of rank r:".
Execution runBlocksOnRanks(const RunPlan& plan, RankGroup& ranks, BlockRunner& runner, Checkpointer& checkpointer,
                           Progress& progress, KeptConsole& keptConsole, std::string& otherConsoles);

}  // namespace tarn
